#include "platform/uUserMode.h"

#include "platform/Folders.h"
#include "tests/common/TestEnv.h"
#include "tests/platform/RetryTestHooks.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace artikel;
namespace fs = std::filesystem;

namespace {

std::string S(const fs::path& p) { return p.string(); }

// Each test gets its own settings folder and program folder; the process-wide state is put back.
class UserMode : public testing::Test {
protected:
    void SetUp() override
    {
        base_ = test::MakeTempDir("usermode");
        program_ = S(base_ / "program") + "/";
        folder_ = S(base_ / "settings") + "/";
        fs::create_directories(program_);
        SetProgramFolderOverride(program_);
        SetUserModeFolder(folder_);
    }
    void TearDown() override
    {
        SetUserModeFolder("");
        SetProgramFolderOverride("");
    }
    std::string IniFile() const { return folder_ + "UserMode.INI"; }

    fs::path base_;
    std::string program_;
    std::string folder_;
};

} // namespace

TEST_F(UserMode, AReadOfAMissingFileGivesTheDefaultAndCreatesNothing)
{
    EXPECT_EQ(ReadUserModeString("Last.Node", "dflt"), "dflt");
    EXPECT_EQ(ReadUserModeInteger("ZB4711.Width", 640), 640);
    EXPECT_FALSE(ReadUserModeBool("X", false));
    EXPECT_FALSE(fs::exists(IniFile()));

    EXPECT_TRUE(ReadUserModeBool("AutoCompleteFindSuggest.AutoLearning", true, {}, true));
    EXPECT_EQ(test::ReadFileBytes(IniFile()), "[MODE]\r\nAutoCompleteFindSuggest.AutoLearning=1\r\n");
    // A stored value beats the default, and write-back then changes nothing.
    EXPECT_TRUE(WriteUserModeBool("AutoCompleteFindSuggest.AutoLearning", false));
    EXPECT_FALSE(ReadUserModeBool("AutoCompleteFindSuggest.AutoLearning", true, {}, true));
    EXPECT_EQ(test::ReadFileBytes(IniFile()), "[MODE]\r\nAutoCompleteFindSuggest.AutoLearning=0\r\n");
}

TEST_F(UserMode, StringsSurviveAWriteAndARead)
{
    for (const std::string value : {"plain", "a;b", "say \"hi\"", "  lead and trail  ", "", "\"", "\"\"", "; x ;",
                                    "M\xFC"
                                    "ller \x80",
                                    "C:\\Daten\\Preise", "tab\there", "=[MODE]"}) {
        ASSERT_TRUE(WriteUserModeString("Last.Node", value)) << value;
        EXPECT_EQ(ReadUserModeString("Last.Node", "-"), value) << value;
    }
    WriteUserModeString("Last.Node", "a\"b;c");
    EXPECT_EQ(test::ReadFileBytes(IniFile()), "[MODE]\r\nLast.Node=\"a\"\"b;c\"\r\n");
}

TEST_F(UserMode, StoredTextsAreUnquotedLikeTheWriterQuotes)
{
    struct Case {
        const char* stored;
        const char* read;
    };
    for (const Case c : {Case{"\"abc\"", "abc"}, Case{"\"a\"\"b\"", "a\"b"}, Case{"\"no closing", "no closing"},
                         Case{"\"a\" tail", "a"}, Case{"unquoted", "unquoted"}, Case{"un\"quoted\"", "un\"quoted\""},
                         Case{"\"\"", ""}, Case{"\"x\" ; comment", "x"}}) {
        test::WriteFileBytes(IniFile(), std::string("[mode]\r\nkey=") + c.stored + "\r\n");
        EXPECT_EQ(ReadUserModeString("KEY", "-"), c.read) << c.stored;
    }
    EXPECT_EQ(QuoteUserModeString("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(UnquoteUserModeString(QuoteUserModeString("\"\"x\"")), "\"\"x\"");
}

TEST_F(UserMode, NumbersAndBooleans)
{
    test::WriteFileBytes(IniFile(), "[MODE]\r\nHex=0x1F\r\nBad=abc\r\nYes=7\r\n");
    EXPECT_EQ(ReadUserModeInteger("Hex", 0), 31);
    EXPECT_EQ(ReadUserModeInteger("Bad", 30), 30);
    EXPECT_TRUE(ReadUserModeBool("Yes", false));
    EXPECT_FALSE(ReadUserModeBool("Bad", false));

    EXPECT_TRUE(WriteUserModeInteger("ZB4711.Left", -120));
    EXPECT_TRUE(WriteUserModeBool("Flag", true));
    EXPECT_EQ(ReadUserModeInteger("zb4711.left", 0), -120);
    EXPECT_EQ(ReadUserModeInteger("TSymbolDlg.Grid.XY", 30, {}, true), 30);
    EXPECT_EQ(test::ReadFileBytes(IniFile()),
              "[MODE]\r\nHex=0x1F\r\nBad=abc\r\nYes=7\r\nZB4711.Left=-120\r\nFlag=1\r\nTSymbolDlg.Grid.XY=30\r\n");
}

TEST_F(UserMode, AnEmptyKeyDoesNothing)
{
    EXPECT_EQ(ReadUserModeString("", "d", {}, true), "d");
    EXPECT_EQ(ReadUserModeInteger("", 4, {}, true), 4);
    EXPECT_TRUE(ReadUserModeBool("", true, {}, true));
    EXPECT_FALSE(WriteUserModeString("", "v"));
    EXPECT_FALSE(WriteUserModeInteger("", 1));
    EXPECT_FALSE(WriteUserModeBool("", true));
    EXPECT_FALSE(fs::exists(IniFile()));
}

TEST_F(UserMode, FailuresAreSwallowedAndReported)
{
    test::TRetryHooks hooks;
    // The settings folder is a file: nothing can be written below it.
    test::WriteFileBytes(base_ / "blocker", "x");
    const std::string blocked = S(base_ / "blocker" / "sub");
    EXPECT_FALSE(WriteUserModeString("Last.Node", "v", blocked));
    EXPECT_EQ(ReadUserModeString("Last.Node", "d", blocked, true), "d");
    EXPECT_EQ(test::ReadFileBytes(base_ / "blocker"), "x");

    // An unreadable file: reads give the default, writes fail without replacing it.
    test::WriteFileBytes(IniFile(), "[MODE]\r\nKeep=\"me\"\r\n");
    hooks.failRule = [](const std::string& path, int flags) {
        return path.find("UserMode.INI") != std::string::npos && (flags & O_CREAT) == 0 ? EACCES : 0;
    };
    EXPECT_EQ(ReadUserModeString("Keep", "d"), "d");
    EXPECT_FALSE(WriteUserModeString("Keep", "lost"));
    hooks.failRule = nullptr;
    EXPECT_EQ(test::ReadFileBytes(IniFile()), "[MODE]\r\nKeep=\"me\"\r\n");
}

TEST_F(UserMode, FolderNamesAndTheCurrentFolder)
{
    EXPECT_EQ(OpenUserModeFile()->FileName(), folder_ + "UserMode.INI");
    EXPECT_EQ(OpenUserModeFile(S(base_ / "other"))->FileName(), S(base_ / "other") + "/UserMode.INI");
    EXPECT_EQ(OpenUserModeFile("D")->FileName(), "D:/UserMode.INI");

    WriteUserModeString("Where", "explicit", S(base_ / "other"));
    EXPECT_EQ(ReadUserModeString("Where", "-"), "-");
    EXPECT_EQ(ReadUserModeString("Where", "-", S(base_ / "other") + "/"), "explicit");

    SetUserModeFolder("");
    EXPECT_EQ(OpenUserModeFile()->FileName(), program_ + "UserMode.INI");
}

TEST_F(UserMode, ANewFolderGetsTheSettingsOfTheProgramFolder)
{
    test::WriteFileBytes(program_ + "UserMode.INI", "[MODE]\r\nLast.Node=\"old install\"\r\n");
    const std::string fresh = S(base_ / "fresh") + "/";
    SetUserModeFolder(fresh);
    EXPECT_EQ(GetUserModeFolder(), fresh);
    EXPECT_EQ(ReadUserModeString("Last.Node", ""), "old install");

    // A folder that has its own file keeps it.
    const std::string own = S(base_ / "own") + "/";
    test::WriteFileBytes(own + "UserMode.INI", "[MODE]\r\nLast.Node=\"mine\"\r\n");
    SetUserModeFolder(own);
    EXPECT_EQ(ReadUserModeString("Last.Node", ""), "mine");

    // Setting the current folder again copies nothing, even when its file has gone.
    fs::remove(own + "UserMode.INI");
    SetUserModeFolder(own);
    EXPECT_FALSE(fs::exists(own + "UserMode.INI"));

    // An unreadable old file is skipped at once: the start does not wait for it.
    test::TRetryHooks hooks;
    const std::string old = program_ + "UserMode.INI";
    hooks.failRule = [old](const std::string& path, int) { return path == old ? EACCES : 0; };
    const std::string third = S(base_ / "third") + "/";
    SetUserModeFolder(third);
    EXPECT_TRUE(hooks.pauses.empty());
    EXPECT_FALSE(fs::exists(third + "UserMode.INI"));
    EXPECT_EQ(GetUserModeFolder(), third);
}
