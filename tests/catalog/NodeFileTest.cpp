// The node file's rule that a database's files lie in its own folder, and the scan and saves
// that never follow a link or block on a named pipe.

#include "catalog/NodeFile.h"

#include "catalog/CatalogHelpers.h"
#include "catalog/ConverterImport.h"
#include "catalog/TCSVRequest.h"
#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace artikel;
namespace fs = std::filesystem;

namespace {

TJSON NodeWith(const std::string& folder, const std::string& fileName)
{
    TJSON doc = TJSON::object();
    SetJsonTextUtf8(doc, "Caption", "Preise");
    SetJsonTextUtf8(doc, "nodepath", folder);
    SetJsonTextUtf8(doc, "Filename", fileName);
    return doc;
}

} // namespace

TEST(NodeFile, TheDatabaseFileIsABareNameInTheDatabasesOwnFolder)
{
    const fs::path dir = test::MakeTempDir("nodefile");
    const std::string folder = dir.string() + "/";
    struct Case {
        std::string name;
        bool usable;
    };
    const Case cases[] = {
        {"Preise.csv", true},
        {"..Preise.csv", true},
        {"Pr\xC3\xA4"
         "ise 2024.csv",
         true},
        {"../x.csv", false},
        {"../../somewhere/file", false},
        {"/tmp/x.csv", false},
        {"sub/x.csv", false},
        {"a\\x.csv", false},
        {"..", false},
        {".", false},
        {"", false},
        {std::string("x.csv\0/../y", 11), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TJSON doc = NodeWith(folder, c.name);
        EXPECT_EQ(NodeDatabaseFile(doc), c.usable ? folder + c.name : std::string());
        const std::string problem = NodeDatabaseFileProblem(doc);
        EXPECT_EQ(problem.empty(), c.usable) << problem;
        if (!c.usable) {
            EXPECT_NE(problem.find(Utf8ToWin1252("unbrauchbar")), std::string::npos) << problem;
        }
    }
    // The key is matched without regard to case, as the window reads it.
    TJSON spelled = TJSON::object();
    SetJsonTextUtf8(spelled, "nodepath", folder);
    SetJsonTextUtf8(spelled, "FileName", "db.csv");
    EXPECT_EQ(NodeDatabaseFile(spelled), folder + "db.csv");
    EXPECT_EQ(NodeDatabaseFile(NodeWith("", "db.csv")), "");
}

TEST(NodeFile, ACsvThatIsALinkIsNeitherLoadedNorWrittenThrough)
{
    const fs::path dir = test::MakeTempDir("nodefile");
    const fs::path outside = dir / "outside.csv";
    test::WriteFileBytes(outside, "precious");
    fs::create_directories(dir / "db");
    fs::create_symlink(outside, dir / "db" / "Preise.csv");
    const TJSON doc = NodeWith((dir / "db").string() + "/", "Preise.csv");
    EXPECT_NE(NodeDatabaseFileProblem(doc), "");

    // A re-import replaces the link by the new rows; the file it pointed to keeps its bytes.
    test::WriteFileBytes(dir / "scratch" / "Preise.csv", "Nr;Text\r\n1;neu\r\n");
    ASSERT_TRUE(ReplaceDatabaseCsv((dir / "scratch" / "Preise.csv").string(), NodeDatabaseFile(doc)));
    EXPECT_EQ(test::ReadFileBytes(outside), "precious");
    EXPECT_FALSE(fs::is_symlink(dir / "db" / "Preise.csv"));
    EXPECT_EQ(test::ReadFileBytes(dir / "db" / "Preise.csv"), "Nr;Text\r\n1;neu\r\n");
    EXPECT_FALSE(fs::exists(dir / "scratch" / "Preise.csv")) << "the converter's output is removed once used";
    EXPECT_EQ(NodeDatabaseFileProblem(doc), "");
}

TEST(NodeFile, NodeFilesAndBackupsThatAreLinksAreNeverFollowed)
{
    const fs::path client = test::MakeTempDir("client");
    TCSVRequest catalog(client.string() + "/");
    const fs::path nodes(catalog.NodesFolder());
    const fs::path outside = client / "outside";
    // A linked node file without an id would be repaired, that is saved, at the link's target.
    const std::string planted = "{\"Caption\":\"Fremd\",\"Filename\":\"x.csv\"}";
    test::WriteFileBytes(outside / "planted.json", planted);
    fs::create_directories(nodes / "linked");
    fs::create_symlink(outside / "planted.json", nodes / "linked" / "node.json");
    // A real node file whose backup is a link: its repair writes the backup too.
    test::WriteFileBytes(outside / "backup.txt", "keep me");
    test::WriteFileBytes(nodes / "real" / "node.json", "{\"Caption\":\"Echt\",\"Filename\":\"db.csv\"}");
    fs::create_symlink(outside / "backup.txt", nodes / "real" / "node.~json");

    catalog.ReloadNodes();
    ASSERT_EQ(catalog.NodeCount(), 1u);
    EXPECT_EQ(JsonText(*catalog.Nodes()[0], "Caption"), "Echt");
    EXPECT_EQ(test::ReadFileBytes(outside / "planted.json"), planted);
    EXPECT_EQ(test::ReadFileBytes(outside / "backup.txt"), "keep me");
    EXPECT_FALSE(fs::is_symlink(nodes / "real" / "node.~json"));
    EXPECT_EQ(test::ReadFileBytes(nodes / "real" / "node.~json"), test::ReadFileBytes(nodes / "real" / "node.json"));

    // Saving the linked path directly replaces the link as well.
    EXPECT_TRUE(SaveNodeFile(TJSON::object(), (nodes / "linked" / "node.json").string()));
    EXPECT_EQ(test::ReadFileBytes(outside / "planted.json"), planted);
    EXPECT_FALSE(fs::is_symlink(nodes / "linked" / "node.json"));
    EXPECT_FALSE(ReadNodeFile((outside / "missing.json").string()));
}

TEST(NodeFile, ANamedPipeInTheNodesFolderDoesNotHangTheScan)
{
    const fs::path client = test::MakeTempDir("client");
    TCSVRequest catalog(client.string() + "/");
    const fs::path nodes(catalog.NodesFolder());
    test::WriteFileBytes(nodes / "db" / "node.json", "{\"Caption\":\"Echt\",\"uid\":\"X\"}");
    fs::create_directories(nodes / "pipe");
    const fs::path fifo = nodes / "pipe" / "evil.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    auto scan = std::async(std::launch::async, [&] {
        catalog.ReloadNodes();
        return catalog.NodeCount();
    });
    if (scan.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Let the blocked scan go before failing, so the test ends.
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        ADD_FAILURE() << "the scan blocks on a named pipe";
        scan.wait();
        if (fd >= 0)
            ::close(fd);
        return;
    }
    EXPECT_EQ(scan.get(), 1u);
    EXPECT_TRUE(ListFilesRecursive(nodes.string(), "*.json") ==
                std::vector<std::string>{(nodes / "db" / "node.json").string()});
    EXPECT_FALSE(ReadNodeFile(fifo.string()));
}
