#include "catalog/TCSVRequest.h"

#include "platform/Folders.h"
#include "platform/RetryHooks.h"
#include "platform/uUserMode.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <regex>

using namespace artikel;
namespace fs = std::filesystem;

namespace {

const std::regex kGuidForm("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clientRoot_ = test::MakeTempDir("client");
        catalog_ = std::make_unique<TCSVRequest>(clientRoot_.string() + "/");
    }

    fs::path Nodes() const { return fs::path(catalog_->NodesFolder()); }

    // Writes a node file into its own database folder and returns its path.
    fs::path AddNodeFile(const std::string& folder, const std::string& text, const std::string& name = "node.json")
    {
        const fs::path file = Nodes() / folder / name;
        test::WriteFileBytes(file, text);
        return file;
    }

    std::vector<std::string> Captions() const
    {
        std::vector<std::string> out;
        for (const TJSON* node : catalog_->Nodes())
            out.push_back(JsonText(*node, "Caption"));
        return out;
    }

    fs::path clientRoot_;
    std::unique_ptr<TCSVRequest> catalog_;
};

TEST_F(CatalogTest, CreatesItsFoldersAndMakesTheRootTheSettingsFolder)
{
    const std::string root = clientRoot_.string() + "/TCSVRequest2.Root/";
    EXPECT_EQ(catalog_->RootFolder(), root);
    EXPECT_EQ(catalog_->NodesFolder(), root + "nodes/");
    EXPECT_EQ(catalog_->BasketsFolder(), root + "baskets/");
    for (const auto& folder : {catalog_->RootFolder(), catalog_->NodesFolder(), catalog_->BasketsFolder()})
        EXPECT_TRUE(fs::is_directory(folder)) << folder;
    EXPECT_EQ(GetUserModeFolder(), root);
    EXPECT_EQ(catalog_->NodeCount(), 0u); // creation does not scan
}

TEST_F(CatalogTest, WithoutAClientRootTheCatalogLivesInTheUsersClientRoot)
{
    const TCSVRequest standard("");
    EXPECT_EQ(standard.RootFolder(), GetClientRoot() + "TCSVRequest2.Root/");
    EXPECT_EQ(standard.RootFolder().rfind(test::SandboxDir().string(), 0), 0u); // XDG_DATA_HOME of the test
    EXPECT_TRUE(fs::is_directory(standard.NodesFolder()));
}

TEST_F(CatalogTest, PositionSetIsOpenAndEmptyWithTheSevenPositionFields)
{
    TListDataSetEx& positions = catalog_->PositionSet();
    EXPECT_TRUE(positions.Active());
    EXPECT_EQ(positions.RecordCount(), 0);
    ASSERT_EQ(positions.FieldCount(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(positions.Field(i).FieldName(), kPositionFieldNames[static_cast<size_t>(i)]);
}

TEST_F(CatalogTest, EmptyOrMissingNodesFolderGivesAnEmptyCatalog)
{
    catalog_->ReloadNodes();
    EXPECT_EQ(catalog_->NodeCount(), 0u);
    fs::remove_all(Nodes());
    catalog_->ReloadNodes();
    EXPECT_EQ(catalog_->NodeCount(), 0u);
}

TEST_F(CatalogTest, ScanFillsPathsAndRepairsIdsAndCaptionsAndSavesTheRepairedFile)
{
    const fs::path file = AddNodeFile(
        "db1",
        R"({"Caption":"Preise","Filename":"preise.csv","nodefile":"C:\\old\\node.json",)"
        R"("items":[{"filter":"rohr 10"},{"filter":"rohr 9","Caption":""},{"filter":"bogen","uid":"F-1"}]})");
    catalog_->ReloadNodes();
    ASSERT_EQ(catalog_->NodeCount(), 1u);
    const TJSON& node = *catalog_->Nodes()[0];

    EXPECT_EQ(JsonTextUtf8(node, "nodefile"), file.string());
    EXPECT_EQ(JsonTextUtf8(node, "nodepath"), (Nodes() / "db1").string() + "/");
    EXPECT_TRUE(std::regex_match(JsonText(node, "uid"), kGuidForm));

    const TJSON& items = node["items"];
    ASSERT_EQ(items.size(), 3u);
    const std::string order[] = {"bogen", "rohr 9", "rohr 10"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(JsonText(items[i], "Caption"), order[i]);
        EXPECT_EQ(JsonText(items[i], "filter"), order[i]);
    }
    EXPECT_EQ(JsonText(items[0], "uid"), "F-1");
    EXPECT_TRUE(std::regex_match(JsonText(items[1], "uid"), kGuidForm));

    // On disk: indented, with the ids and paths, and the same text in the backup.
    const std::string saved = test::ReadFileBytes(file);
    EXPECT_EQ(saved, WriteJson(node, TJsonLayout::Indented));
    EXPECT_NE(saved.find("\r\n  \"uid\": \"" + JsonText(node, "uid") + "\""), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(Nodes() / "db1" / "node.~json"), saved);

    // The next scan finds nothing to repair and keeps the ids.
    const std::string uid = JsonText(node, "uid");
    catalog_->ReloadNodes();
    EXPECT_EQ(JsonText(*catalog_->Nodes()[0], "uid"), uid);
}

TEST_F(CatalogTest, NodeWithIdAndWithoutCaptionIsListedAsItsFileNameAndNotRewritten)
{
    const std::string text = R"({"Filename":"a.csv","uid":"DB-1"})";
    const fs::path file = AddNodeFile("db", text);
    catalog_->ReloadNodes();
    ASSERT_EQ(catalog_->NodeCount(), 1u);
    EXPECT_EQ(JsonText(*catalog_->Nodes()[0], "Caption"), "node.json");
    EXPECT_EQ(test::ReadFileBytes(file), text);
    EXPECT_FALSE(fs::exists(Nodes() / "db" / "node.~json"));
}

TEST_F(CatalogTest, AnyJsonFileAtAnyDepthIsANodeAndDatabasesSortNaturally)
{
    AddNodeFile("a", R"({"Caption":"Liste 10","uid":"A"})");
    AddNodeFile("b", R"({"Caption":"liste 9","uid":"B"})");
    AddNodeFile("c/deeper", R"({"Caption":"Liste 2","uid":"C"})", "other.json");
    AddNodeFile("d", R"({"Caption":"Backup only","uid":"D"})", "node.~json");
    AddNodeFile("e", R"({"Caption":"Text","uid":"E"})", "node.txt");
    catalog_->ReloadNodes();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Liste 2", "liste 9", "Liste 10"}));
}

TEST_F(CatalogTest, UnreadableNodeFilesWithoutBackupAreSkippedAndTheirFoldersStay)
{
    AddNodeFile("good", R"({"Caption":"Gut","uid":"G"})");
    const std::string bad[] = {"{\"Caption\":", "[1,2]", R"({"Caption":"x","items":{"a":1}})",
                               R"({"Caption":"x","items":[1]})", std::string("\0\xFF", 2)};
    for (size_t i = 0; i < std::size(bad); ++i)
        AddNodeFile("bad" + std::to_string(i), bad[i]);
    catalog_->ReloadNodes();
    EXPECT_EQ(Captions(), std::vector<std::string>{"Gut"});
    for (size_t i = 0; i < std::size(bad); ++i) {
        EXPECT_TRUE(fs::is_directory(Nodes() / ("bad" + std::to_string(i))));
        EXPECT_EQ(test::ReadFileBytes(Nodes() / ("bad" + std::to_string(i)) / "node.json"), bad[i]);
    }
}

TEST_F(CatalogTest, BrokenNodeFileIsTakenFromItsBackupAndRewritten)
{
    const fs::path file = AddNodeFile("db", "{\"Caption\":\"Halb geschrie");
    const std::string backup =
        R"({"Caption":"Sanit\u00e4r","uid":"DB-7","items":[{"filter":"wc","uid":"F","Caption":"WC"}]})";
    test::WriteFileBytes(Nodes() / "db" / "node.~json", backup);
    catalog_->ReloadNodes();
    ASSERT_EQ(catalog_->NodeCount(), 1u);
    const TJSON& node = *catalog_->Nodes()[0];
    EXPECT_EQ(JsonText(node, "Caption"), "Sanit\xE4r");
    EXPECT_EQ(JsonText(node, "uid"), "DB-7");
    EXPECT_EQ(JsonTextUtf8(node, "nodefile"), file.string());

    const TJSON rewritten = ReadJson(test::ReadFileBytes(file));
    EXPECT_EQ(rewritten, node);
    EXPECT_EQ(ReadJson(test::ReadFileBytes(Nodes() / "db" / "node.~json")), node);
}

TEST_F(CatalogTest, FindNodeAndFindFilterCompareIdsExactly)
{
    AddNodeFile("a", R"({"Caption":"A","uid":"DB-A","items":[{"filter":"x","uid":"F-X","Caption":"x"}]})");
    AddNodeFile("b", R"({"Caption":"B","uid":"DB-B","items":[{"filter":"y","uid":"F-Y","Caption":"y"}]})");
    catalog_->ReloadNodes();
    const std::vector<TJSON*> nodes = catalog_->Nodes();
    ASSERT_EQ(nodes.size(), 2u);

    EXPECT_EQ(catalog_->FindNode("DB-B"), nodes[1]);
    EXPECT_EQ(catalog_->FindNode("F-Y"), nodes[1]); // a filter id finds its database
    EXPECT_EQ(catalog_->FindNode("db-b"), nullptr);
    EXPECT_EQ(catalog_->FindNode(""), nullptr);

    TJSON* filter = catalog_->FindFilter("F-X");
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter, &(*nodes[0])["items"][0]);
    EXPECT_EQ(catalog_->FindFilter("DB-A"), nullptr);
    EXPECT_EQ(catalog_->FindFilter("f-x"), nullptr);

    // A walk under the list's lock may look filters up on the way.
    const auto lock = catalog_->LockNodeList();
    EXPECT_EQ(catalog_->FindFilter("F-Y"), &(*nodes[1])["items"][0]);
}

TEST_F(CatalogTest, NeighbourNodeId)
{
    AddNodeFile("a", R"({"Caption":"1","uid":"ID1","items":[{"filter":"f","uid":"F1","Caption":"f"}]})");
    AddNodeFile("b", R"({"Caption":"2","uid":"ID2"})");
    AddNodeFile("c", R"({"Caption":"3","uid":"ID3"})");
    catalog_->ReloadNodes();
    const std::pair<const char*, const char*> cases[] = {
        {"ID1", "ID2"}, {"ID2", "ID1"}, {"ID3", "ID2"}, {"F1", ""}, {"nope", ""}};
    for (const auto& [id, expected] : cases)
        EXPECT_EQ(catalog_->NeighbourNodeId(id), expected) << id;

    fs::remove_all(Nodes() / "b");
    fs::remove_all(Nodes() / "c");
    catalog_->ReloadNodes();
    EXPECT_EQ(catalog_->NeighbourNodeId("ID1"), "");
}

TEST_F(CatalogTest, AddFilterReturnsTheExistingIdForTheSameTextInAnyCase)
{
    const std::string text = R"({"Caption":"A","uid":"DB"})";
    const fs::path file = AddNodeFile("a", text);
    catalog_->ReloadNodes();
    TJSON& node = *catalog_->Nodes()[0];

    const std::string id = catalog_->AddFilter(node, "Rohr \xC4");
    EXPECT_TRUE(std::regex_match(id, kGuidForm));
    ASSERT_EQ(node["items"].size(), 1u);
    EXPECT_EQ(JsonText(node["items"][0], "filter"), "Rohr \xC4");
    EXPECT_EQ(JsonFind(node["items"][0], "Caption"), nullptr); // filled by the next scan

    EXPECT_EQ(catalog_->AddFilter(node, "rOHR \xE4"), id);
    EXPECT_EQ(node["items"].size(), 1u);
    const std::string other = catalog_->AddFilter(node, "Rohr");
    EXPECT_NE(other, id);
    EXPECT_EQ(node["items"].size(), 2u);
    EXPECT_EQ(test::ReadFileBytes(file), text); // memory only

    // Saved by the caller and rescanned, the filter gets its caption.
    ASSERT_TRUE(catalog_->SaveNode(node));
    catalog_->ReloadNodes();
    EXPECT_EQ(JsonText(*catalog_->FindFilter(id), "Caption"), "Rohr \xC4");
}

TEST_F(CatalogTest, RemoveFilterSelectsTheNextOneOrTheDatabase)
{
    struct Case {
        int filters;
        const char* remove;
        const char* expectedNext;
        int remaining;
    };
    const Case cases[] = {
        {3, "F1", "F2", 2}, // the one now at its place
        {3, "F0", "F1", 2}, {3, "F2", "F0", 2}, // the last one: the first
        {1, "F0", "DB", 0}, // the only one: the database
        {2, "XX", "DB", 2}, // unknown: nothing removed
        {0, "F0", "DB", 0},
    };
    for (const auto& c : cases) {
        TJSON node = TJSON::object();
        SetJsonText(node, "uid", "DB");
        for (int i = 0; i < c.filters; ++i) {
            const std::string n = std::to_string(i);
            node["items"].push_back(
                TJSON{{"filter", std::string(1, 'f').append(n)}, {"uid", std::string(1, 'F').append(n)}});
        }
        EXPECT_EQ(catalog_->RemoveFilter(node, c.remove), c.expectedNext) << c.filters << " " << c.remove;
        EXPECT_EQ(node.contains("items") ? node["items"].size() : 0u, static_cast<size_t>(c.remaining));
    }
}

TEST_F(CatalogTest, LoadCSVSetupReadsPriceFactorWithPointOrComma)
{
    struct Case {
        const char* stored;
        double expected;
    };
    const Case cases[] = {{"1.5", 1.5}, {"1,5", 1.5}, {" 2,25 ", 2.25}, {"-0,5", -0.5},   {"3", 3.0},
                          {"", 0.0},    {"abc", 0.0}, {"1,5x", 0.0},    {"1.000,5", 0.0}, {"nan", 0.0}};
    for (const auto& c : cases) {
        TJSON node = TJSON::object();
        SetJsonText(node, "PriceFactor", c.stored);
        EXPECT_DOUBLE_EQ(catalog_->LoadCSVSetup(node).PriceFactor, c.expected) << c.stored;
    }
}

TEST_F(CatalogTest, LoadCSVSetupTakesTheSevenListsInFieldOrder)
{
    const TJSON node = ReadJson(R"({"sfPos":"Pos","SFDESCRIPTION":"Kurz,Lang","sfPrice":null})");
    const TCSVSetup setup = catalog_->LoadCSVSetup(node);
    EXPECT_EQ(setup.SourceColumns, (std::array<std::string, 7>{"Kurz,Lang", "", "", "", "", "", "Pos"}));
    EXPECT_TRUE(setup.Assigned);
    EXPECT_FALSE(catalog_->LoadCSVSetup(ReadJson(R"({"sfPrice":""})")).Assigned);
}

TEST_F(CatalogTest, SaveCSVSetupStoresCommaListsAndTheLocaleSeparatorAndSaves)
{
    const fs::path file = AddNodeFile("a", R"({"Caption":"A","uid":"DB"})");
    catalog_->ReloadNodes();
    TJSON& node = *catalog_->Nodes()[0];

    TCSVSetup setup;
    setup.SourceColumns = {"  Kurztext1\r\nKurztext2\r\n", "Langtext", "Artikelnummer", "", "ME\nEinheit", "", " Pos "};
    setup.PriceFactor = 1.5;
    for (const auto& [separator, written] : {std::pair{',', "1,5"}, std::pair{'.', "1.5"}}) {
        catalog_->SetDecimalSeparator(separator);
        ASSERT_TRUE(catalog_->SaveCSVSetup(node, setup));
        EXPECT_EQ(JsonText(node, "PriceFactor"), written);
        const TJSON saved = ReadJson(test::ReadFileBytes(file));
        EXPECT_EQ(JsonText(saved, "PriceFactor"), written);
        const TCSVSetup back = catalog_->LoadCSVSetup(saved);
        EXPECT_EQ(back.SourceColumns,
                  (std::array<std::string, 7>{"Kurztext1,Kurztext2", "Langtext", "Artikelnummer", "", "ME,Einheit", "",
                                              "Pos"}));
        EXPECT_DOUBLE_EQ(back.PriceFactor, 1.5);
        EXPECT_TRUE(back.Assigned);
    }
    EXPECT_EQ(FormatPriceFactor(1.0 / 3.0, ','), "0,333333333333333");
    EXPECT_EQ(FormatPriceFactor(1234567.0, ','), "1234567");

    // A document without a node file is changed in memory only.
    TJSON loose = TJSON::object();
    EXPECT_TRUE(catalog_->SaveCSVSetup(loose, setup));
    EXPECT_EQ(JsonText(loose, "sflongtext"), "Langtext");
}

// Fails every creation of a file in the given folder, as a full disk or a lost share would.
class FailingCreates {
public:
    explicit FailingCreates(std::string folder)
    {
        previous_ = SetFileOpen([folder = std::move(folder)](const char* path, int flags, mode_t mode) {
            if ((flags & O_CREAT) && std::string_view(path).substr(0, folder.size()) == folder) {
                errno = ENOSPC;
                return -1;
            }
            return ::open(path, flags, mode);
        });
    }
    ~FailingCreates() { SetFileOpen(previous_); }

private:
    TFileOpenFunc previous_;
};

TEST_F(CatalogTest, FailedSaveLeavesNodeFileAndBackupUntouchedAndReportsFalse)
{
    AddNodeFile("a", R"({"Caption":"A","uid":"DB","items":[{"filter":"x","uid":"F","Caption":"x"}]})");
    catalog_->ReloadNodes();
    TJSON& node = *catalog_->Nodes()[0];
    ASSERT_TRUE(catalog_->SaveNode(node));
    const fs::path file = Nodes() / "a" / "node.json";
    const fs::path backup = Nodes() / "a" / "node.~json";
    const std::string before = test::ReadFileBytes(file);
    ASSERT_EQ(test::ReadFileBytes(backup), before);

    catalog_->AddFilter(node, "neu");
    {
        FailingCreates failing((Nodes() / "a").string());
        EXPECT_FALSE(catalog_->SaveNode(node));
    }
    EXPECT_EQ(test::ReadFileBytes(file), before);
    EXPECT_EQ(test::ReadFileBytes(backup), before);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(Nodes() / "a"))
        ++entries;
    EXPECT_EQ(entries, 2u); // no temporary file left behind

    ASSERT_TRUE(catalog_->SaveNode(node));
    const std::string after = test::ReadFileBytes(file);
    EXPECT_NE(after, before);
    EXPECT_EQ(test::ReadFileBytes(backup), after);
}

TEST(SaveNodeFile, CreatesTheFolderAndWritesTheBackupBesideIt)
{
    const fs::path dir = test::MakeTempDir("save");
    const std::string file = (dir / "new" / "db" / "node.json").string();
    TJSON doc = TJSON::object();
    SetJsonText(doc, "Caption", "Neu");
    ASSERT_TRUE(SaveNodeFile(doc, file));
    EXPECT_EQ(test::ReadFileBytes(file), "{\r\n  \"Caption\": \"Neu\"\r\n}");
    EXPECT_EQ(test::ReadFileBytes(dir / "new" / "db" / "node.~json"), test::ReadFileBytes(file));
    EXPECT_FALSE(SaveNodeFile(doc, ""));

    const std::pair<const char*, const char*> names[] = {
        {"/a/node.json", "/a/node.~json"}, {"/a/x.y/node", "/a/x.y/node.~json"}, {"/a/b.tar.json", "/a/b.tar.~json"}};
    for (const auto& [name, expected] : names)
        EXPECT_EQ(NodeBackupFileName(name), expected);
}

} // namespace
