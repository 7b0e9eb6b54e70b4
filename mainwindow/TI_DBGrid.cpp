#include "mainwindow/TI_DBGrid.h"

#include "data/TListDataSet.h"
#include "mainwindow/ProgramTitle.h"
#include "platform/ui/AnsiQString.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>

namespace artikel {

TI_DBGrid::TI_DBGrid(QWidget* parent)
    : QTableView(parent)
    , model_(new TListDataSetModel(this))
{
    setObjectName(QStringLiteral("I_DBGrid1"));
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setShowGrid(true);
    setDragEnabled(false);
    setTabKeyNavigation(false);

    // Uniform rows: the view computes every row position arithmetically and never asks the
    // model for a size, so a million rows cost no per-row work.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(kRowHeight);

    QHeaderView* titles = horizontalHeader();
    titles->setSectionsClickable(true);
    titles->setSortIndicatorShown(false);
    titles->setHighlightSections(false);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setStretchLastSection(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(titles, &QHeaderView::sectionClicked, this, &TI_DBGrid::TitleClicked);

    connect(model_, &TListDataSetModel::CursorRowChanged, this, &TI_DBGrid::FollowCursor);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &TI_DBGrid::ViewRowChanged);
}

void TI_DBGrid::SetDataSet(TListDataSet* dataSet)
{
    model_->SetDataSet(dataSet);
    viewport()->update();
}

void TI_DBGrid::SetColumns(std::vector<TGridColumn> columns)
{
    std::vector<int> widths;
    widths.reserve(columns.size());
    for (const TGridColumn& c : columns)
        widths.push_back(c.width);
    model_->SetColumns(std::move(columns));
    for (size_t i = 0; i < widths.size(); ++i)
        setColumnWidth(static_cast<int>(i), widths[i]);
}

void TI_DBGrid::SetTag(int tag)
{
    if (tag_ == tag)
        return;
    tag_ = tag;
    viewport()->update();
}

std::string TI_DBGrid::SelectedField() const
{
    return model_->ColumnField(currentIndex().column());
}

void TI_DBGrid::SetScrollBarsShown(bool shown)
{
    const Qt::ScrollBarPolicy policy = shown ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setVerticalScrollBarPolicy(policy);
    setHorizontalScrollBarPolicy(policy);
}

QString TI_DBGrid::EmptyMessage() const
{
    // A loaded database whose filter keeps no row shows an empty grid: neither text would be true.
    if (model_->DataSet())
        return {};
    return tag_ == kTagNothingChosen ? FromAnsi(kProgramTitle) : QStringLiteral("Laden der Datenbank..");
}

void TI_DBGrid::paintEvent(QPaintEvent* event)
{
    const QString message = EmptyMessage();
    if (message.isEmpty()) {
        QTableView::paintEvent(event);
        return;
    }
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::white);
    QFont f = font();
    f.setPointSize(14);
    painter.setFont(f);
    painter.setPen(QColor(128, 128, 128));
    const QRect box = viewport()->rect().adjusted(10, 10, -10, -10);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, message);
}

void TI_DBGrid::FollowCursor(int row)
{
    if (following_)
        return;
    following_ = true;
    if (row < 0) {
        selectionModel()->clearCurrentIndex();
    } else if (currentIndex().row() != row || !currentIndex().isValid()) {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex target = model_->index(row, column < model_->columnCount() ? column : 0);
        if (target.isValid()) {
            selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
            scrollTo(target, QAbstractItemView::EnsureVisible);
        }
    }
    following_ = false;
}

void TI_DBGrid::ViewRowChanged(const QModelIndex& current, const QModelIndex&)
{
    if (following_ || !current.isValid())
        return;
    TListDataSet* ds = model_->DataSet();
    if (!ds || model_->Suspended() || ds->CurrentRow() == current.row())
        return;
    following_ = true;
    ds->SetRecNo(current.row() + 1);
    following_ = false;
}

} // namespace artikel
