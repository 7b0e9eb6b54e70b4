#include "mainwindow/ui/TListDataSetModel.h"

#include "data/TListDataSet.h"
#include "platform/ui/AnsiQString.h"

namespace artikel {

TListDataSetModel::TListDataSetModel(QObject* parent)
    : QAbstractTableModel(parent)
{}

TListDataSetModel::~TListDataSetModel()
{
    if (dataSet_)
        dataSet_->RemoveObserver(this);
}

void TListDataSetModel::Detach()
{
    if (dataSet_)
        dataSet_->RemoveObserver(this);
    dataSet_ = nullptr;
    depth_ = 0;
    refreshed_ = cursorMoved_ = false;
}

void TListDataSetModel::SetDataSet(TListDataSet* dataSet)
{
    if (dataSet == dataSet_)
        return;
    beginResetModel();
    Detach();
    dataSet_ = dataSet;
    columns_.clear();
    if (dataSet_)
        dataSet_->AddObserver(this);
    Republish();
    endResetModel();
    emit CursorRowChanged(CursorRow());
}

void TListDataSetModel::SetColumns(std::vector<TGridColumn> columns)
{
    beginResetModel();
    columns_ = std::move(columns);
    Republish();
    endResetModel();
    emit CursorRowChanged(CursorRow());
}

std::string TListDataSetModel::ColumnField(int column) const
{
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return {};
    return columns_[static_cast<size_t>(column)].fieldName;
}

std::string_view TListDataSetModel::CellText(int row, int column) const
{
    if (!dataSet_ || row < 0 || row >= rows_ || column < 0 || column >= static_cast<int>(slots_.size()))
        return {};
    const int slot = slots_[static_cast<size_t>(column)];
    return slot < 0 ? std::string_view() : dataSet_->Cell(row, slot);
}

void TListDataSetModel::SetColumnAlignment(int column, Qt::Alignment cell, Qt::Alignment title)
{
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return;
    TGridColumn& c = columns_[static_cast<size_t>(column)];
    c.alignment = cell;
    c.titleAlignment = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
    if (rows_ > 0)
        emit dataChanged(index(0, column), index(rows_ - 1, column), {Qt::TextAlignmentRole});
}

void TListDataSetModel::Republish()
{
    rows_ = dataSet_ && dataSet_->Active() ? dataSet_->RecordCount() : 0;
    slots_.assign(columns_.size(), -1);
    if (!dataSet_ || !dataSet_->Active())
        return;
    for (size_t i = 0; i < columns_.size(); ++i)
        if (TField* field = dataSet_->FindField(columns_[i].fieldName))
            slots_[i] = field->Slot();
}

int TListDataSetModel::CursorRow() const
{
    if (!dataSet_ || rows_ == 0)
        return -1;
    const int row = dataSet_->CurrentRow();
    return row < rows_ ? row : -1;
}

int TListDataSetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TListDataSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TListDataSetModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::TextAlignmentRole && index.isValid() && index.column() < static_cast<int>(columns_.size()))
        return static_cast<int>(columns_[static_cast<size_t>(index.column())].alignment);
    if (role != Qt::DisplayRole || !dataSet_ || !index.isValid())
        return {};
    const int row = index.row();
    const int column = index.column();
    if (row < 0 || row >= rows_ || column < 0 || column >= static_cast<int>(slots_.size()))
        return {};
    const int slot = slots_[static_cast<size_t>(column)];
    if (slot < 0)
        return QString();
    // Inside a bracket the dataset may already hold fewer rows: Cell answers those with "".
    return FromAnsi(dataSet_->Cell(row, slot));
}

QVariant TListDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns_.size()))
        return {};
    if (role == Qt::DisplayRole)
        return FromAnsi(columns_[static_cast<size_t>(section)].fieldName);
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(columns_[static_cast<size_t>(section)].titleAlignment);
    return {};
}

Qt::ItemFlags TListDataSetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TListDataSetModel::DataSetBeginUpdate(TListDataSet&) { ++depth_; }

void TListDataSetModel::DataSetEndUpdate(TListDataSet&)
{
    if (depth_ == 0 || --depth_ > 0)
        return;
    if (refreshed_) {
        refreshed_ = false;
        cursorMoved_ = false;
        beginResetModel();
        Republish();
        endResetModel();
        emit CursorRowChanged(CursorRow());
    } else if (cursorMoved_) {
        cursorMoved_ = false;
        emit CursorRowChanged(CursorRow());
    }
}

void TListDataSetModel::DataSetRefreshed(TListDataSet&)
{
    if (depth_ > 0) {
        refreshed_ = true;
        return;
    }
    beginResetModel();
    Republish();
    endResetModel();
    emit CursorRowChanged(CursorRow());
}

void TListDataSetModel::DataSetCursorMoved(TListDataSet&)
{
    if (depth_ > 0) {
        cursorMoved_ = true;
        return;
    }
    emit CursorRowChanged(CursorRow());
}

void TListDataSetModel::DataSetDestroyed(TListDataSet&)
{
    // The dataset forgets its observers itself; only our side is dropped.
    beginResetModel();
    dataSet_ = nullptr;
    depth_ = 0;
    refreshed_ = cursorMoved_ = false;
    columns_.clear();
    Republish();
    endResetModel();
}

} // namespace artikel
