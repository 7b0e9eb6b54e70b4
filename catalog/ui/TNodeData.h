#pragma once

// The payload of every node of the database tree, and the node that carries it.

#include <QString>
#include <QTreeWidgetItem>

#include <string>

namespace artikel {

struct TNodeData {
    // The caption shown.
    QString Text;
    // The "uid" of the database or filter; empty for the root.
    std::string NodeId;
    // Reserved; always empty.
    std::string SubId;
};

bool operator==(const TNodeData& a, const TNodeData& b);

enum class TNodeKind { Root, Database, Filter };

// A tree node owns its payload, so freeing the node releases it.
class TTreeNode : public QTreeWidgetItem {
public:
    TTreeNode(TNodeKind kind, TNodeData data);

    TNodeKind Kind() const { return kind_; }
    const TNodeData& Data() const { return data_; }
    // Changes the payload's text and the caption shown.
    void SetText(const QString& text);

private:
    TNodeKind kind_;
    TNodeData data_;
};

} // namespace artikel
