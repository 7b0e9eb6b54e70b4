#include "mainwindow/ui/TGridDelegate.h"

#include "mainwindow/ui/TI_DBGrid.h"
#include "platform/Win1252.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/MarkupRenderer.h"

#include <QPainter>

namespace artikel {

namespace {

void AssignAnsi(QString& out, std::string_view ansi)
{
    out.resize(static_cast<qsizetype>(ansi.size()));
    QChar* d = out.data();
    for (size_t i = 0; i < ansi.size(); ++i)
        d[i] = QChar(static_cast<char16_t>(Win1252ToUnicode(static_cast<unsigned char>(ansi[i]))));
}

} // namespace

TGridDelegate::TGridDelegate(TI_DBGrid* grid)
    : QStyledItemDelegate(grid),
      grid_(grid)
{}

QString TGridDelegate::LinkCaption(std::string_view text)
{
    return QStringLiteral("Link: ") + FromAnsi(StripLinkPrefixes(text));
}

void TGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const TListDataSetModel& model = grid_->Model();
    const std::string_view cell = model.CellText(index.row(), index.column());
    const TRubberHandler& marks = grid_->RowMarks();
    const bool hasFocus = grid_->hasFocus();
    const bool marked = marks.IsMarked(index.row());
    const bool current = index.row() == grid_->currentIndex().row();
    bool selected = (option.state & QStyle::State_Selected) != 0;

    const QPalette& pal = option.palette;
    QColor background = pal.color(QPalette::Base);
    QColor foreground = pal.color(QPalette::Text);
    if (marked) {
        background = hasFocus ? kMarkedFocused : kMarkedUnfocused;
        selected = false;
    } else if (!marks.Empty() && current) {
        // With marks, the current row is no selection; among several marks it stands out pink.
        selected = false;
        if (marks.Count() > 1)
            background = kCurrentAmongMarks;
    } else if (selected) {
        background = pal.color(QPalette::Highlight);
        foreground = pal.color(QPalette::HighlightedText);
    }

    const QRect rect = option.rect;
    painter->save();
    column_ = index.column();
    DrawCell(painter, option, cell, rect, background, foreground, selected);
    // The view's own grid draws both kinds of lines or none: the cells draw them one by one.
    painter->setPen(grid_->GridLineColor());
    if (grid_->ColumnLines())
        painter->drawLine(rect.topRight(), rect.bottomRight());
    if (grid_->RowLines())
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->restore();
}

void TGridDelegate::DrawCell(QPainter* painter, const QStyleOptionViewItem& option, std::string_view cell,
                             const QRect& rect, const QColor& background, const QColor& foreground, bool selected) const
{
    painter->setFont(option.font);

    if (!grid_->SearchTokens().empty()) {
        painter->fillRect(rect, background);
        if (highlighter_.Highlight(cell, grid_->SearchTokens())) {
            painter->setPen(foreground);
            MarkupOptions mo;
            mo.accelerators = false;
            mo.ellipsis = true;
            DrawMarkup(*painter, highlighter_.Markup(), rect.adjusted(2, 2, -1, 0), mo);
            return;
        }
    }
    if (IsLinkText(cell)) {
        painter->fillRect(rect, selected ? QColor(Qt::white) : kLinkBackground);
        painter->setPen(kLinkText);
        const QRect box = rect.adjusted(2, 2, -1, 0);
        const QString caption = LinkCaption(cell);
        const bool path = caption.contains(QLatin1Char('/')) || caption.contains(QLatin1Char('\\'));
        const QString shown =
            painter->fontMetrics().elidedText(caption, path ? Qt::ElideMiddle : Qt::ElideRight, box.width());
        painter->drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
        return;
    }
    painter->fillRect(rect, background);
    painter->setPen(foreground);
    AssignAnsi(text_, cell);
    const Qt::Alignment align = grid_->ColumnAlignment(column_);
    const QRect box = rect.adjusted(2, 0, -2, 0);
    if (painter->fontMetrics().horizontalAdvance(text_) > box.width())
        painter->drawText(box, static_cast<int>(align | Qt::AlignVCenter) | Qt::TextSingleLine,
                          painter->fontMetrics().elidedText(text_, Qt::ElideRight, box.width()));
    else
        painter->drawText(box, static_cast<int>(align | Qt::AlignVCenter) | Qt::TextSingleLine, text_);
}

} // namespace artikel
