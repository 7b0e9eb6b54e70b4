#include "basket/ui/TBasketCustomView.h"

#include "basket/BasketFile.h"
#include "catalog/TCSVRequest.h"
#include "data/IDataSetObserver.h"
#include "data/TListDataSet.h"
#include "platform/MiniMarkup.h"
#include "platform/Win1252.h"
#include "platform/uUserMode.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/MarkupRenderer.h"
#include "platform/ui/TFSB_BOX.h"
#include "platform/ui/TMarkupLabel.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>
#include <QStyledItemDelegate>
#include <QThread>
#include <QToolButton>
#include <QToolTip>

#include <cmath>

namespace artikel {

// The positions queue as the rows of a list: one row per position of the queue's view.
class TBasketModel final : public QAbstractListModel, private IDataSetObserver {
public:
    explicit TBasketModel(QObject* parent)
        : QAbstractListModel(parent)
    {}
    ~TBasketModel() override
    {
        if (dataSet_)
            dataSet_->RemoveObserver(this);
    }
    void SetDataSet(TListDataSet* dataSet)
    {
        beginResetModel();
        if (dataSet_)
            dataSet_->RemoveObserver(this);
        dataSet_ = dataSet;
        if (dataSet_)
            dataSet_->AddObserver(this);
        Republish();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    QVariant data(const QModelIndex&, int) const override { return {}; }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
    }
    std::function<void()> onCursor;

private:
    void Republish() { rows_ = dataSet_ && dataSet_->Active() ? dataSet_->RecordCount() : 0; }
    void Reset()
    {
        beginResetModel();
        Republish();
        endResetModel();
        if (onCursor)
            onCursor();
    }
    void DataSetBeginUpdate(TListDataSet&) override { ++depth_; }
    void DataSetEndUpdate(TListDataSet&) override
    {
        if (depth_ == 0 || --depth_ > 0)
            return;
        if (std::exchange(refreshed_, false))
            Reset();
        else if (onCursor)
            onCursor();
    }
    void DataSetRefreshed(TListDataSet&) override
    {
        if (depth_ > 0)
            refreshed_ = true;
        else
            Reset();
    }
    void DataSetCursorMoved(TListDataSet&) override
    {
        if (depth_ == 0 && onCursor)
            onCursor();
    }
    void DataSetDestroyed(TListDataSet&) override
    {
        beginResetModel();
        dataSet_ = nullptr;
        rows_ = 0;
        endResetModel();
    }

    TListDataSet* dataSet_ = nullptr;
    int rows_ = 0;
    int depth_ = 0;
    bool refreshed_ = false;
};

namespace {

QPointer<TBasketCurrentView> g_basket;

const QEvent::Type kOpenEvent = static_cast<QEvent::Type>(QEvent::User + 11);

QIcon MenuGlyph()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(QColor(90, 90, 90), 2));
    for (int y : {4, 8, 12})
        p.drawLine(3, y, 13, y);
    return QIcon(pixmap);
}

QIcon CloseGlyph()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 2));
    p.drawLine(4, 4, 12, 12);
    p.drawLine(12, 4, 4, 12);
    return QIcon(pixmap);
}

QToolButton* HeaderButton(const char* name, const QIcon& icon, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setIcon(icon);
    button->setFixedSize(25, 25);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

class TPositionDelegate : public QStyledItemDelegate {
public:
    TPositionDelegate(const TBasketCurrentView* view, QObject* parent)
        : QStyledItemDelegate(parent),
          view_(view)
    {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool marked = (option.state & (QStyle::State_Selected | QStyle::State_HasFocus)) != 0;
        painter->fillRect(option.rect, marked ? QColor(255, 225, 121) : QColor(Qt::white));
        painter->save();
        QFont bold = option.font;
        bold.setBold(true);
        painter->setFont(bold);
        painter->setPen(Qt::black);
        QRect rect = option.rect.translated(2, 2);
        // Long lines run on to the border instead of wrapping.
        rect.setRight(rect.right() * 5);
        painter->setClipRect(option.rect);
        DrawMarkup(*painter, view_->RowText(index.row()), rect);
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return QSize(option.rect.width(), TBasketCurrentView::RowHeight(option.font));
    }

private:
    const TBasketCurrentView* view_;
};

} // namespace

TBasketCustomView::TBasketCustomView(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Korb"));
    setWindowTitle(QStringLiteral("Korb"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    fileDialog_ = DefaultFileDialog();

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->setSpacing(0);

    panel2_ = new QWidget(this);
    panel2_->setObjectName(QStringLiteral("Panel2"));
    panel2_->setFixedHeight(37);
    panel2_->installEventFilter(this);
    auto* header = new QHBoxLayout(panel2_);
    header->setContentsMargins(8, 4, 4, 4);
    hlc_ = new TMarkupLabel("<b>Korb</b>", panel2_);
    hlc_->setObjectName(QStringLiteral("HLC"));
    QFont titleFont = hlc_->font();
    titleFont.setPixelSize(15);
    titleFont.setBold(true);
    hlc_->setFont(titleFont);
    QPalette grey = hlc_->palette();
    grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
    hlc_->setPalette(grey);
    hlc_->installEventFilter(this);
    header->addWidget(hlc_, 1);
    send_ = new QPushButton(QStringLiteral("Senden"), panel2_);
    send_->setObjectName(QStringLiteral("FlatSpeedButton1"));
    send_->setFocusPolicy(Qt::NoFocus);
    send_->setFixedHeight(25);
    header->addWidget(send_);
    menuButton_ = HeaderButton("FlatSpeedButton2", MenuGlyph(), panel2_);
    header->addWidget(menuButton_);
    closeButton_ = HeaderButton("FlatSpeedButton3", CloseGlyph(), panel2_);
    header->addWidget(closeButton_);
    outer->addWidget(panel2_);

    model_ = new TBasketModel(this);
    grid_ = new QListView(this);
    grid_->setObjectName(QStringLiteral("I_DBGrid1"));
    grid_->setModel(model_);
    grid_->setUniformItemSizes(true);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setFrameShape(QFrame::NoFrame);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
    outer->addWidget(grid_, 1);

    auto* grip = new QSizeGrip(this);
    outer->addWidget(grip, 0, Qt::AlignRight | Qt::AlignBottom);

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("oxPopupMenu"));
    mnuOpen_ = menu_->addAction(QStringLiteral("Korb \u00f6ffnen"));
    mnuOpen_->setObjectName(QStringLiteral("MNU_OPEN"));
    mnuSave_ = menu_->addAction(QStringLiteral("Diesen Korb speichern"));
    mnuSave_->setObjectName(QStringLiteral("MNU_SAVE"));
    menu_->addSeparator();
    mnuEmpty_ = menu_->addAction(QStringLiteral("Korb leeren"));
    mnuEmpty_->setObjectName(QStringLiteral("MNU_EMPTY"));

    connect(send_, &QPushButton::clicked, this, [this] {
        if (OnSend && dataSet_)
            OnSend(*dataSet_);
    });
    connect(menuButton_, &QToolButton::clicked, this,
            [this] { menu_->popup(menuButton_->mapToGlobal(QPoint(0, menuButton_->height()))); });
    connect(closeButton_, &QToolButton::clicked, this, [this] {
        closedRaised_ = true;
        if (OnClosed)
            OnClosed(this);
    });
    connect(mnuEmpty_, &QAction::triggered, this, [this] { RunCommand([this] { EmptyBasket(); }); });
    connect(mnuOpen_, &QAction::triggered, this, [this] { RunCommand([this] { OpenBasket(); }); });
    connect(mnuSave_, &QAction::triggered, this, [this] { RunCommand([this] { SaveBasket(); }); });

    // The grid and the queue's cursor follow each other.
    model_->onCursor = [this] {
        const int row = dataSet_ ? dataSet_->CurrentRow() : -1;
        if (row >= 0 && row < model_->rowCount())
            grid_->setCurrentIndex(model_->index(row));
    };
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (dataSet_ && current.isValid() && dataSet_->CurrentRow() != current.row())
            dataSet_->SetRecNo(current.row() + 1);
    });
    resize(324 + 4, 505 + 4);
}

TBasketCustomView::~TBasketCustomView() = default;

void TBasketCustomView::SetRequest(TCSVRequest* catalog)
{
    catalog_ = catalog;
    dataSet_ = catalog ? &catalog->PositionSet() : nullptr;
    model_->SetDataSet(dataSet_);
    if (model_->onCursor)
        model_->onCursor();
}

TBasketCustomView::TFileDialog TBasketCustomView::DefaultFileDialog()
{
    return [](QWidget* parent, bool save, const std::string& folder, const std::string& proposed,
              const QStringList& filters, int& filterIndex) -> std::string {
        QFileDialog dialog(parent, QString(), QFile::decodeName(QByteArray::fromStdString(folder)));
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilters(filters);
        dialog.setDefaultSuffix(QStringLiteral("csv"));
        if (filterIndex >= 1 && filterIndex <= filters.size())
            dialog.selectNameFilter(filters.at(filterIndex - 1));
        if (save && !proposed.empty())
            dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(proposed)));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        const int chosen = filters.indexOf(dialog.selectedNameFilter());
        if (chosen >= 0)
            filterIndex = chosen + 1;
        return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
    };
}

namespace {

std::string AskBasketFile(const TBasketCustomView::TFileDialog& dialog, QWidget* parent, bool save,
                          const std::string& folder, const std::string& proposed)
{
    const QStringList filters{QString::fromLatin1(TBasketCustomView::kFilter)};
    int index = ReadUserModeInteger(TBasketCustomView::kFilterIndexKey, 1);
    if (index < 1 || index > filters.size())
        index = 1;
    const std::string file = dialog(parent, save, folder, proposed, filters, index);
    if (!file.empty())
        WriteUserModeInteger(TBasketCustomView::kFilterIndexKey, index);
    return file;
}

} // namespace

void TBasketCustomView::EmptyBasket()
{
    if (dataSet_)
        dataSet_->Clear();
}

bool TBasketCustomView::OpenBasket()
{
    if (!dataSet_)
        return false;
    const std::string file =
        AskBasketFile(fileDialog_, this, false, catalog_ ? catalog_->BasketsFolder() : std::string(), {});
    if (file.empty())
        return false;
    OpenBasketFile(*dataSet_, file);
    return true;
}

bool TBasketCustomView::SaveBasket()
{
    if (!dataSet_)
        return false;
    std::string proposed;
    if (catalog_)
        proposed = Win1252ToUtf8(ProposedBasketFileName(catalog_->GetCurrentOrder().AddressText));
    const std::string file =
        AskBasketFile(fileDialog_, this, true, catalog_ ? catalog_->BasketsFolder() : std::string(), proposed);
    if (file.empty())
        return false;
    SaveBasketFile(*dataSet_, file);
    return true;
}

void TBasketCustomView::DeleteCurrent()
{
    if (!dataSet_ || !dataSet_->Active() || dataSet_->RecordCount() == 0)
        return;
    const QModelIndex current = grid_->currentIndex();
    if (current.isValid())
        dataSet_->SetRecNo(current.row() + 1);
    dataSet_->Delete();
}

void TBasketCustomView::RunCommand(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        ShowMessageBox(FromAnsi(e.what()));
    }
}

bool TBasketCustomView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == panel2_ || watched == hlc_) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* press = static_cast<QMouseEvent*>(event);
            if (press->button() == Qt::LeftButton) {
                movingWindow_ = true;
                dragOffset_ = press->globalPosition().toPoint() - pos();
                return true;
            }
        } else if (event->type() == QEvent::MouseMove && movingWindow_) {
            move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
            return true;
        } else if (event->type() == QEvent::MouseButtonRelease && movingWindow_) {
            movingWindow_ = false;
            return true;
        }
    }
    if (grid_ && watched == grid_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteCurrent();
        return true;
    }
    if (grid_ && watched == grid_->viewport() && event->type() == QEvent::ToolTip) {
        const std::string hint = RowHint();
        if (hint.empty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), FromAnsi(hint), grid_->viewport());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TBasketCustomView::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!std::exchange(closedRaised_, true) && OnClosed)
        OnClosed(this);
}

void TBasketCustomView::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    // The raised edge of the frameless window.
    QPainter p(this);
    const QRect r = rect();
    p.setPen(QColor(230, 230, 230));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(120, 120, 120));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(QColor(200, 200, 200));
    p.drawRect(r.adjusted(1, 1, -2, -2));
}

// ---------------------------------------------------------------- current view

TBasketCurrentView::TBasketCurrentView(QWidget* parent)
    : TBasketCustomView(parent)
{
    grid_->setItemDelegate(new TPositionDelegate(this, grid_));
    g_basket = this;
}

TBasketCurrentView::~TBasketCurrentView()
{
    if (g_basket == this)
        g_basket = nullptr;
}

int TBasketCurrentView::RowHeight(const QFont& font)
{
    QFont bold = font;
    bold.setBold(true);
    const int h = MeasureMarkup(bold, "<b>Wg<br>Wg", 200).height();
    return static_cast<int>(std::lround(1.2 * h));
}

std::string TBasketCurrentView::RowText(int row) const
{
    return Catalog() ? Catalog()->PositionDisplayText(row) : std::string();
}

std::string TBasketCurrentView::RowHint() const
{
    const QModelIndex current = grid_->currentIndex();
    return current.isValid() ? StripMarkup(RowText(current.row())) : std::string();
}

int TBasketCurrentView::SlideOffset(qint64 elapsedMs)
{
    const double t = std::min<double>(static_cast<double>(elapsedMs), 300.0) / 300.0 - 1.0;
    return static_cast<int>(std::lround((t * t * t * t * t + 1.0) * 20.0));
}

void TBasketCurrentView::showEvent(QShowEvent* event)
{
    TBasketCustomView::showEvent(event);
    if (!posted_) {
        posted_ = true;
        QCoreApplication::postEvent(this, new QEvent(kOpenEvent));
    }
}

void TBasketCurrentView::Slide(bool horizontal)
{
    const QPoint start = pos();
    if ((horizontal ? start.x() : start.y()) == 0)
        return;
    QPointer<TBasketCurrentView> alive(this);
    QElapsedTimer clock;
    clock.start();
    while (alive && clock.elapsed() < 300) {
        const int offset = SlideOffset(clock.elapsed());
        move(horizontal ? start + QPoint(offset, 0) : start + QPoint(0, offset));
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    if (alive)
        move(horizontal ? start + QPoint(20, 0) : start + QPoint(0, 20));
}

void TBasketCurrentView::customEvent(QEvent* event)
{
    if (event->type() != kOpenEvent) {
        TBasketCustomView::customEvent(event);
        return;
    }
    QPointer<TBasketCurrentView> alive(this);
    Slide(true);
    if (alive)
        Slide(false);
    if (alive)
        opened_ = true;
}

void TBasketCurrentView::resizeEvent(QResizeEvent* event)
{
    TBasketCustomView::resizeEvent(event);
    // The one column spans the list.
    grid_->doItemsLayout();
}

TBasketCurrentView* CurrentBasket() { return g_basket; }

TBasketCurrentView* ShowBasket(TCSVRequest* catalog, std::function<void(TListDataSet&)> onSend,
                               std::function<void(TBasketCustomView*)> onClosed)
{
    CloseBasket();
    auto* view = new TBasketCurrentView(nullptr);
    view->move(QCursor::pos());
    view->OnSend = std::move(onSend);
    view->OnClosed = std::move(onClosed);
    view->SetRequest(catalog);
    view->show();
    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos()) ? QGuiApplication::screenAt(QCursor::pos())
                                                                    : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        QRect frame = view->frameGeometry();
        if (frame.right() > area.right())
            frame.moveRight(area.right());
        if (frame.bottom() > area.bottom())
            frame.moveBottom(area.bottom());
        if (frame.left() < area.left())
            frame.moveLeft(area.left());
        if (frame.top() < area.top())
            frame.moveTop(area.top());
        view->move(frame.topLeft());
    }
    return view;
}

void CloseBasket()
{
    TBasketCurrentView* view = g_basket;
    if (!view)
        return;
    g_basket = nullptr;
    view->OnClosed = nullptr;
    view->OnSend = nullptr;
    view->hide();
    view->SetRequest(nullptr);
    view->deleteLater();
}

} // namespace artikel
