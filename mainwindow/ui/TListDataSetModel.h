#pragma once

// The grid's table model: a read-only QAbstractTableModel over a TListDataSet. Rows are the
// dataset's current view, columns the grid's columns (each names a field). The model holds no
// per-row state: a cell is read from the dataset when the view paints it.
//
// The dataset changes its rows only inside DisableControls/EnableControls brackets; the model
// keeps reporting the row count it last published until the outermost bracket closes and then
// resets once, so a sort, filter or reload of a million rows costs one reset and the view never
// asks for rows that are gone.

#include "data/IDataSetObserver.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

namespace artikel {

class TListDataSet;

// One column of the grid: the field it shows and the width it asks for.
struct TGridColumn {
    std::string fieldName; // Windows-1252, the title too
    int width = 64;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    Qt::Alignment titleAlignment = Qt::AlignLeft | Qt::AlignVCenter;
};

class TListDataSetModel final : public QAbstractTableModel, private IDataSetObserver {
    Q_OBJECT
public:
    explicit TListDataSetModel(QObject* parent = nullptr);
    ~TListDataSetModel() override;

    // The dataset shown (not owned; null: none). A change of dataset drops the columns.
    void SetDataSet(TListDataSet* dataSet);
    TListDataSet* DataSet() const { return dataSet_; }

    // Replaces the grid's columns (one reset). A column whose field the dataset lacks stays
    // empty.
    void SetColumns(std::vector<TGridColumn> columns);
    const std::vector<TGridColumn>& Columns() const { return columns_; }
    // The field name of a column ("" when out of range).
    std::string ColumnField(int column) const;
    // The cell's bytes without conversion ("" out of range or for a missing field); for painting.
    std::string_view CellText(int row, int column) const;
    void SetColumnAlignment(int column, Qt::Alignment cell, Qt::Alignment title);

    // The view row of the dataset's current row, or -1.
    int CursorRow() const;
    // True while the dataset holds its controls disabled (between the brackets).
    bool Suspended() const { return depth_ > 0; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The dataset's current row moved (outside suspended updates), or the model was reset:
    // the view follows with its current row.
    void CursorRowChanged(int row);

private:
    void DataSetBeginUpdate(TListDataSet& dataSet) override;
    void DataSetEndUpdate(TListDataSet& dataSet) override;
    void DataSetRefreshed(TListDataSet& dataSet) override;
    void DataSetCursorMoved(TListDataSet& dataSet) override;
    void DataSetDestroyed(TListDataSet& dataSet) override;

    void Detach();
    // Re-reads the row count and the column slots; between begin/endResetModel only.
    void Republish();

    TListDataSet* dataSet_ = nullptr;
    std::vector<TGridColumn> columns_;
    std::vector<int> slots_; // cell slot per column, -1 for a field the dataset lacks
    int rows_ = 0;
    int depth_ = 0;
    bool refreshed_ = false;
    bool cursorMoved_ = false;
};

} // namespace artikel
