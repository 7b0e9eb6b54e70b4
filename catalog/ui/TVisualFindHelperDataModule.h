#pragma once

// The quick search of the database tree: the typed characters are collected into a short text
// shown in a balloon under the focused node; the tree searches for that text. One per process.

#include "platform/ui/TMessageWindow.h"

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

namespace artikel {

class TVisualFindHelperDataModule {
public:
    static constexpr int kQuickSearchHideDelay = 5000;
    static constexpr int kClipboardChars = 20;

    // Created on first use; lives until the program ends.
    static TVisualFindHelperDataModule& Instance();

    // One typed character c (with the keyboard's key and modifiers) in tree, whose focused node
    // lies at place (tree coordinates). Returns the text to search for, "" when the tree should
    // not search.
    QString QuickSearchKey(QWidget* tree, const QRect& place, QChar c, int key, Qt::KeyboardModifiers modifiers,
                           int imageIndex);
    // After a jump: the balloon follows the node at place and shows again for its full delay.
    void MoveHint(QWidget* control, const QRect& place);
    // Hides and frees the balloon; the next character starts a new text.
    void CloseBalloon();

    // The balloon, none when closed.
    TMessageWindow* Balloon() const { return balloon_; }
    // The balloon's text without markup ("" when there is none or it hid itself).
    QString BalloonText() const;

    // Image 0 is the balloon's icon.
    QList<QPixmap> PngImageListGrid;
    // Makes the hide timer of new balloons (tests fire it themselves).
    std::function<std::unique_ptr<THideTimer>()> TimerFactory;
    // The hide delay of new balloons.
    int HideDelay = kQuickSearchHideDelay;

private:
    TVisualFindHelperDataModule();
    void ShowText(QWidget* tree, const QRect& place, const QString& markup);

    QPointer<TMessageWindow> balloon_;
    int lastImageIndex_ = 0;
};

// The text with "<br>", "<b>" and "</b>" removed (letter case ignored).
QString StripQuickSearchMarkup(QString text);

} // namespace artikel
