#pragma once

// The catalog as a tree on the left of the main window: the root "Inhalte", one node per
// database, below each database one node per saved filter. The tree mirrors the catalog's node
// list and is rebuilt completely after every catalog change; it never reads node files itself.
//
// Selecting a node (click, Enter, the form being shown, a rebuild) is reported through the
// selection notification; moving with the arrow keys reports nothing, so a database is loaded only
// when the user confirms. Typed characters jump to the first node whose caption contains them.

#include "catalog/ui/TNodeData.h"

#include <QWidget>

#include <functional>
#include <string>

class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace artikel {

class TCSVRequest;

// node and data stay valid until the next RebuildTree; refire is set when RefireSelection sends it.
using TNodeSelectedEvent = std::function<void(TTreeNode* node, const TNodeData& data, bool refire)>;
// Every key pressed in the tree, before the tree acts on it.
using TTreeKeyDownEvent = std::function<void(int key, Qt::KeyboardModifiers shift)>;
using TTreeDblClickEvent = std::function<void()>;

class TLeftTree : public QWidget {
    Q_OBJECT
public:
    explicit TLeftTree(QWidget* parent = nullptr);
    ~TLeftTree() override;

    void SetCatalog(TCSVRequest* catalog) { catalog_ = catalog; }
    TCSVRequest* Catalog() const { return catalog_; }

    void SetOnNodeSelected(TNodeSelectedEvent handler) { onNodeSelected_ = std::move(handler); }
    void SetOnKeyDown(TTreeKeyDownEvent handler) { onKeyDown_ = std::move(handler); }
    void SetOnDblClick(TTreeDblClickEvent handler) { onDblClick_ = std::move(handler); }

    // Clears and rebuilds all nodes from the catalog's node list, expands them, selects the node
    // whose id is idToSelect (the root when there is none), focuses the tree and notifies the
    // selection.
    void RebuildTree(const std::string& idToSelect);

    // The selected node, or null.
    TTreeNode* SelectedNode() const;
    // Stores the currently selected node for RefireSelection.
    void RememberSelection();
    // When the current selection is still the remembered one, notifies it again with the refire
    // flag set. Forgets the remembered selection in every case.
    void RefireSelection();

    // Changes a node's caption at once (its place changes only at the next rebuild).
    void SetNodeText(TTreeNode* node, const QString& text);

    // The tree control itself.
    QTreeWidget* Treeview() const { return treeview_; }
    TTreeNode* RootNode() const;

    // The quick-search text typed so far, shown in a balloon under the node; it is forgotten
    // after a pause, on Esc, Up and Down.
    QString QuickSearchText() const;
    void SetQuickSearchPause(int milliseconds);
    void CloseQuickSearch();

    // Row height for the current images.
    int NodeHeight() const { return nodeHeight_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void NotifySelection(bool refire);
    void SelectNode(QTreeWidgetItem* node);
    // Returns whether the key was a quick-search character.
    bool QuickSearchKey(const QKeyEvent& event);
    void ClearNodes();

    QTreeWidget* treeview_;
    TCSVRequest* catalog_ = nullptr;
    TNodeSelectedEvent onNodeSelected_;
    TTreeKeyDownEvent onKeyDown_;
    TTreeDblClickEvent onDblClick_;
    int nodeHeight_;
    int quickPause_;

    // Nodes are freed by every rebuild; the generation tells a remembered node from a new one
    // that happens to reuse its address.
    unsigned generation_ = 0;
    TTreeNode* rememberedNode_ = nullptr;
    unsigned rememberedGeneration_ = 0;
    TNodeData rememberedData_;
};

} // namespace artikel
