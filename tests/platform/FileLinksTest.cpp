#include "platform/FileLinks.h"

#include "platform/Folders.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace artikel;
using namespace artikel::test;
namespace fs = std::filesystem;

namespace {

bool RealExists(const std::string& path) { return FileExists(path); }

std::string MakeFile(const fs::path& file, const std::string& bytes = "x")
{
    fs::create_directories(file.parent_path());
    WriteFileBytes(file, bytes);
    return file.string();
}

// A server root with a file whose folder and name hold blanks.
class FileLinksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        base_ = MakeTempDir("links");
        roots_.server = (base_ / "srv").string() + "/";
        file_ = MakeFile(base_ / "srv" / "Ordner A" / "Plan 1.pdf");
    }
    fs::path base_;
    TLinkRoots roots_;
    std::string file_;
};

TEST_F(FileLinksTest, PathAndLinkRoundTripThroughTheServerPlaceholder)
{
    const std::string link = PathToLink(file_, roots_, RealExists);
    EXPECT_EQ(link, "file://[SERVER]Ordner*A/Plan*1.pdf");
    EXPECT_EQ(LinkToPath(link, roots_, RealExists), file_);
    // The same link on a machine whose alias root lies elsewhere finds the file there.
    const std::string other = MakeFile(base_ / "andere" / "Ordner A" / "Plan 1.pdf");
    EXPECT_EQ(LinkToPath(link, {(base_ / "andere").string() + "/", ""}, RealExists), other);

    // Outside every root, or not existing under the placeholder, the path stays as it is.
    const std::string outside = MakeFile(base_ / "lokal" / "a b.txt");
    EXPECT_EQ(PathToLink(outside, roots_, RealExists), "file://" + (base_ / "lokal" / "a*b.txt").string());
    EXPECT_EQ(LinkToPath(PathToLink(outside, roots_, RealExists), roots_, RealExists), outside);
    const std::string missing = roots_.server + "fehlt.pdf";
    EXPECT_EQ(PathToLink(missing, roots_, RealExists), "file://" + missing);
    // An empty root matches nothing.
    std::string starred = file_;
    std::replace(starred.begin(), starred.end(), ' ', '*');
    EXPECT_EQ(PathToLink(file_, {}, RealExists), "file://" + starred);
}

TEST_F(FileLinksTest, LinksThatYieldNoFile)
{
    for (const char* link :
         {"http://www.example.de/a.pdf", "HTTPS://x", "www.example.de", "ftp.example.de/a", "mailto:info@example.de",
          "meier@example.de", "file://news:a", "file://", "", "file://[SERVER]fehlt.pdf", "file:///gibt/es/nicht.txt"})
        EXPECT_EQ(LinkToPath(link, roots_, RealExists), std::nullopt) << link;
    EXPECT_TRUE(IsWebAddress("Gopher:x"));
    EXPECT_FALSE(IsWebAddress("C:\\Mail@Ablage\\a.txt"));
}

TEST_F(FileLinksTest, NetworkPathOfAnotherMachineFoundUnderARoot)
{
    const std::string onShare = MakeFile(base_ / "srv" / "server" / "freigabe" / "a.txt");
    EXPECT_EQ(LinkToPath("file:////server/freigabe/a.txt", roots_, RealExists), onShare);
    EXPECT_EQ(LinkToPath("file://\\\\server\\freigabe\\a.txt", roots_, RealExists), onShare);
}

TEST_F(FileLinksTest, AliasFileGivesTheServerRootAndIsWrittenBack)
{
    const std::string client = (base_ / "client").string() + "/";
    const std::string alias = AliasFileName(client);
    EXPECT_EQ(alias, client + "Ledgix.Network.Alias.Docs.v2/-alias.txt");
    EXPECT_EQ(AliasFileName(client, "C:\\Daten/x"), client + "Ledgix.Network.Alias.Docs.v2/C__Daten_x-alias.txt");

    // Missing: created with an empty line.
    EXPECT_EQ(LoadLinkRoots(client).server, "");
    EXPECT_EQ(ReadFileBytes(alias), "\r\n");

    WriteFileBytes(alias, "  /mnt/Dokumente  \r\nzweite Zeile\r\n");
    const TLinkRoots roots = LoadLinkRoots(client);
    EXPECT_EQ(roots.server, "/mnt/Dokumente/");
    EXPECT_EQ(roots.db, "");
    EXPECT_EQ(ReadFileBytes(alias), "/mnt/Dokumente/\r\n");
}

TEST_F(FileLinksTest, LinksFoundInText)
{
    EXPECT_EQ(FindFileLinks("siehe file:///a*b.pdf\r\nund FILE://[SERVER]c.txt\tx ende file:"),
              (std::vector<std::string>{"file:///a*b.pdf", "FILE://[SERVER]c.txt\tx"}));
    EXPECT_TRUE(FindFileLinks("keine Links, nur afile://x").empty());
    EXPECT_EQ(LinksText({file_, "/x y"}, roots_, RealExists), "file://[SERVER]Ordner*A/Plan*1.pdf\r\nfile:///x*y");
}

TEST_F(FileLinksTest, LinkTargets)
{
    using K = TLinkTarget::Kind;
    struct Case {
        std::string link;
        K kind;
        std::string target;
    };
    const std::vector<Case> cases{
        {"fileselect://" + file_, K::SelectInFolder, file_},
        {"SHOPENFOLDERANDSELECTITEMS://[SERVER]Ordner*A/Plan*1.pdf", K::SelectInFolder, file_},
        {"file://[SERVER]Ordner*A/Plan*1.pdf", K::File, file_},
        {file_, K::File, file_},
        {"https://example.de/?a=1", K::Address, "https://example.de/?a=1"},
        {"mailto:a@b.de", K::Address, "mailto:a@b.de"},
        {"picture://bild.png", K::Address, "picture://bild.png"},
        {"file:///gibt/es/nicht.pdf", K::File, "/gibt/es/nicht.pdf"},
    };
    for (const Case& c : cases) {
        const TLinkTarget t = ClassifyLink(c.link, roots_, RealExists);
        EXPECT_EQ(t.kind, c.kind) << c.link;
        EXPECT_EQ(t.target, c.target) << c.link;
    }
}

TEST_F(FileLinksTest, LegacyProgramListMovesToTheClientRootOnce)
{
    const fs::path client = base_ / "client";
    const fs::path program = base_ / "programm";
    const fs::path legacy = program / "PLUGINS" / "OpenFileEx.txt";
    MakeFile(legacy, ".pdf=/usr/bin/alt\r\n");
    MakeFile(client / "OpenFileEx.txt", ".pdf=/usr/bin/vorher\r\n");

    const std::string path = OpenFileExPath(client.string() + "/", program.string() + "/");
    EXPECT_EQ(path, (client / "OpenFileEx.txt").string());
    EXPECT_EQ(ReadFileBytes(path), ".pdf=/usr/bin/alt\r\n");
    EXPECT_FALSE(fs::exists(legacy));
}

TEST(OpenFileEx, ProgramPerExtension)
{
    std::vector<std::string> lines{"; Kommentar", ".PDF=/opt/leser/bin/leser", ".txt=/usr/bin/edit"};
    EXPECT_EQ(ProgramForFile(lines, "/a/b/Plan 1.Pdf"), "/opt/leser/bin/leser");
    EXPECT_EQ(ProgramForFile(lines, "/a/b.txt/ohne"), "");
    EXPECT_EQ(ProgramForFile(lines, "/a/x.doc"), "");
    EXPECT_EQ(ExtensionKey("/a/b/BILD.\xC3\x84PNG"), ".\xC3\xA4png");

    SetProgramForFile(lines, "x.pdf", "/usr/bin/m\xC3\xBCller");
    SetProgramForFile(lines, "x.odt", "/usr/bin/office");
    EXPECT_EQ(lines,
              (std::vector<std::string>{"; Kommentar", ".pdf=/usr/bin/m\xFCller", ".txt=/usr/bin/edit",
                                        ".odt=/usr/bin/office"}));
    EXPECT_EQ(ProgramForFile(lines, "y.PDF"), "/usr/bin/m\xC3\xBCller");
}

TEST(OpenFileEx, FileIsOneArgumentWhateverItsName)
{
    for (const char* file : {"/tmp/a b.pdf", "/tmp/x\" ; rm -rf ~ ; \".pdf", "/tmp/$(id)`id`&|>.pdf"}) {
        const TOpenCommand cmd = OpenCommand("/usr/bin/leser", file);
        EXPECT_EQ(cmd.program, "/usr/bin/leser");
        EXPECT_EQ(cmd.arguments, std::vector<std::string>{file});
    }
    // Nor is a name that starts like an option read as one.
    EXPECT_EQ(OpenCommand("/usr/bin/leser", "-rf.pdf").arguments, std::vector<std::string>{"./-rf.pdf"});
}

} // namespace
