#include "platform/ui/TIDragDrop.h"

#include "platform/DragDropBlock.h"
#include "platform/ui/AnsiQString.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include <filesystem>

namespace artikel {
namespace {

QString BlockMimeType() { return QString::fromLatin1(kDragDropMimeType); }

QFont DragFont()
{
    QFont font = QApplication::font();
    font.setPointSize(10);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

TIDragDrop::TIDragDrop(QWidget* owner)
    : QObject(owner),
      owner_(owner)
{
    owner_->setAcceptDrops(true);
    owner_->installEventFilter(this);
    runner_ = [](QWidget* source, std::unique_ptr<QMimeData> data, const QPixmap& image, const QPoint& hotSpot) {
        auto* drag = new QDrag(source);
        drag->setMimeData(data.release());
        drag->setPixmap(image);
        drag->setHotSpot(hotSpot);
        drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
    };
}

TIDragDrop::~TIDragDrop()
{
    for (const std::string& file : tempFiles_) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
    }
}

QPixmap TIDragDrop::DragImage(const QString& text)
{
    const QFont font = DragFont();
    const QFontMetrics metrics(font);
    QPixmap image(metrics.horizontalAdvance(text) + 35, 20);
    image.fill(QColor(146, 163, 203));
    QPainter painter(&image);
    // A raised edge: light above and left, dark below and right.
    painter.setPen(QColor(214, 222, 240));
    painter.drawLine(0, 0, image.width() - 1, 0);
    painter.drawLine(0, 0, 0, image.height() - 1);
    painter.setPen(QColor(84, 96, 128));
    painter.drawLine(0, image.height() - 1, image.width() - 1, image.height() - 1);
    painter.drawLine(image.width() - 1, 0, image.width() - 1, image.height() - 1);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(10, 0, image.width() - 10, image.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
    return image;
}

void TIDragDrop::StartDrag(QWidget* control, const QPoint& pressPos, std::string block)
{
    if (!control)
        return;
    if (pending_)
        pending_->removeEventFilter(this);
    pending_ = control;
    pressPos_ = pressPos;
    block_ = std::move(block);
    control->installEventFilter(this);
}

void TIDragDrop::RunDrag()
{
    QWidget* source = pending_;
    pending_->removeEventFilter(this);
    pending_ = nullptr;
    // The control may be a list's viewport: the handler knows the list.
    QWidget* control = source;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(source->parentWidget()); area && area->viewport() == source)
        control = area;
    const std::string text = onDragText_ ? onDragText_(control) : std::string();
    auto data = std::make_unique<QMimeData>();
    data->setText(FromAnsi(text));
    data->setData(BlockMimeType(), QByteArray(block_.data(), static_cast<qsizetype>(block_.size())));
    dragging_ = true;
    runner_(source, std::move(data), DragImage(FromAnsi(text)), QPoint(-16, -16));
    dragging_ = false;
}

QWidget* TIDragDrop::DropControl(QWidget* owner, const QPoint& pos)
{
    QWidget* child = owner->childAt(pos);
    while (child && child != owner && !child->isEnabled())
        child = child->parentWidget();
    if (!child || child == owner)
        return nullptr;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(child->parentWidget()); area && area->viewport() == child)
        child = area;
    return child == owner ? nullptr : child;
}

void TIDragDrop::Drop(const QMimeData* data, const QPoint& pos)
{
    if (!data)
        return;
    QWidget* control = DropControl(owner_, pos);
    const std::string text = ToAnsi(data->text());
    const QByteArray blockBytes = data->data(BlockMimeType());
    const std::string block(blockBytes.constData(), static_cast<size_t>(blockBytes.size()));
    if (control && onTextDrop_ && data->hasText())
        onTextDrop_(control, text, block, pos);
    if (!onOtherDrop_)
        return;
    if (data->hasUrls()) {
        TDropSetOtherStruct other;
        other.kind = TDropSetOtherStruct::Files;
        other.text = text;
        other.dragging = dragging_;
        for (const QUrl& url : data->urls()) {
            if (!url.isLocalFile())
                continue;
            const QString path = url.toLocalFile();
            // A name with a line break would split the one-per-line list.
            if (path.isEmpty() || path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r')))
                continue;
            if (!other.files.empty())
                other.files += "\r\n";
            other.files += path.toStdString();
        }
        if (!other.files.empty())
            onOtherDrop_(control, other);
    }
    if (data->hasHtml()) {
        TDropSetOtherStruct other;
        other.kind = TDropSetOtherStruct::RichText;
        other.text = text;
        other.richText = ToAnsi(data->html());
        other.dragging = dragging_;
        onOtherDrop_(control, other);
    }
    if (!block.empty()) {
        TDropSetOtherStruct other;
        other.kind = TDropSetOtherStruct::PrivateBlock;
        other.text = text;
        other.block = block;
        other.dragging = dragging_;
        onOtherDrop_(control, other);
    }
}

bool TIDragDrop::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == owner_) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            Drop(drop->mimeData(), drop->position().toPoint());
            // The source keeps what it dragged.
            drop->setDropAction(Qt::IgnoreAction);
            drop->accept();
            return true;
        }
        default: break;
        }
    }
    if (watched == pending_.data()) {
        if (event->type() == QEvent::MouseMove) {
            auto* move = static_cast<QMouseEvent*>(event);
            if ((move->buttons() & Qt::LeftButton) &&
                (move->position().toPoint() - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
                RunDrag();
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            pending_->removeEventFilter(this);
            pending_ = nullptr;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace artikel
