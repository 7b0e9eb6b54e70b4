#include "officelink/ui/TVisualDeliverySetup.h"

#include "catalog/TCSVRequest.h"
#include "officelink/FieldAssignment.h"
#include "platform/DragDropBlock.h"
#include "platform/MiniMarkup.h"
#include "platform/TextUtils.h"
#include "platform/Win1252.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/MarkupRenderer.h"
#include "platform/ui/TIDragDrop.h"
#include "platform/ui/TMarkupLabel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>

#include <algorithm>
#include <filesystem>

namespace artikel {
namespace {

constexpr int kAnsiRole = Qt::UserRole + 1;

const char* const kTargetLabels[7] = {"Feld Ledgix <B>Bezeichnung 1</B>", "Feld Ledgix <B>Langtext</B>",
                                      "Feld Ledgix <B>Artikelnummer</B>", "Feld Ledgix <B>Preis</B>",
                                      "Feld Ledgix <B>Einheit</B>",       "Feld Ledgix <B>Menge</B>",
                                      "Feld Ledgix <B>Position</B>"};
const char* const kTargetNames[7] = {"ListBox2", "ListBox3", "ListBox4",  "ListBox5",
                                     "ListBox9", "ListBoxQ", "ListBoxPos"};

std::string EntryText(const QListWidgetItem* item)
{
    const QByteArray bytes = item->data(kAnsiRole).toByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string EntryText(const QModelIndex& index)
{
    const QByteArray bytes = index.data(kAnsiRole).toByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Entries drawn as mini markup, 5 pixels in; even rows tinted, selected rows in white.
class TEntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        QColor background = option.palette.color(QPalette::Base);
        if (selected)
            background = option.palette.color(QPalette::Highlight);
        else if (index.row() % 2 == 0)
            background = option.palette.color(QPalette::ToolTipBase);
        painter->fillRect(option.rect, background);
        painter->save();
        painter->setFont(option.font);
        painter->setPen(selected ? QColor(Qt::white) : option.palette.color(QPalette::Text));
        const std::string text(TrimText(EntryText(index)));
        DrawMarkup(*painter, text, option.rect.adjusted(5, 5, 0, 0));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const std::string text(TrimText(EntryText(index)));
        const int height =
            std::max(20, 2 * MeasureMarkup(option.font, text.empty() ? std::string_view("W") : text).height());
        return QSize(option.rect.width(), height);
    }
};

} // namespace

TVisualDeliverySetup::TVisualDeliverySetup(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("VisualDeliverySetup"));
    setWindowTitle(QStringLiteral("Einstellen"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    hltop_ = new TMarkupLabel(this);
    hltop_->setObjectName(QStringLiteral("HLTOP"));
    hltop_->setWordWrap(true);
    hltop_->setGeometry(10, 8, 600, 36);

    lb_ = MakeList("LB");
    lb_->setGeometry(10, 50, 220, 598);

    constexpr int kLeft = 245;
    constexpr int kWidth = 250;
    constexpr int kLabelHeight = 17;
    int y = 50;
    for (int k = 0; k < 7; ++k) {
        labels_[k] = new TMarkupLabel(kTargetLabels[k], this);
        labels_[k]->setGeometry(kLeft, y, kWidth, kLabelHeight);
        y += kLabelHeight;
        targets_[k] = MakeList(kTargetNames[k]);
        const int height = IsSeveralTarget(k) ? 100 : 36;
        targets_[k]->setGeometry(kLeft, y, kWidth, height);
        y += height + 5;
        if (k == 3) {
            auto* facLabel = new TMarkupLabel("<FONT color=\"#FF0000\">Preisfaktor</FONT>", this);
            facLabel->setGeometry(kLeft + kWidth + 10, labels_[k]->y(), 100, kLabelHeight);
            editFac_ = new QLineEdit(this);
            editFac_->setObjectName(QStringLiteral("EditFac"));
            editFac_->setGeometry(kLeft + kWidth + 10, targets_[k]->y() + 4, 100, 26);
            editFac_->setAcceptDrops(false);
        }
    }

    auto* nameLabel = new TMarkupLabel("Name der Datenbank:", this);
    nameLabel->setGeometry(10, 658, 300, kLabelHeight);
    eNodeCaption_ = new QLineEdit(this);
    eNodeCaption_->setObjectName(QStringLiteral("ENodeCaption"));
    eNodeCaption_->setGeometry(10, 676, 300, 24);
    eNodeCaption_->setAcceptDrops(false);

    hls_ = new TMarkupLabel(this);
    hls_->setObjectName(QStringLiteral("HLS"));
    hls_->setGeometry(10, 708, 600, 36);
    connect(hls_, &TMarkupLabel::linkClicked, this, [this] {
        if (fileShower_ && !sourceFile_.empty())
            fileShower_(sourceFile_);
    });

    dragDrop_ = new TIDragDrop(this);
    dragDrop_->SetOnDragText([](QWidget* control) {
        auto* list = qobject_cast<QListWidget*>(control);
        QListWidgetItem* item = list ? list->currentItem() : nullptr;
        return item ? StripMarkup(EntryText(item)) : std::string();
    });
    dragDrop_->SetOnTextDrop([this](QWidget* control, const std::string&, const std::string& block, const QPoint& pos) {
        TextDropped(control, block, pos);
    });

    setFixedSize(620, 750);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QListWidget* TVisualDeliverySetup::MakeList(const char* name)
{
    auto* list = new QListWidget(this);
    list->setObjectName(QString::fromLatin1(name));
    list->setItemDelegate(new TEntryDelegate(list));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setDragEnabled(false);
    list->setAcceptDrops(false);
    list->viewport()->setAcceptDrops(false);
    list->viewport()->installEventFilter(this);
    list->installEventFilter(this);
    return list;
}

void TVisualDeliverySetup::AddEntry(QListWidget* list, const std::string& text)
{
    auto* item = new QListWidgetItem(FromAnsi(StripMarkup(text)));
    item->setData(kAnsiRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    list->addItem(item);
}

std::vector<std::string> TVisualDeliverySetup::Entries(const QListWidget* list)
{
    std::vector<std::string> entries;
    for (int i = 0; i < list->count(); ++i)
        entries.push_back(EntryText(list->item(i)));
    return entries;
}

std::string TVisualDeliverySetup::ShortenSourcePath(std::string_view path)
{
    const std::string_view trimmed = TrimText(path);
    if (trimmed.size() <= 70)
        return std::string(trimmed);
    const std::string_view tail = trimmed.substr(32, 100);
    return std::string(trimmed.substr(0, 33)) + ".." +
        std::string(tail.substr(tail.size() - std::min<size_t>(33, tail.size())));
}

void TVisualDeliverySetup::Fill(const std::vector<std::string>& columns, const TCSVSetup& setup,
                                const std::string& caption, const std::string& sourceFile, bool autoAssigned)
{
    hltop_->setText(std::string(kTopText) + (autoAssigned ? kAutoAddition : ""));
    eNodeCaption_->setText(FromAnsi(caption));
    lb_->clear();
    for (const std::string& column : columns)
        AddEntry(lb_, column);
    for (int k = 0; k < 7; ++k) {
        targets_[k]->clear();
        for (const std::string& name : SplitColumnList(setup.SourceColumns[static_cast<size_t>(k)]))
            AddEntry(targets_[k], name);
    }
    const char separator = LocaleDecimalSeparator();
    const std::string factor = FormatPriceFactor(setup.PriceFactor, separator);
    editFac_->setText(FromAnsi(ParsePriceFactor(factor) == 0 ? std::string("1") : factor));

    sourceFile_ = sourceFile;
    std::error_code error;
    if (!sourceFile.empty() && std::filesystem::is_regular_file(std::filesystem::path(sourceFile), error))
        hls_->setText("Quelle der Datenbank war:<br><A href=\"x\">" +
                      EscapeMarkup(ShortenSourcePath(Utf8ToWin1252(sourceFile))) + "</A>");
    else
        hls_->setText(kSourceMissing);
}

TCSVSetup TVisualDeliverySetup::Setup() const
{
    TCSVSetup setup;
    for (int k = 0; k < 7; ++k) {
        std::vector<std::string> names;
        for (const std::string& entry : Entries(targets_[k]))
            names.emplace_back(TrimText(entry));
        setup.SourceColumns[static_cast<size_t>(k)] = JoinColumnList(names);
        setup.Assigned = setup.Assigned || !names.empty();
    }
    std::string factor(TrimText(ToAnsi(editFac_->text())));
    setup.PriceFactor = ParsePriceFactor(factor);
    return setup;
}

std::string TVisualDeliverySetup::Caption(const std::string& caption) const
{
    const std::string typed = ToAnsi(eNodeCaption_->text());
    return TrimText(typed).empty() ? caption : typed;
}

int TVisualDeliverySetup::ListNumber(const QWidget* widget) const
{
    if (widget == lb_)
        return -1;
    for (int k = 0; k < 7; ++k)
        if (widget == targets_[k])
            return k;
    return -2;
}

void TVisualDeliverySetup::TextDropped(QWidget* control, const std::string& blockBytes, const QPoint& pos)
{
    const int onto = ListNumber(control);
    if (onto == -2 || blockBytes.empty())
        return;
    const TDragDropBlock block = DecodeDragDropBlock(blockBytes);
    if (onto >= 0) {
        QListWidget* target = targets_[onto];
        if (block.origin == "LB") {
            QListWidgetItem* chosen = lb_->currentItem();
            if (!chosen || !chosen->isSelected())
                return;
            if (!IsSeveralTarget(onto))
                target->clear();
            AddEntry(target, EntryText(chosen));
            return;
        }
        // Reordering within one list; a drag from another target list says nothing about the
        // order of this one.
        if (block.origin != std::to_string(onto))
            return;
        char* end = nullptr;
        const long from = std::strtol(block.body.c_str(), &end, 10);
        if (block.body.empty() || *end != '\0' || from < 0 || from >= target->count())
            return;
        QListWidgetItem* under = target->itemAt(target->viewport()->mapFrom(this, pos));
        if (!under)
            return;
        const int to = target->row(under);
        if (to == from)
            return;
        QListWidgetItem* moving = target->takeItem(static_cast<int>(from));
        target->insertItem(to, moving);
        target->setCurrentItem(moving);
        return;
    }
    // Onto the source list: the dragged target entry goes.
    if (block.origin.size() == 1 && block.origin[0] >= '0' && block.origin[0] <= '6') {
        QListWidget* from = targets_[block.origin[0] - '0'];
        QListWidgetItem* item = from->currentItem();
        if (item && item->isSelected())
            delete from->takeItem(from->row(item));
    }
}

bool TVisualDeliverySetup::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        auto* viewport = qobject_cast<QWidget*>(watched);
        auto* list = viewport ? qobject_cast<QListWidget*>(viewport->parentWidget()) : nullptr;
        auto* press = static_cast<QMouseEvent*>(event);
        if (list && list->viewport() == viewport && press->button() == Qt::LeftButton) {
            QListWidgetItem* item = list->itemAt(press->position().toPoint());
            if (item) {
                const int number = ListNumber(list);
                const std::string name = number == -1 ? std::string("LB") : std::to_string(number);
                dragDrop_->StartDrag(viewport, press->position().toPoint(),
                                     EncodeDragDropBlock({name, std::to_string(list->row(item)), name, {}}));
            }
        }
    } else if (event->type() == QEvent::KeyPress) {
        auto* list = qobject_cast<QListWidget*>(watched);
        const int number = list ? ListNumber(list) : -2;
        if (number >= 0 && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
            QListWidgetItem* item = list->currentItem();
            if (item && item->isSelected())
                delete list->takeItem(list->row(item));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void EditFieldAssignment(const std::vector<std::string>& columns, TCSVSetup& setup, std::string& caption,
                         const std::string& sourceFile, QWidget* parent,
                         const std::function<void(const std::string&)>& fileShower)
{
    bool autoAssigned = false;
    if (!setup.Assigned)
        autoAssigned = AutoAssignFields(columns, setup);
    TVisualDeliverySetup dialog(parent);
    dialog.SetFileShower(fileShower);
    dialog.Fill(columns, setup, caption, sourceFile, autoAssigned);
    // Escape and the window's close button end it as well as any other way: no cancel.
    dialog.exec();
    setup = dialog.Setup();
    caption = dialog.Caption(caption);
}

} // namespace artikel
