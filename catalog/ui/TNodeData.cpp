#include "catalog/ui/TNodeData.h"

namespace artikel {

bool operator==(const TNodeData& a, const TNodeData& b)
{
    return a.Text == b.Text && a.NodeId == b.NodeId && a.SubId == b.SubId;
}

TTreeNode::TTreeNode(TNodeKind kind, TNodeData data)
    : QTreeWidgetItem(QTreeWidgetItem::UserType),
      kind_(kind),
      data_(std::move(data))
{
    QTreeWidgetItem::setText(0, data_.Text);
}

void TTreeNode::SetText(const QString& text)
{
    data_.Text = text;
    QTreeWidgetItem::setText(0, text);
}

} // namespace artikel
