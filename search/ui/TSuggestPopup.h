#pragma once

// The drop-down of a suggestion list: a list widget that never takes the focus, whose entries
// are drawn by its owner and taken with a left-button release.

#include <QListWidget>

#include <functional>
#include <string>

class QPainter;

namespace artikel {

class TSuggestPopup : public QListWidget {
    Q_OBJECT
public:
    // Draws one entry: painter, entry rectangle, the entry's text (Windows-1252), selected.
    using TDrawEntry = std::function<void(QPainter&, const QRect&, const std::string&, bool)>;

    TSuggestPopup(QWidget* parent, TDrawEntry draw, std::function<void()> take);

    void AddEntry(const std::string& text);
    std::string EntryAt(int row) const;
    void SetItemHeight(int height) { itemHeight_ = height; }
    int ItemHeight() const { return itemHeight_; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    class TDelegate;
    TDrawEntry draw_;
    std::function<void()> take_;
    int itemHeight_ = 16;
};

} // namespace artikel
