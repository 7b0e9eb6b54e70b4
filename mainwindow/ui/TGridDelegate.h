#pragma once

// Draws the grid's data cells: the row-mark colours, link cells ("Link: " and the target, blue on
// pink, shortened with an ellipsis) and the search tokens in bold. It reads the cell's bytes
// straight from the model and keeps its buffers, so a paint allocates nothing per plain cell.

#include "mainwindow/GridCellText.h"

#include <QString>
#include <QStyledItemDelegate>

namespace artikel {

class TI_DBGrid;

class TGridDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static inline const QColor kLinkBackground{255, 234, 234};
    static inline const QColor kLinkText{0, 0, 255};
    static inline const QColor kMarkedFocused{146, 163, 203};
    static inline const QColor kMarkedUnfocused{255, 225, 121};
    static inline const QColor kCurrentAmongMarks{255, 234, 234};

    explicit TGridDelegate(TI_DBGrid* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The shown text of a link cell before shortening ("Link: " + the stripped target).
    static QString LinkCaption(std::string_view text);

private:
    void DrawCell(QPainter* painter, const QStyleOptionViewItem& option, std::string_view cell, const QRect& rect,
                  const QColor& background, const QColor& foreground, bool selected) const;

    TI_DBGrid* grid_;
    mutable int column_ = 0;
    mutable TTokenHighlighter highlighter_;
    mutable QString text_;
};

} // namespace artikel
