#pragma once

// The program's drag and drop between the lists of one window: list entries are dragged with a
// text, a drag image and the private block (platform/DragDropBlock.h); the window is the drop
// target and hands what was dropped to its handlers: text dropped on a control to the text-drop
// handler, dropped files, rich text and a private block to the other-drop handler.

#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QDropEvent;
class QMimeData;
class QWidget;

namespace artikel {

// What the other-drop handler gets.
struct TDropSetOtherStruct {
    enum Kind { Files = 0, VirtualFiles = 1, RichText = 2, PrivateBlock = 3 };
    Kind kind = Files;
    std::string text; // the dropped text (Windows-1252)
    std::string files; // full paths, one per line (CR LF between); kinds 0 and 1
    std::string richText; // kind 2
    std::string block; // kind 3: a copy of the private block
    bool dragging = false; // this object itself runs the drag
};

class TIDragDrop : public QObject {
    Q_OBJECT
public:
    // control under the drop point, the dropped text (Windows-1252), the private block of the
    // drop ("" when it carries none), the drop point in the owner's coordinates.
    using TTextDropHandler =
        std::function<void(QWidget* control, const std::string& text, const std::string& block, const QPoint& pos)>;
    using TOtherDropHandler = std::function<void(QWidget* control, const TDropSetOtherStruct& data)>;
    // The text shown while dragging from a control.
    using TDragTextHandler = std::function<std::string(QWidget* control)>;
    // Runs a prepared drag; the default runs QDrag. Tests replace it to take the data.
    using TDragRunner = std::function<void(QWidget* source, std::unique_ptr<QMimeData> data, const QPixmap& image,
                                           const QPoint& hotSpot)>;

    // Makes owner a drop target.
    explicit TIDragDrop(QWidget* owner);
    ~TIDragDrop() override;

    void SetOnTextDrop(TTextDropHandler handler) { onTextDrop_ = std::move(handler); }
    void SetOnOtherDrop(TOtherDropHandler handler) { onOtherDrop_ = std::move(handler); }
    void SetOnDragText(TDragTextHandler handler) { onDragText_ = std::move(handler); }
    void SetDragRunner(TDragRunner runner) { runner_ = std::move(runner); }

    // Called on a mouse press in control (pos in control's coordinates) with the prepared
    // block: the drag starts once the mouse leaves the system's drag distance before the button
    // is released; a release before that starts nothing.
    void StartDrag(QWidget* control, const QPoint& pressPos, std::string block);
    bool Dragging() const { return dragging_; }
    bool DragPending() const { return !pending_.isNull(); }

    // The image shown while dragging `text`.
    static QPixmap DragImage(const QString& text);
    // The control a drop at `pos` (owner coordinates) lands on: the deepest visible, enabled
    // child there, a list's viewport counting as its list; none for the owner itself.
    static QWidget* DropControl(QWidget* owner, const QPoint& pos);
    // Hands a drop's data to the handlers.
    void Drop(const QMimeData* data, const QPoint& pos);

    // Files written for dropped virtual files; deleted with this object.
    std::vector<std::string>& TempFiles() { return tempFiles_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RunDrag();

    QWidget* owner_;
    TTextDropHandler onTextDrop_;
    TOtherDropHandler onOtherDrop_;
    TDragTextHandler onDragText_;
    TDragRunner runner_;
    QPointer<QWidget> pending_;
    QPoint pressPos_;
    std::string block_;
    bool dragging_ = false;
    std::vector<std::string> tempFiles_;
};

} // namespace artikel
