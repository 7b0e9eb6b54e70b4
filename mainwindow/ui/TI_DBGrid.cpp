#include "mainwindow/ui/TI_DBGrid.h"

#include "data/TListDataSet.h"
#include "mainwindow/GridCellText.h"
#include "mainwindow/ProgramTitle.h"
#include "mainwindow/ui/TColSelectBase.h"
#include "mainwindow/ui/TGridDelegate.h"
#include "platform/FileRetry.h"
#include "platform/Win1252.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/FormClassRegistry.h"
#include "platform/ui/ShellOpen.h"
#include "platform/ui/TFSB_BOX.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QToolTip>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace artikel {

TI_DBGrid::TI_DBGrid(QWidget* parent)
    : QTableView(parent),
      model_(new TListDataSetModel(this))
{
    setObjectName(QStringLiteral("I_DBGrid1"));
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // The delegate draws the column and row lines, each kind switched on its own.
    setShowGrid(false);
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
    // A right click on the titles chooses the columns.
    titles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(titles, &QWidget::customContextMenuRequested, this,
            [this, titles](const QPoint& pos) { OpenColumnSelection(titles->mapToGlobal(pos)); });
    titles->setFont(QFont(QStringLiteral("Tahoma"), 9));

    // The selection stays visible while another control has the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
    setItemDelegate(new TGridDelegate(this));
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    fileShower_ = ShowFileInFolder;
    // Record numbers lose their meaning whenever the rows are rebuilt.
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        rowMarks_.Clear();
        rowMarks_.banding = bandPending_ = false;
    });

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
    hiddenWidths_.clear();
    std::vector<int> widths;
    widths.reserve(columns.size());
    for (const TGridColumn& c : columns)
        widths.push_back(c.width);
    // The header keeps its sections' order and hidden state across a reset with as many columns:
    // without any columns in between, the previous database's layout does not carry over.
    if (!model_->Columns().empty())
        model_->SetColumns({});
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

std::string TI_DBGrid::SelectedField() const { return model_->ColumnField(currentIndex().column()); }

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
        UpdateGridLineColor();
        QTableView::paintEvent(event);
        if (rowMarks_.banding) {
            QPainter painter(viewport());
            QColor fill = kBandColor;
            fill.setAlpha(127);
            const QRect band = rowMarks_.Band();
            painter.fillRect(band, fill);
            painter.setPen(kBandColor);
            painter.drawRect(band.adjusted(0, 0, -1, -1));
        }
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
        // A reset drops the current index: the column the user was in stays current.
        const int column = currentIndex().isValid() ? currentIndex().column() : lastColumn_;
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
    if (current.isValid())
        lastColumn_ = current.column();
    if (following_ || !current.isValid())
        return;
    TListDataSet* ds = model_->DataSet();
    if (!ds || model_->Suspended() || ds->CurrentRow() == current.row())
        return;
    following_ = true;
    ds->SetRecNo(current.row() + 1);
    following_ = false;
}

// ---------------------------------------------------------------- tokens, links, hints

void TI_DBGrid::SetSearchTokens(std::vector<std::string> tokens)
{
    searchTokens_ = std::move(tokens);
    viewport()->update();
}

bool TI_DBGrid::IsLinkCell(const QModelIndex& index) const
{
    return index.isValid() && IsLinkText(model_->CellText(index.row(), index.column()));
}

bool TI_DBGrid::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        const std::string_view text =
            index.isValid() ? model_->CellText(index.row(), index.column()) : std::string_view();
        if (text.empty() || IsLinkText(text))
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), FromAnsi(text), viewport(), visualRect(index));
        return true;
    }
    return QTableView::viewportEvent(event);
}

std::string TI_DBGrid::PictureFolder() const { return artikel::PictureFolder(layoutName_); }

bool TI_DBGrid::OpenCellLink()
{
    const QModelIndex current = currentIndex();
    if (!IsLinkCell(current))
        return false;
    const std::string value(model_->CellText(current.row(), current.column()));
    const std::string folder = PictureFolder();
    size_t start = 0;
    while (start <= value.size()) {
        const size_t end = std::min(value.find('\xAC', start), value.size());
        const std::string name = Win1252ToUtf8(StripLinkPrefixes(std::string_view(value).substr(start, end - start)));
        start = end + 1;
        if (name.empty())
            continue;
        if (const std::string picture = ResolvePictureLink(folder, name); !picture.empty()) {
            fileShower_(picture);
            continue;
        }
        fileShower_(WritePictureHint(folder));
    }
    return true;
}

// ---------------------------------------------------------------- mouse and keys

void TI_DBGrid::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    TListDataSet* ds = DataSet();
    if (event->button() == Qt::LeftButton && index.isValid() && ds && ds->RecordCount() > 1) {
        if (event->modifiers() & Qt::ControlModifier) {
            rowMarks_.Toggle(index.row());
            viewport()->update();
            return;
        }
        rowMarks_.bandStart = rowMarks_.bandEnd = rowMarks_.lastDrawn = event->position().toPoint();
        rowMarks_.additive = (event->modifiers() & Qt::ShiftModifier) != 0;
        bandPending_ = true;
    }
    QTableView::mousePressEvent(event);
}

void TI_DBGrid::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    viewport()->setCursor(IsLinkCell(indexAt(pos)) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (bandPending_ && (event->buttons() & Qt::LeftButton)) {
        rowMarks_.bandEnd = pos;
        if ((pos - rowMarks_.lastDrawn).manhattanLength() > QApplication::startDragDistance()) {
            rowMarks_.banding = true;
            rowMarks_.lastDrawn = pos;
            viewport()->update();
        }
        if (rowMarks_.banding)
            return;
    }
    QTableView::mouseMoveEvent(event);
}

void TI_DBGrid::FinishBand()
{
    const QRect band = rowMarks_.Band();
    const int first = rowAt(0);
    int last = rowAt(viewport()->height() - 1);
    if (last < 0)
        last = model_->rowCount() - 1;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    const int left = columnViewportPosition(column);
    const int right = width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    int lastBottom = -1;
    for (int row = first; first >= 0 && row <= last; ++row) {
        const QRect strip(left, rowViewportPosition(row), std::max(1, right - left), rowHeight(row));
        lastBottom = strip.bottom();
        if (!strip.intersects(band))
            continue;
        if (!rowMarks_.Mark(row) && !rowMarks_.additive)
            rowMarks_.Unmark(row);
    }
    if (rowMarks_.Count() == 1) {
        // A drag inside one row is a plain click.
        rowMarks_.Clear();
        if (last >= 0 && band.bottom() > lastBottom)
            selectionModel()->setCurrentIndex(model_->index(last, column), QItemSelectionModel::ClearAndSelect);
    }
}

void TI_DBGrid::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const QModelIndex under = indexAt(pos);
    const bool banded = rowMarks_.banding;
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    if (banded) {
        rowMarks_.bandEnd = pos;
        FinishBand();
        rowMarks_.banding = false;
        viewport()->update();
    } else if (!ctrl && !rowMarks_.Empty() && event->button() == Qt::LeftButton) {
        rowMarks_.Clear();
        viewport()->update();
    }
    bandPending_ = false;
    QTableView::mouseReleaseEvent(event);
    if (!under.isValid() || under.column() != currentIndex().column())
        viewport()->setCursor(Qt::ArrowCursor);
    else if (!banded && !ctrl)
        OpenCellLink();
}

void TI_DBGrid::LocateTyped()
{
    TListDataSet* ds = DataSet();
    const std::string field = SelectedField();
    if (!ds || field.empty() || typeAhead_.empty())
        return;
    try {
        ds->Locate(field, "*" + typeAhead_ + "*");
    } catch (const std::exception&) {
        // A column without a field of the dataset: nothing to locate.
    }
}

bool TI_DBGrid::TypeAheadKey(QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (typeAheadClock_.isValid() && typeAheadClock_.elapsed() > typeAheadTimeoutMs_)
        typeAhead_.clear();
    if (event->key() == Qt::Key_Escape) {
        const bool had = !typeAhead_.empty();
        typeAhead_.clear();
        return had;
    }
    if (event->key() == Qt::Key_Backspace) {
        if (typeAhead_.empty())
            return false;
        typeAhead_.pop_back();
        typeAheadClock_.start();
        LocateTyped();
        return true;
    }
    const QString text = event->text();
    if (text.isEmpty() || (text.at(0) != QLatin1Char(' ') && text.at(0) < QLatin1Char('*')))
        return false;
    typeAhead_ += ToAnsi(text);
    typeAheadClock_.start();
    LocateTyped();
    return true;
}

void TI_DBGrid::keyPressEvent(QKeyEvent* event)
{
    TListDataSet* ds = DataSet();
    if ((event->modifiers() & Qt::ShiftModifier) && ds && currentIndex().isValid() &&
        rowMarks_.Mark(currentIndex().row()))
        viewport()->update();
    if (event->matches(QKeySequence::SelectAll)) {
        rowMarks_.MarkAll(model_->rowCount());
        viewport()->update();
        return;
    }
    if (TypeAheadKey(event))
        return;
    if (event->key() == Qt::Key_Escape && !rowMarks_.Empty()) {
        rowMarks_.Clear();
        viewport()->update();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && OpenCellLink())
        return;
    QTableView::keyPressEvent(event);
}

// ---------------------------------------------------------------- column layout

Qt::Alignment TI_DBGrid::ColumnAlignment(int column) const
{
    const auto& columns = model_->Columns();
    if (column < 0 || column >= static_cast<int>(columns.size()))
        return Qt::AlignLeft;
    return columns[static_cast<size_t>(column)].alignment & Qt::AlignHorizontal_Mask;
}

namespace {

TColumnAlignment FromQt(Qt::Alignment a)
{
    if (a & Qt::AlignRight)
        return TColumnAlignment::Right;
    if (a & Qt::AlignHCenter)
        return TColumnAlignment::Center;
    return TColumnAlignment::Left;
}

Qt::Alignment ToQt(TColumnAlignment a)
{
    switch (a) {
    case TColumnAlignment::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case TColumnAlignment::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case TColumnAlignment::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

} // namespace

std::vector<TColumnState> TI_DBGrid::ColumnStates() const
{
    std::vector<TColumnState> states;
    const QHeaderView* header = horizontalHeader();
    const auto& columns = model_->Columns();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || logical >= static_cast<int>(columns.size()))
            continue;
        const TGridColumn& c = columns[static_cast<size_t>(logical)];
        const bool hidden = isColumnHidden(logical);
        // A hidden section reports width 0: keep the width it had.
        const auto kept = hiddenWidths_.find(logical);
        const int width = !hidden ? columnWidth(logical) : kept != hiddenWidths_.end() ? kept->second : c.width;
        states.push_back({c.fieldName, width, !hidden, FromQt(c.alignment), FromQt(c.titleAlignment)});
    }
    return states;
}

TColumnState TI_DBGrid::ColumnStateOf(int column) const
{
    const auto& columns = model_->Columns();
    if (column < 0 || column >= static_cast<int>(columns.size()))
        return {};
    const TGridColumn& c = columns[static_cast<size_t>(column)];
    const bool hidden = isColumnHidden(column);
    const auto kept = hiddenWidths_.find(column);
    const int width = !hidden ? columnWidth(column) : kept != hiddenWidths_.end() ? kept->second : c.width;
    return {c.fieldName, width, !hidden, FromQt(c.alignment), FromQt(c.titleAlignment)};
}

void TI_DBGrid::SetColumnAlignments(int column, TColumnAlignment cell, TColumnAlignment title)
{
    model_->SetColumnAlignment(column, ToQt(cell), ToQt(title));
    viewport()->update();
}

void TI_DBGrid::OpenColumnSelection(const QPoint& globalPos)
{
    const QString className = QString::fromLatin1(kColSelectClassName);
    std::unique_ptr<TColSelectBase> dialog(CreateFormOf<TColSelectBase>(className, this));
    if (!dialog) {
        ShowMessageBox(MissingClassMessage(className));
        return;
    }
    dialog->SetGrid(this, layoutName_);
    dialog->Prepare(globalPos);
    dialog->exec();
    dialog.reset();
    updateGeometries();
    viewport()->update();
}

void TI_DBGrid::SetColumnVisible(int column, bool visible)
{
    if (visible == !isColumnHidden(column))
        return;
    if (!visible)
        hiddenWidths_[column] = columnWidth(column);
    else
        hiddenWidths_.erase(column);
    setColumnHidden(column, !visible);
}

void TI_DBGrid::SetGridLines(bool columnLines, bool rowLines)
{
    columnLines_ = columnLines;
    rowLines_ = rowLines;
    viewport()->update();
}

void TI_DBGrid::UpdateGridLineColor()
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int hint = style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this);
    gridLineColor_ = QColor::fromRgba(static_cast<QRgb>(hint));
}

void TI_DBGrid::SetAutoSize(bool on)
{
    autoSize_ = on;
    horizontalHeader()->setSectionResizeMode(on ? QHeaderView::Stretch : QHeaderView::Interactive);
}

void TI_DBGrid::LoadColumnLayout()
{
    if (layoutName_.empty())
        return;
    setUpdatesEnabled(false);
    if (const std::optional<TGridOptions> options = ReadGridOptions(layoutName_)) {
        const TGridOptions& o = *options;
        SetGridLines(o.columnLines, o.rowLines);
        if (!o.currentField.empty()) {
            const auto& columns = model_->Columns();
            for (size_t i = 0; i < columns.size(); ++i)
                if (columns[i].fieldName == o.currentField) {
                    const int row = std::max(0, currentIndex().row());
                    if (row < model_->rowCount())
                        selectionModel()->setCurrentIndex(model_->index(row, static_cast<int>(i)),
                                                          QItemSelectionModel::ClearAndSelect);
                    break;
                }
        }
        SetAutoSize(o.autoSize);
    }
    if (TSavedColumns savedColumns = ReadSavedColumns(layoutName_); savedColumns.present) {
        const bool autoSize = autoSize_;
        SetAutoSize(false);
        const std::optional<std::vector<TColumnState>>& saved = savedColumns.columns;
        if (saved) {
            QHeaderView* header = horizontalHeader();
            const auto& columns = model_->Columns();
            for (size_t i = 0; i < saved->size(); ++i) {
                const TColumnState& s = (*saved)[i];
                int j = -1;
                for (int visual = 0; visual < header->count(); ++visual)
                    if (columns[static_cast<size_t>(header->logicalIndex(visual))].fieldName == s.fieldName) {
                        j = visual;
                        break;
                    }
                if (j < 0)
                    continue;
                const int logical = header->logicalIndex(j);
                SetColumnVisible(logical, true);
                setColumnWidth(logical, s.width);
                SetColumnVisible(logical, s.visible);
                model_->SetColumnAlignment(logical, ToQt(s.alignment), ToQt(s.titleAlignment));
                if (j != static_cast<int>(i) && static_cast<int>(i) < header->count())
                    header->swapSections(static_cast<int>(i), j);
            }
        }
        SetAutoSize(autoSize);
    }
    setUpdatesEnabled(true);
    viewport()->update();
}

void TI_DBGrid::SaveColumnLayout(bool columnLines, bool rowLines, bool autoSize)
{
    // Without a database there is no folder to keep a layout in.
    if (layoutName_.empty())
        return;
    WriteFileAtomic(ColFileName(layoutName_), EncodeColumns(ColumnStates()), TLinkPolicy::Replace);
    try {
        WriteFileAtomic(CoxFileName(layoutName_), EncodeGridOptions({columnLines, rowLines, SelectedField(), autoSize}),
                        TLinkPolicy::Replace);
    } catch (const std::exception&) {
        // The options are a convenience; the columns are saved.
    }
}

} // namespace artikel
