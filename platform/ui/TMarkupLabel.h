#pragma once

// A label that shows mini markup (bold runs, colours, line breaks, links, icons) with the
// program's renderer. It can size itself to its text, cut it with an ellipsis or wrap it, shows
// the hand cursor over links and reports a clicked link.

#include "platform/ui/MarkupRenderer.h"

#include <QWidget>

#include <string>
#include <string_view>

namespace artikel {

class TMarkupLabel : public QWidget {
    Q_OBJECT
public:
    explicit TMarkupLabel(QWidget* parent = nullptr);
    explicit TMarkupLabel(std::string_view markup, QWidget* parent = nullptr);

    // The markup text, Windows-1252 bytes.
    void setText(std::string_view markup);
    const std::string& text() const { return text_; }

    // When on, the label resizes itself to its text whenever text or font change (its top-left
    // stays); the text wraps at maxTextWidth().
    void setAutoSize(bool on);
    bool autoSize() const { return autoSize_; }
    void setMaxTextWidth(int width);
    int maxTextWidth() const { return maxTextWidth_; }

    void setWordWrap(bool on);
    bool wordWrap() const { return options_.wordWrap; }
    void setEllipsis(bool on);
    bool ellipsis() const { return options_.ellipsis; }
    void setAccelerators(bool on);
    void setLinkColor(const QColor& color);
    // The list stays owned by the caller and must outlive the label (or be reset to nullptr).
    void setImages(const QList<QPixmap>* images);
    const MarkupOptions& markupOptions() const { return options_; }

    // The link under a point in widget coordinates.
    MarkupHit linkAt(const QPoint& pos) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

signals:
    // A click on a link: its href as written in the markup.
    void linkClicked(const QString& href);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void textChanged();
    QSize textSize(int width) const;

    std::string text_;
    MarkupOptions options_;
    bool autoSize_ = false;
    int maxTextWidth_ = 2000;
    std::string pressedHref_;
    bool pressedOnLink_ = false;
};

} // namespace artikel
