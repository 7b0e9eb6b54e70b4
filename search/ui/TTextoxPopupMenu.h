#pragma once

// The German text menu of the edit fields: a banner "Text bearbeiten" down its left side and
// the entries "Ausschneiden", "Kopieren", "Einfügen", "Alles markieren", "Symbol einfügen".
// Works on a QLineEdit, QTextEdit or QPlainTextEdit. Owners append entries of their own.
// TRTFoxPopupMenu copies and pastes file links.

#include <QMenu>
#include <QPointer>

#include <functional>

namespace artikel {

class TTextoxPopupMenu : public QMenu {
    Q_OBJECT
public:
    static constexpr int kBannerWidth = 18;

    explicit TTextoxPopupMenu(QWidget* edit, QWidget* parent = nullptr);

    QWidget* Edit() const { return edit_; }
    // Makes the menu the edit's context menu (Qt's own menu goes).
    void AttachToEdit();
    // Sets the entries' enabled states and gives the edit the focus; done before showing.
    void Prepare();
    // Prepare, the owners' step, then the menu at globalPos.
    void Open(const QPoint& globalPos);

    // Runs after Prepare when the menu opens (owners enable their own entries).
    std::function<void(TTextoxPopupMenu&)> OnOpening;
    // Asks for a symbol to insert ("" when cancelled); by default the symbol dialog.
    std::function<QString()> ChooseSymbol;

    QAction* cutAction;
    QAction* copyAction;
    QAction* pasteAction;
    QAction* selectAllAction;
    QAction* symbolAction;

    // The edit's state as the menu reads it.
    bool EditReadOnly() const;
    QString SelectedText() const;

protected:
    virtual void CopyText();
    virtual void PasteText();
    void paintEvent(QPaintEvent* event) override;
    void InsertSymbol();

    QPointer<QWidget> edit_;
};

class TRTFoxPopupMenu : public TTextoxPopupMenu {
    Q_OBJECT
public:
    using TTextoxPopupMenu::TTextoxPopupMenu;

protected:
    // Links to existing files in the selection offer the files; otherwise a plain copy.
    void CopyText() override;
    // Files on the clipboard (as paths, links or a file list) become links; otherwise a plain
    // paste.
    void PasteText() override;
};

} // namespace artikel
