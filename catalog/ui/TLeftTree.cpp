#include "catalog/ui/TLeftTree.h"

#include "catalog/NodeFile.h"
#include "catalog/TCSVRequest.h"
#include "catalog/ui/TVisualFindHelperDataModule.h"
#include "catalog/ui/TreeImages.h"
#include "platform/TJsonDocument.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <exception>

namespace artikel {
namespace {

constexpr int kSpacer = 9;
constexpr int kDefaultQuickSearchPause = 5000;

const QString& RootText()
{
    static const QString text = QStringLiteral("Inhalte");
    return text;
}

QString Caption(const TJSON& obj) { return QString::fromStdString(JsonTextUtf8(obj, kNodeKeyCaption)); }

// Every row has the node height of the tree, whatever the font says.
class TNodeDelegate : public QStyledItemDelegate {
public:
    TNodeDelegate(int height, QObject* parent)
        : QStyledItemDelegate(parent),
          height_(height)
    {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(height_);
        return size;
    }

private:
    int height_;
};

// The tree control: dotted lines between the nodes, a boxed plus or minus as the expand button,
// and the selection colour across the whole row including the branch area.
class TTreeControl : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

protected:
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override
    {
        painter->save();
        if (selectionModel()->isSelected(index)) {
            const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
            painter->fillRect(rect, palette().brush(group, QPalette::Highlight));
        }
        const int step = indentation();
        int depth = 0;
        for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
            ++depth;
        // With the root decorated, level 0 owns the first column of the branch area.
        const int midY = rect.top() + rect.height() / 2;
        QPen dotted(QColor(160, 160, 160), 1, Qt::DotLine);
        painter->setPen(dotted);

        // Vertical lines of the ancestors that have further siblings below.
        QModelIndex ancestor = index.parent();
        for (int level = depth - 1; level >= 0 && ancestor.isValid(); --level) {
            const QModelIndex next = ancestor.sibling(ancestor.row() + 1, 0);
            if (next.isValid()) {
                const int x = rect.left() + level * step + step / 2;
                painter->drawLine(x, rect.top(), x, rect.bottom());
            }
            ancestor = ancestor.parent();
        }
        const int x = rect.left() + depth * step + step / 2;
        const bool hasNext = index.sibling(index.row() + 1, 0).isValid();
        const bool hasPrevious = index.row() > 0 || index.parent().isValid();
        painter->drawLine(x, hasPrevious ? rect.top() : midY, x, hasNext ? rect.bottom() : midY);
        painter->drawLine(x, midY, rect.left() + (depth + 1) * step - 2, midY);

        if (model()->hasChildren(index)) {
            const QRect box(x - 4, midY - 4, 8, 8);
            painter->setPen(QColor(120, 120, 120));
            painter->setBrush(Qt::white);
            painter->drawRect(box);
            painter->setPen(Qt::black);
            painter->drawLine(box.left() + 2, midY, box.right() - 2, midY);
            if (!isExpanded(index))
                painter->drawLine(x, box.top() + 2, x, box.bottom() - 2);
        }
        painter->restore();
    }
};

} // namespace

TLeftTree::TLeftTree(QWidget* parent)
    : QWidget(parent),
      nodeHeight_(NodeHeightForImage(kTreeImageSize))
{
    setObjectName(QStringLiteral("LeftTree"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    treeview_ = new TTreeControl(this);
    treeview_->setObjectName(QStringLiteral("Treeview"));
    QFont font = treeview_->font();
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(10);
    font.setBold(true);
    treeview_->setFont(font);
    treeview_->setFrameShape(QFrame::NoFrame);
    treeview_->setHeaderHidden(true);
    treeview_->setColumnCount(1);
    treeview_->setRootIsDecorated(true);
    treeview_->setItemsExpandable(true);
    treeview_->setExpandsOnDoubleClick(true);
    treeview_->setAnimated(true);
    treeview_->setSortingEnabled(false);
    treeview_->setSelectionMode(QAbstractItemView::SingleSelection);
    treeview_->setSelectionBehavior(QAbstractItemView::SelectRows);
    treeview_->setAllColumnsShowFocus(true);
    treeview_->setUniformRowHeights(true);
    treeview_->setIconSize(QSize(kTreeImageSize, kTreeImageSize));
    treeview_->setItemDelegate(new TNodeDelegate(nodeHeight_, treeview_));
    treeview_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    treeview_->header()->setStretchLastSection(true);
    treeview_->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kSpacer, 0, kSpacer, kSpacer);
    layout->setSpacing(0);
    layout->addWidget(treeview_);

    quickPause_ = kDefaultQuickSearchPause;

    connect(treeview_, &QTreeWidget::itemClicked, this, [this] { NotifySelection(false); });
    connect(treeview_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (onDblClick_)
            onDblClick_();
    });
}

TLeftTree::~TLeftTree() { ClearNodes(); }

void TLeftTree::ClearNodes()
{
    ++generation_;
    treeview_->clear();
}

TTreeNode* TLeftTree::RootNode() const { return static_cast<TTreeNode*>(treeview_->topLevelItem(0)); }

void TLeftTree::RebuildTree(const std::string& idToSelect)
{
    ClearNodes();
    auto* root = new TTreeNode(TNodeKind::Root, TNodeData{RootText(), {}, {}});
    treeview_->addTopLevelItem(root);
    QTreeWidgetItem* target = nullptr;

    if (catalog_) {
        const auto lock = catalog_->LockNodeList();
        const QIcon databaseImage = TreeImage(kImageDatabase);
        const QIcon filterImage = TreeImage(kImageFilter);
        const QIcon errorImage = TreeImage(kImageError);
        auto imageOf = [&](const std::string& id) -> const QIcon& {
            try {
                return catalog_->FindFilter(id) ? filterImage : databaseImage;
            } catch (const std::exception&) {
                return errorImage;
            }
        };
        for (const TJSON* doc : catalog_->Nodes()) {
            // A document that fails half-way keeps the nodes added so far.
            try {
                std::string uid = JsonText(*doc, kNodeKeyUid);
                auto* dbNode = new TTreeNode(TNodeKind::Database, TNodeData{Caption(*doc), uid, {}});
                dbNode->setIcon(0, imageOf(uid));
                root->addChild(dbNode);
                if (!idToSelect.empty() && uid == idToSelect)
                    target = dbNode;
                const TJSON* items = JsonFind(*doc, kNodeKeyItems);
                if (!items || !items->is_array())
                    continue;
                for (const TJSON& filter : *items) {
                    std::string filterId = JsonText(filter, kNodeKeyUid);
                    auto* filterNode = new TTreeNode(TNodeKind::Filter, TNodeData{Caption(filter), filterId, {}});
                    filterNode->setIcon(0, imageOf(filterId));
                    dbNode->addChild(filterNode);
                    if (!idToSelect.empty() && filterId == idToSelect)
                        target = filterNode;
                }
            } catch (const std::exception&) {
            }
        }
    }

    treeview_->expandAll();
    SelectNode(target ? target : root);
    if (treeview_->isVisible() && treeview_->focusPolicy() != Qt::NoFocus && isEnabled())
        treeview_->setFocus(Qt::OtherFocusReason);
    NotifySelection(false);
}

void TLeftTree::SelectNode(QTreeWidgetItem* node)
{
    treeview_->clearSelection();
    treeview_->setCurrentItem(node);
    node->setSelected(true);
    treeview_->scrollToItem(node);
}

TTreeNode* TLeftTree::SelectedNode() const
{
    const QList<QTreeWidgetItem*> selected = treeview_->selectedItems();
    return selected.isEmpty() ? nullptr : static_cast<TTreeNode*>(selected.first());
}

void TLeftTree::RememberSelection()
{
    rememberedNode_ = SelectedNode();
    rememberedGeneration_ = generation_;
    rememberedData_ = rememberedNode_ ? rememberedNode_->Data() : TNodeData{};
}

void TLeftTree::RefireSelection()
{
    TTreeNode* remembered = rememberedNode_;
    const bool same = remembered && rememberedGeneration_ == generation_ && SelectedNode() == remembered &&
        remembered->Data() == rememberedData_;
    rememberedNode_ = nullptr;
    rememberedData_ = TNodeData{};
    if (same)
        NotifySelection(true);
}

void TLeftTree::NotifySelection(bool refire)
{
    TTreeNode* node = SelectedNode();
    if (!node || !onNodeSelected_)
        return;
    // A copy: the receiver may rebuild the tree, which frees the node and its payload.
    const TNodeData nodeData = node->Data();
    onNodeSelected_(node, nodeData, refire);
}

void TLeftTree::SetNodeText(TTreeNode* node, const QString& text)
{
    if (node)
        node->SetText(text);
}

void TLeftTree::SetQuickSearchPause(int milliseconds)
{
    quickPause_ = milliseconds;
    if (TMessageWindow* balloon = TVisualFindHelperDataModule::Instance().Balloon())
        balloon->SetHideDelay(milliseconds);
}

void TLeftTree::CloseQuickSearch() { TVisualFindHelperDataModule::Instance().CloseBalloon(); }

QString TLeftTree::QuickSearchText() const
{
    const TVisualFindHelperDataModule& helper = TVisualFindHelperDataModule::Instance();
    // The one balloon of the process may belong to another tree.
    if (!helper.Balloon() || helper.Balloon()->parentWidget() != treeview_->viewport())
        return {};
    return helper.BalloonText();
}

void TLeftTree::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        NotifySelection(false);
}

bool TLeftTree::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != treeview_ || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);

    auto* keyEvent = static_cast<QKeyEvent*>(event);
    const int key = keyEvent->key();
    const Qt::KeyboardModifiers shift = keyEvent->modifiers() & ~Qt::KeypadModifier;
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter)
        NotifySelection(false);
    else if (key == Qt::Key_Up || key == Qt::Key_Down)
        CloseQuickSearch(); // the Esc character of the quick search
    if (onKeyDown_)
        onKeyDown_(key, shift);
    if (enter)
        return true;
    if (shift & (Qt::AltModifier | Qt::MetaModifier))
        return false;
    return QuickSearchKey(*keyEvent);
}

bool TLeftTree::QuickSearchKey(const QKeyEvent& event)
{
    QTreeWidgetItem* current = treeview_->currentItem();
    if (!current)
        return false;
    const int key = event.key();
    const bool control = event.modifiers() & Qt::ControlModifier;
    if (key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt || key == Qt::Key_Meta)
        return false;
    QChar c;
    if (event.text().size() == 1)
        c = event.text().front();
    else if (key == Qt::Key_Backspace || key == Qt::Key_Escape)
        c = QChar(key == Qt::Key_Backspace ? 8 : 27);
    else if (!control)
        return false;
    // Plus and minus stay the tree's expand and collapse keys.
    if (c == QLatin1Char('+') || c == QLatin1Char('-'))
        return false;
    if (control && (key == Qt::Key_C || key == Qt::Key_A))
        return false;

    TVisualFindHelperDataModule& helper = TVisualFindHelperDataModule::Instance();
    helper.HideDelay = quickPause_;
    QWidget* view = treeview_->viewport();
    const QRect currentRect = treeview_->visualItemRect(current);
    const QString text = helper.QuickSearchKey(view, QRect(currentRect.left(), currentRect.top(), 100, 20), c, key,
                                               event.modifiers(), -1);
    if (text.isEmpty())
        return c.unicode() == 8 || c.unicode() == 27 || (c.unicode() >= 32 && !control);
    for (QTreeWidgetItemIterator it(treeview_); *it; ++it) {
        auto* node = static_cast<TTreeNode*>(*it);
        if (node->Data().Text.contains(text, Qt::CaseInsensitive)) {
            SelectNode(node);
            const QRect jumped = treeview_->visualItemRect(node);
            // The balloon follows under the node it jumped to.
            helper.MoveHint(view, QRect(jumped.left(), jumped.top() + 17, 100, 20));
            break;
        }
    }
    return true;
}

} // namespace artikel
