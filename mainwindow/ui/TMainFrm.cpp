#include "mainwindow/ui/TMainFrm.h"

#include "basket/ui/TBasketCustomView.h"
#include "catalog/TCSVRequest.h"
#include "catalog/ui/TCatalogCommands.h"
#include "catalog/ui/TImporter.h"
#include "catalog/ui/TLeftTree.h"
#include "catalog/ui/TNodeData.h"
#include "data/TASyncLoader.h"
#include "data/TListDataSet.h"
#include "data/qt/TQtSyncWindow.h"
#include "mainwindow/ProgramTitle.h"
#include "mainwindow/ui/FindGlyphs.h"
#include "mainwindow/ui/GridCopy.h"
#include "mainwindow/ui/OfficeSend.h"
#include "mainwindow/ui/StatusLine.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "mainwindow/ui/ToolGlyphs.h"
#include "officelink/ui/TVisualDeliverySetup.h"
#include "platform/Folders.h"
#include "platform/MiniMarkup.h"
#include "platform/TextUtils.h"
#include "platform/uUserMode.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/FormPlacement.h"
#include "platform/ui/MainForm.h"
#include "platform/ui/TMarkupLabel.h"
#include "platform/ui/TSingleInstance.h"
#include "platform/ui/TWiiProgressBar.h"
#include "search/ui/TAutoComplete.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QSizeGrip>
#include <QSplitter>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>

#include <ctime>
#include <functional>

namespace artikel {
namespace {

// The message the window posts itself when it is first shown (the first user message).
const QEvent::Type kStartUpEvent = static_cast<QEvent::Type>(QEvent::User + 1);

constexpr int kTopHeight = 37;
constexpr int kStatusHeight = 27;
constexpr int kLeftWidth = 208;
constexpr int kGridSpacer = 4;

QWidget* WhitePanel(const char* name, QWidget* parent)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::white);
    panel->setPalette(pal);
    return panel;
}

// A thin rule between the tool row, the work area and the status row.
QFrame* Rule(QWidget* parent)
{
    auto* rule = new QFrame(parent);
    rule->setFrameShape(QFrame::NoFrame);
    rule->setFixedHeight(1);
    rule->setAutoFillBackground(true);
    QPalette pal = rule->palette();
    pal.setColor(QPalette::Window, QColor(218, 224, 232));
    rule->setPalette(pal);
    return rule;
}

QToolButton* GlyphButton(const char* name, const QIcon& icon, const QString& hint, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setIcon(icon);
    button->setIconSize(QSize(20, 20));
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QPushButton* FlatButton(const char* name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(QStringLiteral(
        "QPushButton { border: 1px solid rgb(160,175,200); background: rgb(244,247,252); padding: 0 6px; }"
        "QPushButton:hover { background: rgb(226,236,250); }"
        "QPushButton:pressed { background: rgb(205,220,242); }"
        "QPushButton:disabled { color: rgb(150,150,150); border-color: rgb(205,205,205); background: rgb(248,248,248); "
        "}"));
    return button;
}

// Hands the find box's keys to the window; installed before the auto-complete attaches, so the
// suggestion list sees every key first.
class TFindKeyFilter : public QObject {
public:
    explicit TFindKeyFilter(std::function<bool(QKeyEvent*)> onKey)
        : onKey_(std::move(onKey))
    {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            return onKey_(static_cast<QKeyEvent*>(event));
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<bool(QKeyEvent*)> onKey_;
};

} // namespace

TMainFrm::TMainFrm(const std::string& clientRoot, QWidget* parent, std::unique_ptr<IOfficeLink> officeLink)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(FromAnsi(kProgramTitle));
    QFont f = font();
    f.setPointSize(9);
    setFont(f);
    resize(809, 463);
    SetMainForm(this);

    CreateLayout();

    // Creation order: indicator, loader, row marks, find state, catalog, tree, find-box menu and
    // auto-complete, exchange server, look, placement, find buttons, caption.
    wii_ = new TWiiProgressBar(pwii_);
    const int side = kStatusHeight - 4;
    wii_->setGeometry(2, 2, side, side);
    wii_->Appearance().normalColor = QColor(157, 191, 225);
    wii_->Appearance().activeBorder = Qt::black;
    wii_->setEnabled(false);
    wii_->hide();
    pwii_->setFixedWidth(side + 5);

    loader_ = std::make_unique<TASyncLoader>(QtSynchronizerManager(),
                                             [this](TImportWorker&, std::unique_ptr<TListDataSet> dataSet,
                                                    const std::string& tag,
                                                    const std::string&) { OnDatabaseLoaded(std::move(dataSet), tag); });
    // The row marks of the grid join here with the grid's marking.
    grid_->SetDataSet(nullptr);

    catalog_ = std::make_unique<TCSVRequest>(clientRoot.empty() ? GetClientRoot() : clientRoot,
                                             officeLink ? std::move(officeLink) : ExchangeOfficeLink());
    CreateTree();
    commands_ = std::make_unique<TCatalogCommands>(*this);
    connect(fdelecat_, &QAction::triggered, this, [this] { commands_->FDELECATClick(); });
    connect(delall_, &QAction::triggered, this, [this] { commands_->DELALLClick(); });
    connect(fprop_, &QToolButton::clicked, this, [this] { commands_->FPROPClick(); });
    commands_->SetFieldAssignmentEditor([this](const std::vector<std::string>& columns, TCSVSetup& setup,
                                               std::string& caption, const std::string& source) {
        EditFieldAssignment(columns, setup, caption, source, this, ShowSourceFile);
    });
    importer_ = std::make_unique<TImporter>(*this);
    connect(clipboardAction_, &QAction::triggered, this, [this] { importer_->ImportFromClipboard(); });
    connect(fdbresync_, &QAction::triggered, this, [this] { importer_->FDBRESYNCClick(); });
    CreateAutoComplete();
    // The find box's text menu and the exchange-server selection are created here.

    // The program's hints: white bold text on blue.
    QPalette hint = QToolTip::palette();
    hint.setColor(QPalette::ToolTipBase, QColor(51, 102, 153));
    hint.setColor(QPalette::ToolTipText, Qt::white);
    QToolTip::setPalette(hint);
    QFont hintFont = font();
    hintFont.setBold(true);
    QToolTip::setFont(hintFont);

    auto* grip = new QSizeGrip(pb_);
    pb_->layout()->addWidget(grip);
    static_cast<QBoxLayout*>(pb_->layout())->setAlignment(grip, Qt::AlignRight | Qt::AlignBottom);

    RestoreFormPlacement(this, "", kPlacementPrefix, true);
    setWindowTitle(windowTitle() + QStringLiteral(" [ Version: ") + QStringLiteral(ARTIKELBLICK_VERSION) +
                   QStringLiteral("]"));

    connect(grid_, &TI_DBGrid::TitleClicked, this, &TMainFrm::SortByGridColumn);
    CreateGridMenu();
    ffindclear_->setEnabled(false);
    ffiind_->setEnabled(false);
    fnewsubnode_->setEnabled(false);
    auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(f3, &QShortcut::activated, this, [this] {
        if (editFind_->isEnabled())
            editFind_->setFocus();
    });
    auto* f7 = new QShortcut(QKeySequence(Qt::Key_F7), this);
    connect(f7, &QShortcut::activated, flx_, &QPushButton::click);
    qApp->installEventFilter(this);
}

TMainFrm::~TMainFrm()
{
    destroying_ = true;
    qApp->removeEventFilter(this);
    if (basketMode_)
        CloseBasket();
    autoComplete_.reset();
    // The loader waits for a running load and still delivers it; the delivery is dropped.
    loader_.reset();
    FreeDataSet();
    importer_.reset();
    commands_.reset();
    delete tree_;
    tree_ = nullptr;
    catalog_.reset();
    if (loadCursor_)
        EndBusyCursor();
    if (MainForm() == this)
        SetMainForm(nullptr);
}

// ---------------------------------------------------------------- layout

void TMainFrm::CreateLayout()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(CreateToolRow());
    outer->addWidget(Rule(this));

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("SplitterX1"));
    splitter_->setHandleWidth(5);
    splitter_->setChildrenCollapsible(false);
    splitter_->setStyleSheet(QStringLiteral("QSplitter#SplitterX1::handle { background: rgb(254,245,188); }"));
    splitter_->addWidget(CreateLeftPanel());

    auto* gridPanel = WhitePanel("PGRID", splitter_);
    auto* gridLayout = new QHBoxLayout(gridPanel);
    gridLayout->setContentsMargins(kGridSpacer, 0, kGridSpacer, 0);
    grid_ = new TI_DBGrid(gridPanel);
    // A locate (type-ahead in the grid) drops the filter without the window's doing.
    connect(&grid_->Model(), &QAbstractItemModel::modelReset, this, &TMainFrm::FollowDataSetFilter);
    grid_->SetTag(TI_DBGrid::kTagNothingChosen);
    grid_->SetScrollBarsShown(false);
    gridLayout->addWidget(grid_);
    splitter_->addWidget(gridPanel);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({kLeftWidth, 809 - kLeftWidth});
    outer->addWidget(splitter_, 1);
    outer->addWidget(Rule(this));

    outer->addWidget(CreateStatusRow());
}

QWidget* TMainFrm::CreateToolRow()
{
    ptop_ = WhitePanel("PTOP", this);
    ptop_->setFixedHeight(kTopHeight);

    fnewcat_ = GlyphButton("FNEWCAT", NewSourceGlyph(), QStringLiteral("Neue Quelle"), ptop_);
    fnewcat_->setGeometry(9, 8, 35, 25);
    connect(fnewcat_, &QToolButton::clicked, this, [this] { ImportSources({}); });

    flatSpeedButton1_ = GlyphButton("FlatSpeedButton1", DropDownGlyph(), QString(), ptop_);
    flatSpeedButton1_->setGeometry(44, 8, 21, 25);

    popupDbDel_ = new QMenu(this);
    popupDbDel_->setObjectName(QStringLiteral("oxPopupMenuDBDEL"));
    clipboardAction_ = popupDbDel_->addAction(QStringLiteral("Aus Zwischenablage einf\u00fcgen"));
    popupDbDel_->addSeparator();
    fdelecat_ = popupDbDel_->addAction(QStringLiteral("Datenbank l\u00f6schen"));
    fdelecat_->setObjectName(QStringLiteral("FDELECAT"));
    popupDbDel_->addSeparator();
    fdbresync_ = popupDbDel_->addAction(QStringLiteral("Datenbank aktualisieren"));
    fdbresync_->setObjectName(QStringLiteral("FDBRESYNC"));
    popupDbDel_->addSeparator();
    delall_ = popupDbDel_->addAction(QStringLiteral("Alle Datenbanken l\u00f6schen"));
    delall_->setObjectName(QStringLiteral("DELALL"));
    QFont bold = delall_->font();
    bold.setBold(true);
    delall_->setFont(bold);
    connect(flatSpeedButton1_, &QToolButton::clicked, this,
            [this] { popupDbDel_->popup(flatSpeedButton1_->mapToGlobal(QPoint(0, flatSpeedButton1_->height()))); });

    CreateFindBox();

    pbut_ = new QWidget(ptop_);
    pbut_->setObjectName(QStringLiteral("PBUT"));
    flx_ = FlatButton("FLX", QStringLiteral("Zeile nach Ledgix senden  [F7]"), pbut_);
    flx_->setGeometry(3, 8, 200, 25);
    fstartBasket_ = FlatButton("FStartBasket", QStringLiteral("Start Korb"), pbut_);
    fstartBasket_->setGeometry(209, 8, 90, 25);
    connect(flx_, &QPushButton::clicked, this, &TMainFrm::SendRows);
    connect(fstartBasket_, &QPushButton::clicked, this, &TMainFrm::StartBasket);

    auto* row = new QHBoxLayout(ptop_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    pbut_->setFixedSize(313, kTopHeight);
    row->addWidget(pbut_);
    return ptop_;
}

void TMainFrm::CreateFindBox()
{
    // The find box and its buttons take 76..388 of the tool row.
    editFind_ = new QLineEdit(ptop_);
    editFind_->setObjectName(QStringLiteral("EditFind"));
    editFind_->setGeometry(76, 8, 181, 25);
    const QRect box = editFind_->geometry();
    ffindclear_ = GlyphButton("FFINDCLEAR", ClearFindGlyph(), QStringLiteral("Suche leeren"), ptop_);
    ffindclear_->setIconSize(QSize(14, 14));
    ffindclear_->setGeometry(box.right() + 1, box.top(), 23, box.height());
    ffiind_ = GlyphButton("FFIIND", SearchAgainGlyph(), QStringLiteral("Erneut suchen"), ptop_);
    ffiind_->setIconSize(QSize(16, 16));
    ffiind_->setGeometry(ffindclear_->geometry().right() + 1, box.top(), 23, box.height());
    const int filterLeft = ffiind_->geometry().right() + 7;
    const int filterWidth = (388 - filterLeft) / 2;
    fnewsubnode_ = GlyphButton("FNEWSUBNODE", AddFilterGlyph(), QStringLiteral("Als Filter hinzuf\u00fcgen"), ptop_);
    fnewsubnode_->setGeometry(filterLeft, box.top(), filterWidth, box.height());
    fdelsubnode_ = GlyphButton("FDELSUBNODE", RemoveFilterGlyph(), QStringLiteral("Filter entfernen"), ptop_);
    fdelsubnode_->setGeometry(filterLeft + filterWidth, box.top(), 388 - filterLeft - filterWidth, box.height());

    connect(ffindclear_, &QToolButton::clicked, this, [this] {
        ClearFindTextSilently();
        ApplySearch({});
    });
    connect(ffiind_, &QToolButton::clicked, this,
            [this] { ApplySearch(std::string(TrimText(ToAnsi(editFind_->text())))); });
    connect(fnewsubnode_, &QToolButton::clicked, this, [this] { commands_->FNEWSUBNODEClick(); });
    connect(fdelsubnode_, &QToolButton::clicked, this, [this] { commands_->FDELSUBNODEClick(); });
}

void TMainFrm::CreateAutoComplete()
{
    // Order matters: the window's key filter first and the text handler last, so the suggestion
    // list handles every key and every change before the window does.
    findKeyFilter_ = std::make_unique<TFindKeyFilter>([this](QKeyEvent* event) { return EditFindKey(event); });
    editFind_->installEventFilter(findKeyFilter_.get());
    // From here on the window's settings live in the scratch folder; the auto-learning switch
    // below is read from there, where the suggestion editor stores it.
    SetUserModeFolder(GetScratchFolder());
    autoComplete_ = std::make_unique<TAutoComplete>(catalog_->RootFolder() + kWordFileName);
    autoComplete_->SetUpForFindBox();
    autoComplete_->SymbolMenuEntry = false;
    autoComplete_->Attach(editFind_);
    autoComplete_->OnSelected = [this] { ApplySearch(std::string(TrimText(ToAnsi(editFind_->text())))); };
    connect(editFind_, &QLineEdit::textChanged, this, &TMainFrm::EditFindChange);
    autoComplete_->SetErrorHandler([this](const std::string& message) { ShowFindError(message); });
    try {
        autoComplete_->Reload();
    } catch (const std::exception& e) {
        ShowFindError(e.what());
    }
}

QWidget* TMainFrm::CreateStatusRow()
{
    pb_ = WhitePanel("PB", this);
    pb_->setFixedHeight(kStatusHeight);
    auto* row = new QHBoxLayout(pb_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    pwii_ = new QWidget(pb_);
    pwii_->setObjectName(QStringLiteral("PWII"));
    pwii_->setFixedHeight(kStatusHeight);
    pwii_->hide();
    row->addWidget(pwii_);

    psh_ = new TMarkupLabel(pb_);
    psh_->setObjectName(QStringLiteral("PSH"));
    psh_->setContentsMargins(6, 0, 0, 0);
    // Two lines (the counts, the times) in the 27-pixel row.
    QFont statusFont = psh_->font();
    statusFont.setPointSize(8);
    psh_->setFont(statusFont);
    row->addWidget(psh_, 0, Qt::AlignVCenter);
    row->addSpacing(5);

    hlCopied_ = new TMarkupLabel(pb_);
    hlCopied_->setObjectName(QStringLiteral("HLCopied"));
    hlCopied_->setFixedSize(273, 17);
    hlCopied_->setEllipsis(true);
    row->addWidget(hlCopied_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    return pb_;
}

QWidget* TMainFrm::CreateLeftPanel()
{
    pleft_ = WhitePanel("PLEFT", this);
    pleft_->setMinimumWidth(60);
    auto* column = new QVBoxLayout(pleft_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    panel2_ = WhitePanel("Panel2", pleft_);
    panel2_->setFixedHeight(40);
    fprop_ = GlyphButton("FPROP", AssignGlyph(), QStringLiteral("Anpassen"), panel2_);
    fprop_->setGeometry(8, 8, 35, 25);
    column->addWidget(panel2_);
    return pleft_;
}

void TMainFrm::CreateTree()
{
    tree_ = new TLeftTree(pleft_);
    tree_->setObjectName(QStringLiteral("LeftTree"));
    tree_->SetCatalog(catalog_.get());
    tree_->SetOnNodeSelected(
        [this](TTreeNode*, const TNodeData& nodeData, bool refire) { OnNodeSelected(nodeData, refire); });
    tree_->SetOnKeyDown([this](int key, Qt::KeyboardModifiers shift) { TreeKeyDown(key, shift); });
    tree_->SetOnDblClick([this] { fprop_->click(); });
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popupDbDel_->popup(tree_->mapToGlobal(pos)); });
    static_cast<QVBoxLayout*>(pleft_->layout())->addWidget(tree_, 1);
    tree_->show();
}

// ---------------------------------------------------------------- start and close

void TMainFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!startPosted_) {
        startPosted_ = true;
        QCoreApplication::postEvent(this, new QEvent(kStartUpEvent));
    }
}

void TMainFrm::customEvent(QEvent* event)
{
    if (event->type() == kStartUpEvent) {
        StartUp();
        return;
    }
    QWidget::customEvent(event);
}

void TMainFrm::StartUp()
{
    setAcceptDrops(true);
    {
        TBusyCursorGuard busy;
        lastNodeId_ = ReadUserModeString(kLastNodeKey, "");
        catalog_->ReloadNodes();
        tree_->RebuildTree(lastNodeId_);
        ForceForegroundWindow(this);
    }
    started_ = true;
}

void TMainFrm::closeEvent(QCloseEvent* event)
{
    WriteUserModeString(kLastNodeKey, lastNodeId_);
    SaveFormPlacement(this, "", kPlacementPrefix);
    event->accept();
}

// ---------------------------------------------------------------- keys, wheel, drops

void TMainFrm::TreeKeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (shift != Qt::ControlModifier)
        return;
    if (key == Qt::Key_Delete)
        fdelecat_->trigger();
    else if (key == Qt::Key_F5)
        fdbresync_->trigger();
}

bool TMainFrm::eventFilter(QObject* watched, QEvent* event)
{
    // The wheel moves the current row while the find box has the focus, wherever the mouse is.
    if ((watched == grid_ || (grid_ && watched == grid_->viewport())) && GridEvent(watched, event))
        return true;
    if (event->type() == QEvent::Wheel && editFind_->hasFocus() && dataSet_ && dataSet_->Active()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
            if (delta < 0)
                dataSet_->Next();
            else if (delta > 0)
                dataSet_->Prior();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

namespace {

std::string DroppedFileList(const QMimeData* mime)
{
    std::string list;
    if (!mime || !mime->hasUrls())
        return list;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (path.isEmpty() || path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r')))
            continue;
        if (!list.empty())
            list += "\r\n";
        list += path.toStdString();
    }
    return list;
}

} // namespace

void TMainFrm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!importer_->AcceptsDrops() || DroppedFileList(event->mimeData()).empty()) {
        event->ignore();
        return;
    }
    if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else if (event->possibleActions() & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else {
        event->ignore();
        return;
    }
    event->accept();
}

void TMainFrm::dragMoveEvent(QDragMoveEvent* event)
{
    if (!importer_->AcceptsDrops()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void TMainFrm::dropEvent(QDropEvent* event)
{
    const std::string list = DroppedFileList(event->mimeData());
    // The source keeps its files: the drop reports no effect back.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (!list.empty())
        importer_->DropFiles(list);
}

// ---------------------------------------------------------------- copying

void TMainFrm::CreateGridMenu()
{
    popupGrid_ = new QMenu(this);
    popupGrid_->setObjectName(QStringLiteral("oxPopupMenuGrid"));
    mnuCopyText_ = popupGrid_->addAction(QStringLiteral("Kopieren"));
    mnuCopyText_->setObjectName(QStringLiteral("MNU_COPYTEXT"));
    zeilekopieren1_ = popupGrid_->addAction(QStringLiteral("Zeile(n) kopieren"));
    zeilekopieren1_->setObjectName(QStringLiteral("Zeilekopieren1"));
    connect(mnuCopyText_, &QAction::triggered, this, &TMainFrm::CopyCell);
    connect(zeilekopieren1_, &QAction::triggered, this, &TMainFrm::CopyRows);
}

bool TMainFrm::GridEvent(QObject* watched, QEvent* event)
{
    // The cells' menu; the title row has its own.
    if (watched == grid_->viewport() && event->type() == QEvent::ContextMenu) {
        popupGrid_->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_C && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
            CopyCell();
            return true;
        }
    }
    return false;
}

void TMainFrm::Play(TSound sound)
{
    ++soundCounts_[static_cast<int>(sound)];
    QApplication::beep();
}

void TMainFrm::CopyCell()
{
    const QModelIndex current = grid_->currentIndex();
    if (!dataSet_ || !current.isValid() || grid_->Model().ColumnField(current.column()).empty())
        return;
    const std::string text(grid_->Model().CellText(current.row(), current.column()));
    QApplication::clipboard()->setText(FromAnsi(text));
    // The label shows mini markup: what is left of the cell after stripping is shown as it is.
    hlCopied_->setText("| Kopiert:<b> " + EscapeMarkup(StripMarkup(text)));
    Play(TSound::WaveCopy);
}

void TMainFrm::CopyRows()
{
    if (!dataSet_ || !dataSet_->Active())
        return;
    TBusyCursorGuard busy;
    std::vector<int> rows = grid_->RowMarks().Marks();
    if (rows.empty()) {
        const int current = dataSet_->CurrentRow();
        if (current < 0)
            return;
        rows.push_back(current);
    }
    const TCopiedRows copied = CopyRowsText(*dataSet_, CopiedColumnFields(*grid_), rows);
    auto* mime = new QMimeData;
    mime->setText(FromAnsi(copied.text));
    mime->setHtml(QString::fromUtf8(copied.html.data(), static_cast<qsizetype>(copied.html.size())));
    QApplication::clipboard()->setMimeData(mime);
    Play(TSound::WaveCopy);
}

} // namespace artikel
