#pragma once

// The read-only grid of the main window: a QTableView over TListDataSetModel with uniform 18-pixel
// rows, no row indicator, clickable titles that do not sort by themselves, the current row kept
// in step with the dataset's cursor, and an empty message while no database is shown.
// It draws the search tokens in bold and link cells, opens picture links, locates rows as the
// user types, marks rows with Ctrl-clicks and a rubber band, and keeps its column layout in
// files beside its layout name.

#include "mainwindow/ColumnLayout.h"
#include "mainwindow/THereRubberHandler.h"
#include "mainwindow/ui/TListDataSetModel.h"

#include <QElapsedTimer>
#include <QTableView>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace artikel {

class TListDataSet;

class TI_DBGrid : public QTableView {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 18;
    // Grid tags: nothing chosen in the tree / a database or filter chosen.
    static constexpr int kTagNothingChosen = 1;
    static constexpr int kTagChosen = 0;
    static constexpr int kTypeAheadTimeoutMs = 5000;
    static inline const QColor kBandColor{49, 106, 197};
    // The explanatory file written into a picture folder that lacks a linked picture (UTF-8 name).
    static constexpr const char* kPictureHintFile = artikel::kPictureHintFile;

    // Shows a file in a file manager (the file selected where the platform can).
    using TFileShower = std::function<void(const std::string& file)>;

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

    // The find box's tokens, drawn bold in the cells (Windows-1252).
    void SetSearchTokens(std::vector<std::string> tokens);
    const std::vector<std::string>& SearchTokens() const { return searchTokens_; }

    // The marked rows; cleared whenever the rows are rebuilt (load, search, sort).
    THereRubberHandler& RowMarks() { return rowMarks_; }
    const THereRubberHandler& RowMarks() const { return rowMarks_; }

    // Display alignment of a column's cells (logical column).
    Qt::Alignment ColumnAlignment(int column) const;
    // Width, visibility and alignments of the columns in display order.
    std::vector<TColumnState> ColumnStates() const;
    bool ColumnLines() const { return columnLines_; }
    bool RowLines() const { return rowLines_; }
    bool AutoSize() const { return autoSize_; }
    // The style's colour of grid lines, taken at the start of each paint.
    const QColor& GridLineColor() const { return gridLineColor_; }
    // Width, visibility and alignments of one column (logical).
    TColumnState ColumnStateOf(int column) const;
    void SetColumnAlignments(int column, TColumnAlignment cell, TColumnAlignment title);
    // Opens the column selection window beside globalPos (a right click on the titles); shows
    // what is missing when no such window is registered.
    void OpenColumnSelection(const QPoint& globalPos);
    // Hides or shows a column (logical), keeping a hidden column's width for the layout file.
    void SetColumnVisible(int column, bool visible);
    void SetGridLines(bool columnLines, bool rowLines);
    void SetAutoSize(bool on);

    // Applies the ".COX" options and merges the ".COL" columns; an unreadable ".COL" is deleted.
    void LoadColumnLayout();
    // Writes ".COL" from the present columns, then ".COX" from the options and the current
    // column's field (".COX" errors are ignored). Raises when the ".COL" cannot be written.
    void SaveColumnLayout(bool columnLines, bool rowLines, bool autoSize);

    // "images/" in the folder of the layout name.
    std::string PictureFolder() const;
    // Opens each link of the current cell's value (split at "¬") in the picture folder; a missing
    // picture is replaced by the explanatory file. False when the current cell holds no link.
    bool OpenCellLink();
    void SetFileShower(TFileShower shower) { fileShower_ = std::move(shower); }

    // The type-ahead text (Windows-1252) and its timeout, for tests.
    const std::string& TypeAheadText() const { return typeAhead_; }
    void SetTypeAheadTimeout(int ms) { typeAheadTimeoutMs_ = ms; }

signals:
    // A click on a column title.
    void TitleClicked(int column);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyboardSearch(const QString&) override {}

private:
    void FollowCursor(int row);
    void ViewRowChanged(const QModelIndex& current, const QModelIndex& previous);
    bool IsLinkCell(const QModelIndex& index) const;
    void FinishBand();
    void UpdateGridLineColor();
    bool TypeAheadKey(QKeyEvent* event);
    void LocateTyped();

    TListDataSetModel* model_;
    std::string layoutName_;
    int tag_ = kTagChosen;
    bool following_ = false;
    int lastColumn_ = 0;
    QColor gridLineColor_{Qt::lightGray};
    std::vector<std::string> searchTokens_;
    THereRubberHandler rowMarks_;
    bool bandPending_ = false;
    bool columnLines_ = true;
    bool rowLines_ = true;
    bool autoSize_ = false;
    std::map<int, int> hiddenWidths_;
    TFileShower fileShower_;
    std::string typeAhead_;
    QElapsedTimer typeAheadClock_;
    int typeAheadTimeoutMs_ = kTypeAheadTimeoutMs;
};

} // namespace artikel
