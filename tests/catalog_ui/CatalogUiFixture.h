#pragma once

// A catalog in the sandbox, a tree over it and a small host window for the catalog commands.

#include "catalog/TCSVRequest.h"
#include "catalog/ui/ICatalogHost.h"
#include "catalog/ui/TLeftTree.h"
#include "data/TListDataSet.h"
#include "platform/ui/TDimmedForm.h"
#include "platform/ui/TMarkupLabel.h"
#include "tests/common/TestEnv.h"
#include "tests/platform_ui/ModalDriver.h"

#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace artikel::test {

struct FilterSpec {
    std::string Caption;
    std::string Uid;
};

struct DatabaseSpec {
    std::string Folder;
    std::string Caption; // Windows-1252
    std::string Uid;
    std::vector<FilterSpec> Filters;
};

struct Selection {
    std::string NodeId;
    bool Refire;
    bool operator==(const Selection&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Selection& s)
{
    return out << '{' << s.NodeId << (s.Refire ? ", refire}" : "}");
}

class FakeHost : public ICatalogHost {
public:
    explicit FakeHost(const std::filesystem::path& clientRoot)
        : catalog_(clientRoot.string() + "/"),
          tree_(new TLeftTree(&window_))
    {
        window_.resize(300, 400);
        tree_->setGeometry(0, 0, 300, 400);
        tree_->SetCatalog(&catalog_);
        tree_->SetOnNodeSelected([this](TTreeNode*, const TNodeData& data, bool refire) {
            Selections.push_back({data.NodeId, refire});
        });
    }

    TCSVRequest& Catalog() override { return catalog_; }
    TLeftTree& Tree() override { return *tree_; }
    QWidget* HostWindow() override { return &window_; }
    bool LoaderBusy() const override { return Busy; }
    bool ImportBusy() const override { return importBusy_; }
    void SetImportBusy(bool busy) override
    {
        importBusy_ = busy;
        ImportBusyLog.push_back(busy);
    }
    TListDataSet* CurrentDataSet() override { return DataSet.get(); }
    TJSON* SelectedSetup(TCSVSetup& setup) override
    {
        TTreeNode* node = tree_->SelectedNode();
        if (!DataSet || !node)
            return nullptr;
        TJSON* doc = catalog_.FindNode(node->Data().NodeId);
        if (doc)
            setup = catalog_.LoadCSVSetup(*doc);
        return doc;
    }
    std::string FindText() const override { return Find; }

    std::filesystem::path NodesFolder() const { return catalog_.NodesFolder(); }

    void WriteDatabase(const DatabaseSpec& db)
    {
        TJSON doc = TJSON::object();
        SetJsonText(doc, "Caption", db.Caption);
        SetJsonText(doc, "uid", db.Uid);
        SetJsonText(doc, "Filename", "data.csv");
        TJSON items = TJSON::array();
        for (const FilterSpec& f : db.Filters) {
            TJSON item = TJSON::object();
            SetJsonText(item, "filter", f.Caption);
            SetJsonText(item, "Caption", f.Caption);
            SetJsonText(item, "uid", f.Uid);
            items.push_back(std::move(item));
        }
        doc["items"] = std::move(items);
        WriteFileBytes(NodesFolder() / db.Folder / "node.json", WriteJson(doc, TJsonLayout::Indented));
        WriteFileBytes(NodesFolder() / db.Folder / "data.csv", "ArtNr;Text\r\n1;Rohr\r\n");
    }

    void Load(const std::vector<DatabaseSpec>& dbs, const std::string& select = {})
    {
        for (const DatabaseSpec& db : dbs)
            WriteDatabase(db);
        catalog_.ReloadNodes();
        tree_->RebuildTree(select);
        Selections.clear();
    }

    // Node ids of the tree in tree order (the root as "").
    std::vector<std::string> NodeIds() const
    {
        std::vector<std::string> ids;
        for (QTreeWidgetItemIterator it(tree_->Treeview()); *it; ++it)
            ids.push_back(static_cast<TTreeNode*>(*it)->Data().NodeId);
        return ids;
    }

    std::string SelectedId() const
    {
        const TTreeNode* node = tree_->SelectedNode();
        return node ? node->Data().NodeId : std::string("<none>");
    }

    TTreeNode* NodeById(const std::string& id) const
    {
        for (QTreeWidgetItemIterator it(tree_->Treeview()); *it; ++it)
            if (static_cast<TTreeNode*>(*it)->Data().NodeId == id)
                return static_cast<TTreeNode*>(*it);
        return nullptr;
    }

    void Select(const std::string& id)
    {
        TTreeNode* node = NodeById(id);
        ASSERT_NE(node, nullptr) << id;
        tree_->Treeview()->setCurrentItem(node);
        Selections.clear();
    }

    bool Busy = false;
    std::string Find;
    std::unique_ptr<TListDataSet> DataSet;
    std::vector<Selection> Selections;
    std::vector<bool> ImportBusyLog;

private:
    TCSVRequest catalog_;
    QWidget window_;
    TLeftTree* tree_;
    bool importBusy_ = false;
};

// Answers the next question with OK or Cancel and records its message.
inline void AnswerNextQuestion(bool yes, std::string* message = nullptr)
{
    OnNextModal([yes, message](QWidget* dlg) {
        if (message) {
            const auto* label = dlg->findChild<TMarkupLabel*>(QStringLiteral("HLSK"));
            *message = label ? label->text() : std::string("<no label>");
        }
        auto* button = dlg->findChild<QPushButton*>(yes ? QStringLiteral("FOK") : QStringLiteral("FCANCEL"));
        ASSERT_NE(button, nullptr);
        button->click();
    });
}

class CatalogUiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDimmedFadeStep(std::chrono::milliseconds(0));
        host_ = std::make_unique<FakeHost>(MakeTempDir("client"));
    }

    // Two databases with three filters; the catalog lists them in caption order.
    static std::vector<DatabaseSpec> TwoDatabases()
    {
        return {{"sani", "Sanit\xE4r", "S", {{"Wanne", "S1"}}},
                {"kupfer", "Kupferrohre", "K", {{"Muffe", "K2"}, {"Bogen", "K1"}}}};
    }

    std::unique_ptr<FakeHost> host_;
};

} // namespace artikel::test
