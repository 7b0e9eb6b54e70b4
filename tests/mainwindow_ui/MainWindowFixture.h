#pragma once

// A catalog in the sandbox and a main window on it, driven as a user would.

#include "catalog/TCSVRequest.h"
#include "catalog/ui/TLeftTree.h"
#include "catalog/ui/TNodeData.h"
#include "mainwindow/ui/TMainFrm.h"
#include "platform/Folders.h"
#include "platform/uUserMode.h"
#include "tests/common/TestEnv.h"

#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace artikel::test {

struct TFilterSpec {
    std::string uid;
    std::string caption;
    std::string filter;
};

class TCatalogFixture {
public:
    // The window keeps its settings in the scratch folder, which all tests of a run share: each
    // test starts without them.
    TCatalogFixture()
        : clientRoot_(MakeTempDir("client"))
    {
        std::error_code ignored;
        std::filesystem::remove(SettingsFolder() + kUserModeFileName, ignored);
    }

    std::string ClientRoot() const { return clientRoot_.string() + "/"; }
    std::filesystem::path CatalogRoot() const { return clientRoot_ / kCatalogRootName; }
    std::string SettingsFolder() const { return GetScratchFolder(); }

    // A database folder with its CSV and node file; csv empty: the CSV file is left out.
    std::filesystem::path AddDatabase(const std::string& uid, const std::string& caption, const std::string& csv,
                                      const std::vector<TFilterSpec>& filters = {})
    {
        const auto folder = CatalogRoot() / "nodes" / uid;
        std::filesystem::create_directories(folder);
        if (!csv.empty())
            WriteFileBytes(folder / "db.csv", csv);
        std::string items;
        for (const TFilterSpec& f : filters) {
            if (!items.empty())
                items += ",";
            items += "{\"Caption\":\"" + f.caption + "\",\"filter\":\"" + f.filter + "\",\"uid\":\"" + f.uid + "\"}";
        }
        WriteFileBytes(folder / "node.json",
                       "{\"Caption\":\"" + caption + "\",\"Filename\":\"db.csv\",\"uid\":\"" + uid + "\",\"items\":[" +
                           items + "]}");
        return folder;
    }

    void SetLastNode(const std::string& id)
    {
        ForceFolders(SettingsFolder());
        WriteUserModeString(TMainFrm::kLastNodeKey, id, SettingsFolder());
    }

    // Creates the window, shows it and waits for the start-up and the first load to finish.
    TMainFrm& Start(std::unique_ptr<IOfficeLink> officeLink = nullptr)
    {
        window_ = std::make_unique<TMainFrm>(ClientRoot(), nullptr, std::move(officeLink));
        window_->show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window_->Started(); }, 5000));
        WaitIdle();
        return *window_;
    }

    TMainFrm& Window() { return *window_; }
    void Close() { window_.reset(); }

    // Waits until no load is pending.
    void WaitIdle()
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window_->LoaderBusy(); }, 5000));
        QCoreApplication::processEvents();
    }

    TTreeNode* FindTreeNode(const std::string& id) const
    {
        QTreeWidget* view = window_->Tree().Treeview();
        for (QTreeWidgetItemIterator it(view); *it; ++it) {
            auto* node = static_cast<TTreeNode*>(*it);
            if (node->Data().NodeId == id)
                return node;
        }
        return nullptr;
    }

    // A click on the node's row, as the user clicks.
    void ClickTreeNode(const std::string& id)
    {
        TTreeNode* node = FindTreeNode(id);
        ASSERT_NE(node, nullptr) << id;
        QTreeWidget* view = window_->Tree().Treeview();
        view->scrollToItem(node);
        const QPoint at = view->visualItemRect(node).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

private:
    std::filesystem::path clientRoot_;
    std::unique_ptr<TMainFrm> window_;
};

} // namespace artikel::test
