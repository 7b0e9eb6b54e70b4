#pragma once

// The read-only grid of the main window: a QTableView over TListDataSetModel with uniform 18-pixel
// rows, no row indicator, clickable titles that do not sort by themselves, the current row kept
// in step with the dataset's cursor, and an empty message while no database is shown.

#include "mainwindow/TListDataSetModel.h"

#include <QTableView>
#include <string>

namespace artikel {

class TListDataSet;

class TI_DBGrid : public QTableView {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 18;
    // Grid tags: nothing chosen in the tree / a database or filter chosen.
    static constexpr int kTagNothingChosen = 1;
    static constexpr int kTagChosen = 0;

    explicit TI_DBGrid(QWidget* parent = nullptr);

    TListDataSetModel& Model() const { return *model_; }
    // Attaches a dataset (not owned); null shows the empty message.
    void SetDataSet(TListDataSet* dataSet);
    TListDataSet* DataSet() const { return model_->DataSet(); }
    // Replaces the columns (one per field name, with their widths).
    void SetColumns(std::vector<TGridColumn> columns);

    int Tag() const { return tag_; }
    void SetTag(int tag);
    // The layout files' path without extension (the database folder + "grid.col").
    const std::string& LayoutName() const { return layoutName_; }
    void SetLayoutName(std::string name) { layoutName_ = std::move(name); }
    // The field of the current column ("" when there is none).
    std::string SelectedField() const;

    // The text drawn while the grid has nothing to show ("" when nothing is drawn).
    QString EmptyMessage() const;
    void SetScrollBarsShown(bool shown);

signals:
    // A click on a column title.
    void TitleClicked(int column);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void FollowCursor(int row);
    void ViewRowChanged(const QModelIndex& current, const QModelIndex& previous);

    TListDataSetModel* model_;
    std::string layoutName_;
    int tag_ = kTagChosen;
    bool following_ = false;
};

} // namespace artikel
