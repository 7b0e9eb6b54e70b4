#include "search/ui/TSymbolDlg.h"

#include "platform/uUserMode.h"
#include "platform/ui/AnsiQString.h"
#include "search/SymbolCells.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace artikel {

namespace {

constexpr int kLargestPoints = 12;
constexpr int kSmallestPoints = 4;

class TSymbolDelegate : public QStyledItemDelegate {
public:
    explicit TSymbolDelegate(TSymbolDlg* dlg)
        : QStyledItemDelegate(dlg),
          dlg_(dlg)
    {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(option.rect, selected ? QColor(0, 128, 255) : QColor(Qt::white));
        const QString text = index.data().toString();
        QFont f = option.font;
        f.setPointSize(dlg_->FontPointSizeFor(text));
        p->setFont(f);
        p->setPen(selected ? Qt::white : Qt::black);
        p->drawText(option.rect, Qt::AlignCenter, text);
        if (option.state & QStyle::State_HasFocus) {
            p->setPen(QPen(selected ? Qt::white : Qt::black, 1, Qt::DotLine));
            p->drawRect(option.rect.adjusted(1, 1, -2, -2));
        }
    }

private:
    TSymbolDlg* dlg_;
};

} // namespace

TSymbolDlg::TSymbolDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Symbol einf\u00FCgen"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    cellSize_ = std::clamp(ReadUserModeInteger(kSymbolGridKey, kSymbolCellDefault), kSymbolCellMin, kSymbolCellMax);
    std::string text = ReadUserModeString(kSymbolCharsKey, "");
    if (text.empty())
        text = DefaultSymbolText();
    const std::vector<std::string> cells = SymbolCells(text);
    const int columns = std::max(1, SymbolColumns(text));
    const int rows = (static_cast<int>(cells.size()) + columns - 1) / columns;

    Grid = new QTableWidget(rows, columns, this);
    Grid->horizontalHeader()->hide();
    Grid->verticalHeader()->hide();
    Grid->horizontalHeader()->setMinimumSectionSize(1);
    Grid->verticalHeader()->setMinimumSectionSize(1);
    Grid->horizontalHeader()->setDefaultSectionSize(cellSize_);
    Grid->verticalHeader()->setDefaultSectionSize(cellSize_);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid->setItemDelegate(new TSymbolDelegate(this));
    for (int i = 0; i < static_cast<int>(cells.size()); ++i) {
        auto* item = new QTableWidgetItem(FromAnsi(cells[static_cast<size_t>(i)]));
        Grid->setItem(i / columns, i % columns, item);
    }
    for (int i = static_cast<int>(cells.size()); i < rows * columns; ++i) {
        auto* empty = new QTableWidgetItem;
        empty->setFlags(Qt::NoItemFlags);
        Grid->setItem(i / columns, i % columns, empty);
    }
    Grid->setCurrentCell(0, 0);
    // The grid plus one spare row and column.
    Grid->setFixedSize((columns + 1) * cellSize_, (rows + 1) * cellSize_);
    connect(Grid, &QTableWidget::cellDoubleClicked, this, [this] { Confirm(); });

    FCancel = new QPushButton(QStringLiteral("&Abbruch"), this);
    fok = new QPushButton(QStringLiteral("&Fertig"), this);
    fok->setAutoDefault(false);
    FCancel->setAutoDefault(false);
    connect(FCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(fok, &QPushButton::clicked, this, &TSymbolDlg::Confirm);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FCancel);
    buttons->addWidget(fok);
    auto* all = new QVBoxLayout(this);
    all->addWidget(Grid, 0, Qt::AlignHCenter);
    all->addLayout(buttons);
    all->setSizeConstraint(QLayout::SetFixedSize);
}

int TSymbolDlg::FontPointSizeFor(const QString& text) const
{
    QFont f = Grid->font();
    for (int points = kLargestPoints; points > kSmallestPoints; --points) {
        f.setPointSize(points);
        if (QFontMetrics(f).horizontalAdvance(text) + 2 <= cellSize_)
            return points;
    }
    return kSmallestPoints;
}

void TSymbolDlg::Confirm()
{
    const QTableWidgetItem* item = Grid->currentItem();
    if (!item || item->text().isEmpty())
        return;
    if (OnInsert)
        OnInsert(item->text());
    accept();
}

void TSymbolDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_F3:
    case Qt::Key_Return:
    case Qt::Key_Enter: Confirm(); return;
    default: QDialog::keyPressEvent(event);
    }
}

QString TSymbolDlg::Choose(QWidget* parent)
{
    TSymbolDlg dlg(parent);
    QString chosen;
    dlg.OnInsert = [&chosen](const QString& text) { chosen = text; };
    dlg.adjustSize();
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        dlg.move(screen->availableGeometry().center() - dlg.rect().center());
    dlg.exec();
    return chosen;
}

} // namespace artikel
