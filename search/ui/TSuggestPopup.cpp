#include "search/ui/TSuggestPopup.h"

#include "platform/ui/AnsiQString.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace artikel {

namespace {
constexpr int kEntryRole = Qt::UserRole + 1;
}

class TSuggestPopup::TDelegate : public QStyledItemDelegate {
public:
    explicit TDelegate(TSuggestPopup* list)
        : QStyledItemDelegate(list),
          list_(list)
    {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QByteArray bytes = index.data(kEntryRole).toByteArray();
        list_->draw_(*painter, option.rect, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                     (option.state & QStyle::State_Selected) != 0);
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return QSize(1, list_->itemHeight_);
    }

private:
    TSuggestPopup* list_;
};

TSuggestPopup::TSuggestPopup(QWidget* parent, TDrawEntry draw, std::function<void()> take)
    : QListWidget(parent),
      draw_(std::move(draw)),
      take_(std::move(take))
{
    setObjectName(QStringLiteral("SuggestPopup"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setItemDelegate(new TDelegate(this));
    QPalette pal = palette();
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
}

void TSuggestPopup::AddEntry(const std::string& text)
{
    auto* item = new QListWidgetItem(FromAnsi(text));
    item->setData(kEntryRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    addItem(item);
}

std::string TSuggestPopup::EntryAt(int row) const
{
    const QListWidgetItem* it = item(row);
    if (!it)
        return {};
    const QByteArray bytes = it->data(kEntryRole).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void TSuggestPopup::mouseReleaseEvent(QMouseEvent* event)
{
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
        take_(); // may close (destroy) this list: nothing after it
}

} // namespace artikel
