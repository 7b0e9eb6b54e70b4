#include "catalog/ui/TCatalogCommands.h"

#include "catalog/NodeFile.h"
#include "platform/ui/AnsiQString.h"
#include "tests/catalog_ui/CatalogUiFixture.h"

#include <QTest>

using namespace artikel;
using namespace artikel::test;
namespace fs = std::filesystem;

namespace {

class CommandsTest : public CatalogUiTest {
protected:
    void SetUp() override
    {
        CatalogUiTest::SetUp();
        commands_ = std::make_unique<TCatalogCommands>(*host_);
    }

    static std::vector<DatabaseSpec> ThreeDatabases()
    {
        return {{"a", "Armaturen", "A", {}}, {"b", "Bad", "B", {{"Wanne", "B1"}}}, {"c", "Casa", "C", {}}};
    }

    // The filters of a database as saved in its node file.
    std::vector<std::string> SavedFilterIds(const std::string& folder) const
    {
        std::vector<std::string> ids;
        const auto doc = ReadNodeFile((host_->NodesFolder() / folder / "node.json").string());
        EXPECT_TRUE(doc.has_value()) << folder;
        if (doc)
            for (const TJSON& item : (*doc)["items"])
                ids.push_back(JsonText(item, "uid"));
        return ids;
    }

    void LoadDataSet() { host_->DataSet = std::make_unique<TListDataSet>(); }

    std::unique_ptr<TCatalogCommands> commands_;
};

TEST_F(CommandsTest, DeleteDatabaseRemovesItsFolderAndSelectsTheNeighbour)
{
    struct Case {
        const char* Name;
        std::vector<DatabaseSpec> Catalog;
        std::string Selected;
        std::string GoneFolder;
        std::string ExpectedSelection;
        std::vector<std::string> ExpectedNodes;
    };
    const Case cases[] = {
        {"first of three", ThreeDatabases(), "A", "a", "B", {"", "B", "B1", "C"}},
        {"last of three", ThreeDatabases(), "C", "c", "B", {"", "A", "B", "B1"}},
        {"only one", {{"x", "Einzeln", "X", {}}}, "X", "x", "", {""}},
        {"from a filter", ThreeDatabases(), "B1", "b", "", {"", "A", "C"}},
    };
    for (const Case& c : cases) {
        SetUp();
        host_->Load(c.Catalog);
        host_->Select(c.Selected);
        std::string question;
        AnswerNextQuestion(true, &question);
        commands_->FDELECATClick();
        EXPECT_FALSE(fs::exists(host_->NodesFolder() / c.GoneFolder)) << c.Name;
        EXPECT_TRUE(fs::is_directory(host_->NodesFolder())) << c.Name;
        EXPECT_EQ(host_->NodeIds(), c.ExpectedNodes) << c.Name;
        EXPECT_EQ(host_->SelectedId(), c.ExpectedSelection) << c.Name;
        EXPECT_EQ(host_->Selections, (std::vector<Selection>{{c.ExpectedSelection, false}})) << c.Name;
        EXPECT_NE(question.find("Datenbank"), std::string::npos) << question;
    }
}

TEST_F(CommandsTest, DeleteDatabaseAsksWithItsCaptionAndKeepsItOnNo)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Sanit\xE4r", "</b>Datenbank <b>Sanit\xE4r</b> l\xF6schen?"},
        {"Rohr <b>DN</b> & Co", "</b>Datenbank <b>Rohr &lt;b&gt;DN&lt;/b&gt; &amp; Co</b> l\xF6schen?"},
    };
    for (const auto& [caption, expected] : cases) {
        SetUp();
        host_->Load({{"sani", caption, "S", {}}});
        host_->Select("S");
        std::string question;
        AnswerNextQuestion(false, &question);
        commands_->FDELECATClick();
        EXPECT_EQ(question, expected);
        EXPECT_TRUE(fs::exists(host_->NodesFolder() / "sani" / "node.json"));
        EXPECT_EQ(host_->NodeIds(), (std::vector<std::string>{"", "S"}));
        EXPECT_TRUE(host_->Selections.empty());
    }
}

TEST_F(CommandsTest, DeleteDatabaseDoesNothingWithoutATargetOrWhileLoading)
{
    host_->Load(ThreeDatabases());
    // No question may open: an unanswered one would leave the test waiting.
    host_->Select("");
    commands_->FDELECATClick();
    host_->Select("A");
    host_->Busy = true;
    commands_->FDELECATClick();
    EXPECT_EQ(host_->NodeIds(), (std::vector<std::string>{"", "A", "B", "B1", "C"}));
    EXPECT_TRUE(fs::exists(host_->NodesFolder() / "a"));
    EXPECT_TRUE(host_->Selections.empty());
}

TEST_F(CommandsTest, DeleteDatabaseNeverDeletesOutsideItsOwnFolderBelowTheNodesFolder)
{
    const fs::path outside = MakeTempDir("outside");
    WriteFileBytes(outside / "keep.txt", "x");
    const std::string nodes = host_->Catalog().NodesFolder();
    const std::string cases[] = {(outside / "node.json").string(), nodes + "node.json", nodes + "a/../node.json",
                                 "node.json"};
    for (const std::string& nodeFile : cases) {
        host_->Load(ThreeDatabases());
        host_->Select("A");
        SetJsonTextUtf8(*host_->Catalog().FindNode("A"), "nodefile", nodeFile);
        AnswerNextQuestion(true);
        commands_->FDELECATClick();
        EXPECT_TRUE(fs::exists(outside / "keep.txt")) << nodeFile;
        for (const char* folder : {"a", "b", "c"})
            EXPECT_TRUE(fs::exists(host_->NodesFolder() / folder / "node.json")) << nodeFile << " " << folder;
        EXPECT_TRUE(host_->Selections.empty()) << nodeFile; // no rebuild
    }
}

TEST_F(CommandsTest, RemoveFilterSelectsTheFilterNowInItsPlace)
{
    struct Case {
        std::string Removed;
        std::string ExpectedSelection;
        std::vector<std::string> ExpectedSaved;
    };
    const Case cases[] = {
        {"F2", "F3", {"F1", "F3"}}, // the middle one: its follower moves up
        {"F3", "F1", {"F1", "F2"}}, // the last one: the first filter
    };
    for (const Case& c : cases) {
        SetUp();
        host_->Load({{"r",
                      "Rohre",
                      "R",
                      {{"Bogen", "F1"},
                       {"Muffe", "F2"},
                       {"T-St\xFC"
                        "ck",
                        "F3"}}}});
        host_->Select(c.Removed);
        std::string question;
        AnswerNextQuestion(true, &question);
        commands_->FDELSUBNODEClick();
        EXPECT_EQ(SavedFilterIds("r"), c.ExpectedSaved) << c.Removed;
        EXPECT_EQ(host_->SelectedId(), c.ExpectedSelection) << c.Removed;
        EXPECT_EQ(host_->Selections, (std::vector<Selection>{{c.ExpectedSelection, false}}));
        EXPECT_EQ(question.rfind("</b>Filter <b>", 0), 0u) << question;
    }

    // The only filter: the database follows. A no keeps the filter.
    SetUp();
    host_->Load({{"r", "Rohre", "R", {{"Bogen", "F1"}}}});
    host_->Select("F1");
    std::string question;
    AnswerNextQuestion(false, &question);
    commands_->FDELSUBNODEClick();
    EXPECT_EQ(question, "</b>Filter <b>Bogen</b> l\xF6schen?");
    EXPECT_EQ(SavedFilterIds("r"), (std::vector<std::string>{"F1"}));
    AnswerNextQuestion(true);
    commands_->FDELSUBNODEClick();
    EXPECT_TRUE(SavedFilterIds("r").empty());
    EXPECT_EQ(host_->SelectedId(), "R");
}

TEST_F(CommandsTest, RemoveFilterIgnoresDatabasesTheRootAndABusyLoader)
{
    host_->Load({{"r", "Rohre", "R", {{"Bogen", "F1"}}}});
    for (const char* id : {"R", ""}) {
        host_->Select(id);
        commands_->FDELSUBNODEClick(); // would wait on a question if it asked
    }
    host_->Select("F1");
    host_->Busy = true;
    commands_->FDELSUBNODEClick();
    EXPECT_EQ(SavedFilterIds("r"), (std::vector<std::string>{"F1"}));
    EXPECT_TRUE(host_->Selections.empty());
}

TEST_F(CommandsTest, AddFilterSavesTheFindTextAndSelectsTheFilter)
{
    host_->Load({{"r", "Rohre", "R", {{"Bogen", "F1"}}}});
    LoadDataSet();

    // An existing text in another letter case selects the existing filter.
    host_->Select("R");
    host_->Find = "BOGEN";
    commands_->FNEWSUBNODEClick();
    EXPECT_EQ(SavedFilterIds("r"), (std::vector<std::string>{"F1"}));
    EXPECT_EQ(host_->SelectedId(), "F1");
    EXPECT_EQ(host_->Selections, (std::vector<Selection>{{"F1", false}}));

    // A new text, kept as typed, becomes a new filter below the database of the selected filter.
    host_->Selections.clear();
    host_->Find = " Muffe 20 ";
    commands_->FNEWSUBNODEClick();
    std::vector<std::string> saved = SavedFilterIds("r");
    ASSERT_EQ(saved.size(), 2u);
    std::erase(saved, "F1");
    ASSERT_EQ(saved.size(), 1u);
    const std::string newId = saved[0];
    EXPECT_EQ(host_->SelectedId(), newId);
    TTreeNode* added = host_->NodeById(newId);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Kind(), TNodeKind::Filter);
    EXPECT_EQ(static_cast<TTreeNode*>(added->parent())->Data().NodeId, "R");
    EXPECT_EQ(JsonText(*host_->Catalog().FindFilter(newId), "filter"), " Muffe 20 ");
    EXPECT_EQ(host_->Selections, (std::vector<Selection>{{newId, false}}));
}

TEST_F(CommandsTest, AddFilterDoesNothingWithoutTextDatabaseOrWhileLoading)
{
    struct Case {
        const char* Name;
        std::string Find;
        bool Loaded;
        bool Busy;
        std::string Selected;
    };
    const Case cases[] = {
        {"blank text", " \t ", true, false, "R"},
        {"nothing loaded", "Muffe", false, false, "R"},
        {"loading", "Muffe", true, true, "R"},
        {"root selected", "Muffe", true, false, ""},
    };
    host_->Load({{"r", "Rohre", "R", {}}});
    for (const Case& c : cases) {
        host_->Select(c.Selected);
        host_->Find = c.Find;
        host_->Busy = c.Busy;
        host_->DataSet = c.Loaded ? std::make_unique<TListDataSet>() : nullptr;
        commands_->FNEWSUBNODEClick();
        EXPECT_TRUE(SavedFilterIds("r").empty()) << c.Name;
        EXPECT_TRUE(host_->Selections.empty()) << c.Name;
    }
}

TEST_F(CommandsTest, AFilterChangeThatCannotBeSavedIsReportedNotShown)
{
    struct Case {
        const char* Name;
        std::function<void(TCatalogCommands&)> Run;
        std::string Selected;
        std::vector<Selection> Expected; // after the report
    };
    const Case cases[] = {
        // Not added: the tree stays as it was.
        {"add", [](TCatalogCommands& c) { c.FNEWSUBNODEClick(); }, "R", {}},
        // Not removed: the rescan brings the filter back, and it stays selected.
        {"remove", [](TCatalogCommands& c) { c.FDELSUBNODEClick(); }, "F1", {{"F1", false}}},
    };
    for (const Case& c : cases) {
        SetUp();
        host_->Load({{"r", "Rohre", "R", {{"Bogen", "F1"}}}});
        LoadDataSet();
        host_->Select(c.Selected);
        host_->Find = "Muffe";
        // A node file below a plain file can never be written.
        const std::string blocked = (host_->NodesFolder() / "r" / "data.csv" / "node.json").string();
        SetJsonTextUtf8(*host_->Catalog().FindNode("R"), "nodefile", blocked);
        std::string report;
        auto readReport = [&report] {
            OnNextModal([&report](QWidget* dlg) {
                report = dlg->findChild<TMarkupLabel*>(QStringLiteral("HLSK"))->text();
                dlg->findChild<QPushButton*>(QStringLiteral("FOK"))->click();
            });
        };
        if (std::string(c.Name) == "remove") {
            // Yes to the question; the report comes after it.
            OnNextModal([&readReport](QWidget* dlg) {
                dlg->findChild<QPushButton*>(QStringLiteral("FOK"))->click();
                readReport();
            });
        } else {
            readReport();
        }
        c.Run(*commands_);
        EXPECT_NE(report.find("konnte nicht gespeichert werden"), std::string::npos) << c.Name << ": " << report;
        EXPECT_NE(report.find("data.csv/node.json"), std::string::npos) << report;
        EXPECT_EQ(SavedFilterIds("r"), (std::vector<std::string>{"F1"})) << c.Name;
        EXPECT_EQ(host_->NodeIds(), (std::vector<std::string>{"", "R", "F1"})) << c.Name;
        EXPECT_EQ(host_->Selections, c.Expected) << c.Name;
    }
}

TEST_F(CommandsTest, DeleteAllEmptiesTheCatalogAndTheBasketsOnYes)
{
    host_->Load(ThreeDatabases(), "B1");
    const fs::path baskets = host_->Catalog().BasketsFolder();
    WriteFileBytes(baskets / "korb" / "basket.csv", "x");
    host_->Busy = true; // does not wait for a running load

    std::string question;
    AnswerNextQuestion(false, &question);
    commands_->DELALLClick();
    EXPECT_EQ(question, "<b>Alle Datenbanken<b> wirklich unwiderruflich l\xF6schen?");
    EXPECT_TRUE(fs::exists(host_->NodesFolder() / "a" / "node.json"));
    EXPECT_TRUE(fs::exists(baskets / "korb" / "basket.csv"));
    EXPECT_TRUE(host_->Selections.empty());

    AnswerNextQuestion(true);
    commands_->DELALLClick();
    EXPECT_TRUE(fs::is_directory(host_->NodesFolder()));
    EXPECT_TRUE(fs::is_empty(host_->NodesFolder()));
    EXPECT_TRUE(fs::is_directory(baskets));
    EXPECT_TRUE(fs::is_empty(baskets));
    EXPECT_EQ(host_->NodeIds(), (std::vector<std::string>{""}));
    EXPECT_EQ(host_->Selections, (std::vector<Selection>{{"", false}}));
}

TEST_F(CommandsTest, FieldAssignmentRenamesAtOnceAndSavesTheSetup)
{
    struct Case {
        std::string Selected;
        std::string NewCaption;
    };
    const Case cases[] = {{"K", "Kupfer neu"}, {"K1", "Kupfer \xC4nderung"}, {"K", "Kupferrohre"}};
    for (const Case& c : cases) {
        SetUp();
        host_->Load(TwoDatabases());
        LoadDataSet();
        host_->Select(c.Selected);
        std::vector<bool> busyInEditor;
        std::string givenCaption;
        std::string givenSource;
        commands_->SetFieldAssignmentEditor(
            [&](const std::vector<std::string>&, TCSVSetup& setup, std::string& caption, const std::string& source) {
                busyInEditor.push_back(host_->ImportBusy());
                givenCaption = caption;
                givenSource = source;
                caption = c.NewCaption;
                setup.SourceColumns[2] = "ArtNr";
                setup.PriceFactor = 1.5;
            });
        commands_->FPROPClick();
        EXPECT_EQ(busyInEditor, std::vector<bool>{true}) << c.NewCaption;
        EXPECT_FALSE(host_->ImportBusy());
        EXPECT_EQ(givenCaption, "Kupferrohre");
        // The database's node shows the new caption; its filters keep theirs.
        EXPECT_EQ(host_->NodeById("K")->text(0), FromAnsi(c.NewCaption)) << c.NewCaption;
        EXPECT_EQ(host_->NodeById("K1")->text(0), QStringLiteral("Bogen"));
        const auto saved = ReadNodeFile((host_->NodesFolder() / "kupfer" / "node.json").string());
        ASSERT_TRUE(saved.has_value());
        EXPECT_EQ(JsonText(*saved, "Caption"), c.NewCaption);
        EXPECT_EQ(JsonText(*saved, "sfpartNo"), "ArtNr");
        EXPECT_TRUE(host_->Selections.empty()); // no reload, no rebuild
    }
}

TEST_F(CommandsTest, FieldAssignmentWaitsForLoadsImportsAndADatabase)
{
    host_->Load(TwoDatabases());
    host_->Select("K");
    int calls = 0;
    commands_->SetFieldAssignmentEditor(
        [&](const std::vector<std::string>&, TCSVSetup&, std::string&, const std::string&) { ++calls; });
    commands_->FPROPClick(); // no dataset loaded
    LoadDataSet();
    host_->Busy = true;
    commands_->FPROPClick();
    host_->Busy = false;
    host_->SetImportBusy(true);
    commands_->FPROPClick();
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(host_->ImportBusy()); // someone else's bracket is left alone
    host_->SetImportBusy(false);
    commands_->FPROPClick();
    EXPECT_EQ(calls, 1);
}

} // namespace
