#include "mainwindow/ui/TFColSelectFrm.h"

#include "mainwindow/ui/TI_DBGrid.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/FormClassRegistry.h"
#include "platform/ui/TFSB_BOX.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace artikel {

void RegisterColumnSelection()
{
    RegisterFormClass(QString::fromLatin1(kColSelectClassName),
                      [](QWidget* parent) { return new TFColSelectFrm(parent); });
}

namespace {

QPushButton* FlatButton(const QString& text, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setFlat(true);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QComboBox* AlignmentList(const QString& hint, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->addItems({QStringLiteral("links"), QStringLiteral("rechts"), QStringLiteral("zentriert")});
    c->setToolTip(hint);
    return c;
}

QString WidthText(int width) { return QString::number(width) + QStringLiteral(" Punkte"); }

} // namespace

TFColSelectFrm::TFColSelectFrm(QWidget* parent)
    : TColSelectBase(parent)
{
    setWindowTitle(QStringLiteral("Spalten ausw\u00E4hlen"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    // The frame of a tool window takes the rest of the outer size limits (264-272 x 278-288).
    resize(256, 253);
    setMinimumSize(256, 253);
    setMaximumSize(264, 263);

    Lb = new QListWidget(this);
    Lb->setFont(QFont(QStringLiteral("Tahoma"), 9));
    Lb->setMinimumWidth(110);

    auto* label3 = new QLabel(QStringLiteral("Tauschen:"), this);
    ftop = FlatButton(QStringLiteral("\u25B2"), this);
    fbottom = FlatButton(QStringLiteral("\u25BC"), this);
    ftop->setFixedSize(22, 18);
    fbottom->setFixedSize(22, 18);
    alt = AlignmentList(QStringLiteral("Ausrichtung des Spaltentitels"), this);
    ald = AlignmentList(QStringLiteral("Ausrichtung der Daten"), this);
    lbpixel = new QLabel(QStringLiteral("Breite:"), this);
    fdec = FlatButton(QStringLiteral("<"), this);
    finc = FlatButton(QStringLiteral(">"), this);
    for (QPushButton* b : {fdec, finc}) {
        b->setToolTip(QStringLiteral("punktweise \u00E4ndern"));
        b->setFixedSize(14, 20);
    }
    wc = new QSlider(Qt::Horizontal, this);
    wc->setRange(kMinColumnWidth, kMaxColumnWidth);
    wc->setTickPosition(QSlider::TicksBelow);
    chcolsl = new QCheckBox(QStringLiteral("senkrechte Linien"), this);
    scrowsl = new QCheckBox(QStringLiteral("waagerechte Linien"), this);
    scautosize = new QCheckBox(QStringLiteral("AutoSize"), this);
    FlatSpeedButton3 = FlatButton(QStringLiteral("Alle Spalten gleich"), this);
    FlatSpeedButton1 = FlatButton(QStringLiteral("Layout &sichern"), this);
    FlatSpeedButton2 = FlatButton(QStringLiteral("Layout &laden"), this);
    B_OK = FlatButton(QStringLiteral("Schl&ie\u00DFen"), this);

    auto* right = new QVBoxLayout;
    right->setSpacing(1);
    auto* swap = new QHBoxLayout;
    swap->addWidget(label3);
    swap->addStretch();
    swap->addWidget(ftop);
    swap->addWidget(fbottom);
    right->addLayout(swap);
    right->addWidget(new QLabel(QStringLiteral("Ausrichtung Titel:"), this));
    right->addWidget(alt);
    right->addWidget(new QLabel(QStringLiteral("Ausrichtung Daten:"), this));
    right->addWidget(ald);
    right->addWidget(lbpixel);
    auto* width = new QHBoxLayout;
    width->setSpacing(0);
    width->addWidget(fdec);
    width->addWidget(wc, 1);
    width->addWidget(finc);
    right->addLayout(width);
    right->addWidget(chcolsl);
    right->addWidget(scrowsl);
    right->addWidget(scautosize);
    right->addStretch();
    right->addWidget(FlatSpeedButton3);
    right->addWidget(FlatSpeedButton1);
    right->addWidget(FlatSpeedButton2);
    right->addWidget(B_OK);

    auto* all = new QHBoxLayout(this);
    all->setContentsMargins(4, 4, 4, 4);
    all->setSpacing(4);
    all->addWidget(Lb, 1);
    all->addLayout(right);

    connect(Lb, &QListWidget::currentRowChanged, this, &TFColSelectFrm::ShowEntry);
    connect(Lb, &QListWidget::itemChanged, this, &TFColSelectFrm::EntryChanged);
    connect(wc, &QSlider::valueChanged, this, &TFColSelectFrm::WidthChanged);
    connect(fdec, &QPushButton::clicked, this, [this] { wc->setValue(wc->value() - 1); });
    connect(finc, &QPushButton::clicked, this, [this] { wc->setValue(wc->value() + 1); });
    connect(alt, &QComboBox::currentIndexChanged, this, &TFColSelectFrm::AlignmentChanged);
    connect(ald, &QComboBox::currentIndexChanged, this, &TFColSelectFrm::AlignmentChanged);
    connect(ftop, &QPushButton::clicked, this, [this] { MoveEntry(-1); });
    connect(fbottom, &QPushButton::clicked, this, [this] { MoveEntry(+1); });
    connect(chcolsl, &QCheckBox::toggled, this, [this](bool on) {
        if (!suppress_ && grid_)
            grid_->SetGridLines(on, grid_->RowLines());
    });
    connect(scrowsl, &QCheckBox::toggled, this, [this](bool on) {
        if (!suppress_ && grid_)
            grid_->SetGridLines(grid_->ColumnLines(), on);
    });
    connect(scautosize, &QCheckBox::toggled, this, [this](bool on) {
        if (suppress_ || !grid_)
            return;
        grid_->SetAutoSize(on);
        ShowEntry(Lb->currentRow());
    });
    connect(FlatSpeedButton3, &QPushButton::clicked, this, &TFColSelectFrm::EqualWidths);
    connect(FlatSpeedButton1, &QPushButton::clicked, this, &TFColSelectFrm::SaveLayout);
    connect(FlatSpeedButton2, &QPushButton::clicked, this, &TFColSelectFrm::LoadLayout);
    connect(B_OK, &QPushButton::clicked, this, &QDialog::accept);
}

void TFColSelectFrm::SetGrid(TI_DBGrid* grid, const std::string& layoutName)
{
    grid_ = grid;
    layoutName_ = layoutName;
}

void TFColSelectFrm::Prepare(const QPoint& mouse)
{
    QRect frame(mouse + QPoint(10, 30), frameGeometry().size());
    if (QScreen* screen = QGuiApplication::screenAt(mouse)) {
        const QRect area = screen->availableGeometry();
        frame.moveRight(std::min(frame.right(), area.right()));
        frame.moveBottom(std::min(frame.bottom(), area.bottom()));
        frame.moveLeft(std::max(frame.left(), area.left()));
        frame.moveTop(std::max(frame.top(), area.top()));
    }
    move(frame.topLeft());
    Fill();
}

void TFColSelectFrm::showEvent(QShowEvent* event)
{
    changesAllowed_ = true;
    TColSelectBase::showEvent(event);
}

void TFColSelectFrm::Fill()
{
    suppress_ = true;
    Lb->clear();
    if (grid_) {
        const QHeaderView* header = grid_->horizontalHeader();
        const auto& columns = grid_->Model().Columns();
        for (int visual = 0; visual < header->count(); ++visual) {
            const int logical = header->logicalIndex(visual);
            if (logical < 0 || logical >= static_cast<int>(columns.size()))
                continue;
            QString caption = FromAnsi(columns[static_cast<size_t>(logical)].fieldName);
            caption.remove(QStringLiteral("/b"));
            auto* item = new QListWidgetItem(caption, Lb);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(grid_->isColumnHidden(logical) ? Qt::Unchecked : Qt::Checked);
            item->setData(kColumnRole, logical);
        }
        chcolsl->setChecked(grid_->ColumnLines());
        scrowsl->setChecked(grid_->RowLines());
        scautosize->setChecked(grid_->AutoSize());
    }
    suppress_ = false;
    if (Lb->count() > 0)
        Lb->setCurrentRow(0);
    ShowEntry(Lb->currentRow());
}

int TFColSelectFrm::CheckedCount() const
{
    int n = 0;
    for (int i = 0; i < Lb->count(); ++i)
        n += Lb->item(i)->checkState() == Qt::Checked;
    return n;
}

void TFColSelectFrm::ShowEntry(int row)
{
    const bool old = suppress_;
    suppress_ = true;
    QListWidgetItem* item = row >= 0 ? Lb->item(row) : nullptr;
    const bool on = item && grid_ && item->checkState() == Qt::Checked;
    for (QWidget* w : std::initializer_list<QWidget*>{wc, alt, ald, fdec, finc})
        w->setEnabled(on);
    if (on) {
        selected_ = item->data(kColumnRole).toInt();
        UpdateRange();
        const int width = grid_->columnWidth(selected_);
        wc->setValue(width);
        lbpixel->setText(WidthText(width));
        const TColumnState state = grid_->ColumnStateOf(selected_);
        alt->setCurrentIndex(static_cast<int>(state.titleAlignment));
        ald->setCurrentIndex(static_cast<int>(state.alignment));
    } else {
        selected_ = -1;
        lbpixel->setText(QStringLiteral("Versteckt"));
    }
    suppress_ = old;
}

void TFColSelectFrm::UpdateRange()
{
    if (!grid_ || selected_ < 0)
        return;
    std::vector<int> widths;
    int index = -1;
    const QHeaderView* header = grid_->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (grid_->isColumnHidden(logical))
            continue;
        if (logical == selected_)
            index = static_cast<int>(widths.size());
        widths.push_back(grid_->columnWidth(logical));
    }
    const int maximum = WidthTrackMaximum(widths, index, grid_->AutoSize());
    const QSignalBlocker block(wc);
    wc->setRange(kMinColumnWidth, maximum);
    wc->setTickInterval(std::max(1, maximum / 10));
    wc->setPageStep(std::max(1, maximum / 5));
}

bool TFColSelectFrm::ApplyVisibility()
{
    if (!grid_ || !changesAllowed_ || CheckedCount() < 2)
        return false;
    for (int i = 0; i < Lb->count(); ++i) {
        const QListWidgetItem* item = Lb->item(i);
        grid_->SetColumnVisible(item->data(kColumnRole).toInt(), item->checkState() == Qt::Checked);
    }
    return true;
}

void TFColSelectFrm::EntryChanged(QListWidgetItem* item)
{
    if (suppress_)
        return;
    if (item->checkState() != Qt::Checked && CheckedCount() < 2) {
        // At least two columns always stay visible.
        suppress_ = true;
        item->setCheckState(Qt::Checked);
        suppress_ = false;
    } else {
        ApplyVisibility();
    }
    ShowEntry(Lb->row(item));
}

void TFColSelectFrm::WidthChanged(int position)
{
    lbpixel->setText(WidthText(position));
    if (suppress_ || !grid_ || selected_ < 0)
        return;
    grid_->setColumnWidth(selected_, position);
    suppress_ = true;
    wc->setValue(grid_->columnWidth(selected_));
    suppress_ = false;
}

void TFColSelectFrm::AlignmentChanged()
{
    if (suppress_ || !grid_ || selected_ < 0)
        return;
    grid_->SetColumnAlignments(selected_, static_cast<TColumnAlignment>(std::max(0, ald->currentIndex())),
                               static_cast<TColumnAlignment>(std::max(0, alt->currentIndex())));
}

void TFColSelectFrm::MoveEntry(int delta)
{
    const int row = Lb->currentRow();
    const int target = row + delta;
    if (!grid_ || row < 0 || target < 0 || target >= Lb->count())
        return;
    QHeaderView* header = grid_->horizontalHeader();
    const int from = header->visualIndex(Lb->item(row)->data(kColumnRole).toInt());
    const int to = header->visualIndex(Lb->item(target)->data(kColumnRole).toInt());
    header->moveSection(from, to);
    grid_->viewport()->update();
    suppress_ = true;
    QListWidgetItem* item = Lb->takeItem(row);
    Lb->insertItem(target, item);
    suppress_ = false;
    Lb->setCurrentRow(target);
}

void TFColSelectFrm::EqualWidths()
{
    if (!grid_)
        return;
    std::vector<int> visible;
    for (int i = 0; i < Lb->count(); ++i) {
        const int logical = Lb->item(i)->data(kColumnRole).toInt();
        if (!grid_->isColumnHidden(logical))
            visible.push_back(logical);
    }
    // The grid has neither a row indicator nor a marker column.
    const int width = EqualColumnWidth(grid_->viewport()->width(), static_cast<int>(visible.size()), false, false,
                                       grid_->ColumnLines() ? 1 : 0);
    if (width <= 0)
        return;
    for (int logical : visible)
        grid_->setColumnWidth(logical, width);
    ShowEntry(Lb->currentRow());
}

void TFColSelectFrm::SaveLayout()
{
    if (!grid_ || !ApplyVisibility())
        return;
    try {
        grid_->SaveColumnLayout(chcolsl->isChecked(), scrowsl->isChecked(), scautosize->isChecked());
    } catch (const std::exception& e) {
        ShowMessageBox(FromAnsi(e.what()));
        return;
    }
    reject();
}

void TFColSelectFrm::LoadLayout()
{
    if (grid_)
        grid_->LoadColumnLayout();
    reject();
}

void TFColSelectFrm::Escape()
{
    changesAllowed_ = false;
    reject();
}

void TFColSelectFrm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Escape();
        return;
    }
    TColSelectBase::keyPressEvent(event);
}

void TFColSelectFrm::done(int result)
{
    if (result == QDialog::Accepted)
        ApplyVisibility();
    TColSelectBase::done(result);
}

} // namespace artikel
