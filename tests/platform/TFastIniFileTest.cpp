#include "platform/TFastIniFile.h"

#include "platform/EInOutError.h"
#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"
#include "tests/platform/RetryTestHooks.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <map>

using namespace artikel;
namespace fs = std::filesystem;

namespace {

std::string S(const fs::path& p) { return p.string(); }

// An INI file with the given bytes in a fresh folder.
std::string IniWith(const std::string& bytes)
{
    const fs::path file = test::MakeTempDir("ini") / "test.ini";
    test::WriteFileBytes(file, bytes);
    return S(file);
}

} // namespace

TEST(FastIniFile, LinesAWriteDoesNotTouchStayByteForByte)
{
    const std::string before = "stray text before any section\r\n"
                               "; a comment\r\n"
                               "\r\n"
                               "[Other]\r\n"
                               "  Spaced Key   =   spaced value  \r\n"
                               "line without equals\r\n"
                               "\tTab=\tx\t\r\n"
                               "[MODE]\r\n"
                               "A = 1 ; keep me\r\n"
                               "b=two\r\n"
                               "Target=old\r\n"
                               "; trailing\r\n"
                               "\r\n"
                               "[Last]\r\n"
                               "z=\xE4\xF6\xFC\r\n";
    const std::string file = IniWith(before);
    {
        TFastIniFile ini(file);
        // Reads parse these lines; they must still go back as they were.
        EXPECT_EQ(ini.ReadString("Other", "Spaced Key", "-"), "spaced value");
        EXPECT_EQ(ini.ReadString("Other", "Tab", "-"), "x");
        EXPECT_EQ(ini.ReadString("MODE", "a", "-"), "1");
        EXPECT_EQ(ini.ReadString("Last", "z", "-"), "\xE4\xF6\xFC");
        EXPECT_EQ(ini.ReadString("Other", "line without equals", "-"), "-");
        ini.WriteString("MODE", "Target", "new");
    }
    std::string expected = before;
    expected.replace(expected.find("Target=old"), 10, "Target=new");
    EXPECT_EQ(test::ReadFileBytes(file), expected);
}

TEST(FastIniFile, InlineCommentsAreCutOnReadAndKeepTheirColumnOnWrite)
{
    struct Case {
        const char* stored;
        const char* read;
        const char* write;
        const char* line;
    };
    for (const Case c : {
             Case{"abc ; note", "abc", "x", "k=x   ; note"},
             Case{"abc;note", "abc", "longer", "k=longer ;note"},
             Case{"abc    ;n", "abc", "abcd", "k=abcd   ;n"},
             Case{"\"a;b\" ; c", "\"a;b\"", "\"x;y\"", "k=\"x;y\" ; c"},
             Case{"\"say \"\"hi\"\";\" ;c", "\"say \"\"hi\"\";\"", "v",
                  "k=v"
                  "             ;c"},
             Case{"; only a comment", "", "v", "k=v ; only a comment"},
             Case{"plain", "plain", "other", "k=other"},
             Case{"\"unclosed ; not a comment", "\"unclosed ; not a comment", "w", "k=w"},
         }) {
        const std::string file = IniWith(std::string("[S]\r\nk=") + c.stored + "\r\n");
        {
            TFastIniFile ini(file);
            EXPECT_EQ(ini.ReadString("S", "k", "-"), c.read) << c.stored;
            ini.WriteString("S", "k", c.write);
        }
        EXPECT_EQ(test::ReadFileBytes(file), std::string("[S]\r\n") + c.line + "\r\n") << c.stored;
        TFastIniFile again(file);
        EXPECT_EQ(again.ReadString("S", "k", "-"), c.write) << c.stored;
    }

    // At most 255 characters of a comment stay.
    const std::string longComment = ";" + std::string(300, 'c');
    const std::string file = IniWith("[S]\r\nk=v " + longComment + "\r\n");
    {
        TFastIniFile ini(file);
        ini.WriteString("S", "k", "w");
    }
    EXPECT_EQ(test::ReadFileBytes(file), "[S]\r\nk=w " + longComment.substr(0, 255) + "\r\n");

    // Without the comment rule the whole text is the value.
    TFastIniFile raw(IniWith("[S]\r\nk=abc ; note\r\n"));
    raw.SetStripInlineComments(false);
    EXPECT_EQ(raw.ReadString("S", "k", "-"), "abc ; note");
}

TEST(FastIniFile, NewKeysGoAfterTheLastKeyAndNewSectionsAfterABlankLine)
{
    struct Case {
        const char* before;
        const char* section;
        const char* after;
    };
    for (const Case c : {
             Case{"[A]\r\nk1=1\r\n; trailing\r\n\r\n[B]\r\nx=1\r\n", "A",
                  "[A]\r\nk1=1\r\nnew=v\r\n; trailing\r\n\r\n[B]\r\nx=1\r\n"},
             Case{"[A]\r\n; only comments\r\n\r\n[B]\r\n", "A", "[A]\r\nnew=v\r\n; only comments\r\n\r\n[B]\r\n"},
             Case{"[A]\r\nno equals here\r\n;c\r\n", "A", "[A]\r\nno equals here\r\nnew=v\r\n;c\r\n"},
             Case{"[A]\r\nk=1\r\n[B]\r\nx=1\r\n;end\r\n", "B", "[A]\r\nk=1\r\n[B]\r\nx=1\r\nnew=v\r\n;end\r\n"},
             Case{"[A]\r\nk=1", "NEW", "[A]\r\nk=1\r\n\r\n[NEW]\r\nnew=v\r\n"},
             Case{"[A]\r\nk=1\r\n\r\n", "NEW", "[A]\r\nk=1\r\n\r\n[NEW]\r\nnew=v\r\n"},
             Case{"", "NEW", "[NEW]\r\nnew=v\r\n"},
         }) {
        const std::string file = IniWith(c.before);
        {
            TFastIniFile ini(file);
            ini.WriteString(c.section, "  new ", "v");
        }
        EXPECT_EQ(test::ReadFileBytes(file), c.after) << testing::PrintToString(std::string(c.before));
    }
}

TEST(FastIniFile, NamesIgnoreCaseByTheCodePage)
{
    const std::string text = "[M\xC4RZ]\r\nSchl\xDCssel=1\r\nKey=2\r\n";
    struct Case {
        bool caseSensitive, localeFolding;
        const char* section;
        const char* key;
        const char* result;
    };
    for (const Case c : {
             Case{false, true, "m\xE4rz", "schl\xFCssel", "1"},
             Case{false, true, "M\xC4RZ", "KEY", "2"},
             Case{false, false, "m\xE4rz", "key", "-"},
             Case{false, false, "m\xC4rz", "kEY", "2"},
             Case{true, true, "M\xC4RZ", "key", "-"},
             Case{true, true, "M\xC4RZ", "Key", "2"},
         }) {
        TFastIniFile ini(IniWith(text));
        ini.SetCaseSensitive(c.caseSensitive);
        ini.SetLocaleCaseFolding(c.localeFolding);
        EXPECT_EQ(ini.ReadString(c.section, c.key, "-"), c.result) << c.section << "/" << c.key;
    }

    // Switching the rules after loading re-hashes what was already read.
    TFastIniFile ini(IniWith(text));
    EXPECT_EQ(ini.ReadString("m\xE4rz", "KEY", "-"), "2");
    ini.SetCaseSensitive(true);
    EXPECT_EQ(ini.ReadString("m\xE4rz", "KEY", "-"), "-");
    EXPECT_EQ(ini.ReadString("M\xC4RZ", "Key", "-"), "2");

    // A write in another case changes the existing entry instead of adding one.
    const std::string file = IniWith("[MODE]\r\nKey=1\r\n");
    {
        TFastIniFile w(file);
        w.WriteString("mode", "KEY", "2");
    }
    EXPECT_EQ(test::ReadFileBytes(file), "[MODE]\r\nKey=2\r\n");
}

TEST(FastIniFile, IntegersAreDecimalOrHex)
{
    struct Case {
        const char* stored;
        int result;
    };
    for (const Case c :
         {Case{"0x1F", 31}, Case{"0X1f", 31}, Case{"$10", 16}, Case{"12", 12}, Case{"-5", -5}, Case{"+7", 7},
          Case{"  8  ", 8}, Case{"0xFFFFFFFF", -1}, Case{"0x", 99}, Case{"abc", 99}, Case{"", 99}, Case{"1e3", 99},
          Case{"12abc", 99}, Case{"99999999999", 99}, Case{"-", 99}, Case{"0x1G", 99}, Case{"2147483647", 2147483647},
          Case{"-2147483648", -2147483647 - 1}, Case{"7 ; comment", 7}}) {
        TFastIniFile ini(IniWith(std::string("[S]\r\nk=") + c.stored + "\r\n"));
        EXPECT_EQ(ini.ReadInteger("S", "k", 99), c.result) << c.stored;
        const bool invalid = c.result == 99;
        EXPECT_EQ(ini.ReadBool("S", "k", invalid), invalid || c.result != 0) << c.stored;
    }
    TFastIniFile ini(IniWith(""));
    EXPECT_EQ(ini.ReadInteger("S", "missing", 5), 5);
    EXPECT_TRUE(ini.ReadBool("S", "missing", true));
}

TEST(FastIniFile, ReadsEveryLineEndAndWritesCrLf)
{
    struct Case {
        const char* name;
        std::string bytes;
    };
    for (const Case& c :
         {Case{"LF", "[S]\na=1\n;c\nb=2"}, Case{"CR", "[S]\ra=1\r;c\rb=2\r"}, Case{"mixed", "[S]\r\na=1\r;c\nb=2\r\n"},
          Case{"NUL ends", std::string("[S]\na=1\n;c\nb=2\n\0[X]\ny=3\n", 24)}}) {
        const std::string file = IniWith(c.bytes);
        {
            TFastIniFile ini(file);
            EXPECT_EQ(ini.ReadString("S", "a", "-"), "1") << c.name;
            EXPECT_EQ(ini.ReadString("S", "b", "-"), "2") << c.name;
            EXPECT_FALSE(ini.SectionExists("X")) << c.name;
            ini.WriteString("S", "a", "9");
        }
        EXPECT_EQ(test::ReadFileBytes(file), "[S]\r\na=9\r\n;c\r\nb=2\r\n") << c.name;
    }
}

TEST(FastIniFile, WritingTheStoredValueLeavesTheFileAlone)
{
    test::TRetryHooks hooks;
    const std::string file = IniWith("[S]\r\nk=abc ; note\r\nn=5\r\nq=\"x\"\r\n");
    {
        TFastIniFile ini(file);
        ini.WriteString("S", "k", "abc");
        ini.WriteInteger("S", "n", 5);
        ini.WriteString("S", "q", "\"x\"");
        EXPECT_FALSE(ini.Modified());
        ini.WriteString("S", "n", "5 "); // differs: blanks count
        EXPECT_TRUE(ini.Modified());
        ini.WriteString("S", "n", "5");
        ini.DiscardChanges();
    }
    for (const std::string& opened : hooks.opens)
        EXPECT_EQ(opened, file) << "nothing but the read may touch the folder";
    EXPECT_EQ(test::ReadFileBytes(file), "[S]\r\nk=abc ; note\r\nn=5\r\nq=\"x\"\r\n");
}

TEST(FastIniFile, KeyIndexAgreesWithTheLinesAfterInserts)
{
    // Two sections averaging more than 249 key lines switch the key index on.
    std::string text;
    std::map<std::string, std::map<std::string, std::string>> model;
    for (const char* sec : {"A", "B"}) {
        text += std::string("[") + sec + "]\r\n";
        for (int i = 0; i < 260; ++i) {
            const std::string key = "Key" + std::to_string(i);
            text += key + "=" + sec + std::to_string(i) + "\r\n";
            model[sec][key] = sec + std::to_string(i);
        }
        text += "; end of " + std::string(sec) + "\r\n";
    }
    const std::string file = IniWith(text);
    auto checkAll = [&](TFastIniFile& ini, const char* when) {
        for (const auto& [sec, keys] : model)
            for (const auto& [key, value] : keys)
                ASSERT_EQ(ini.ReadString(sec, key, "-"), value) << when << " " << sec << "." << key;
        EXPECT_EQ(ini.ReadString("A", "nope", "-"), "-");
    };
    {
        TFastIniFile ini(file);
        EXPECT_TRUE(ini.KeyIndexInUse());
        EXPECT_EQ(ini.Statistics().sectionHeaders, 2u);
        EXPECT_EQ(ini.Statistics().unparsedLines, 520u);
        EXPECT_EQ(ini.Statistics().commentLines, 2u);
        checkAll(ini, "loaded");
        // Inserts into A move B down; inserts into B and A again; a new section at the end.
        for (int i = 0; i < 40; ++i) {
            const char* sec = i % 3 == 0 ? "B" : "A";
            const std::string key = "New" + std::to_string(i);
            ini.WriteString(sec, key, "n" + std::to_string(i));
            model[sec][key] = "n" + std::to_string(i);
            ini.WriteString("A", "Key" + std::to_string(i), "changed");
            model["A"]["Key" + std::to_string(i)] = "changed";
            ini.WriteString("B", "Key" + std::to_string(259 - i), "changed");
            model["B"]["Key" + std::to_string(259 - i)] = "changed";
        }
        ini.WriteString("C", "only", "1");
        model["C"]["only"] = "1";
        checkAll(ini, "after inserts");
    }
    TFastIniFile reread(file);
    checkAll(reread, "re-read");
    const std::string written = test::ReadFileBytes(file);
    EXPECT_LT(written.find("New1=n1"), written.find("; end of A"));
    EXPECT_LT(written.find("New0=n0"), written.find("; end of B"));
    EXPECT_GT(written.find("New0=n0"), written.find("[B]"));

    // The same file read without the index (as a small file would be) agrees.
    std::string small;
    for (const auto& [key, value] : model["A"])
        small += key + "=" + value + "\r\n";
    TFastIniFile plain(IniWith("[A]\r\n" + small + "[E1]\r\n[E2]\r\n"));
    EXPECT_FALSE(plain.KeyIndexInUse());
    for (const auto& [key, value] : model["A"])
        ASSERT_EQ(plain.ReadString("A", key, "-"), value) << key;
}

TEST(FastIniFile, ValuesStayOneLine)
{
    const std::string file = IniWith("");
    {
        TFastIniFile ini(file);
        ini.WriteString("S", "k", "one\r\n[Evil]\r\nx=1");
        ini.WriteString("S", "next\nkey", "v");
    }
    EXPECT_EQ(test::ReadFileBytes(file), "[S]\r\nk=one  [Evil]  x=1\r\nnext key=v\r\n");
    TFastIniFile ini(file);
    EXPECT_FALSE(ini.SectionExists("Evil"));
}

TEST(FastIniFile, StripQuotesRemovesOneMatchingPair)
{
    struct Case {
        const char* stored;
        const char* read;
    };
    for (const Case c : {Case{"\"a b\"", "a b"}, Case{"'x'", "x"}, Case{"\"x'", "\"x'"}, Case{"\"", "\""},
                         Case{"\"\"q\"\"", "\"q\""}}) {
        TFastIniFile ini(IniWith(std::string("[S]\r\nk=") + c.stored + "\r\n"));
        ini.SetStripQuotes(true);
        EXPECT_EQ(ini.ReadString("S", "k", "-"), c.read) << c.stored;
    }
}

TEST(FastIniFile, AFailedSaveKeepsTheOldFileAndTheChanges)
{
    test::TRetryHooks hooks;
    const std::string file = IniWith("[S]\r\nk=old\r\n");
    TFastIniFile ini(file);
    ini.WriteString("S", "k", "new");

    // The disk is full: nothing reaches the file, the error is raised, the change stays pending.
    hooks.redirect = [](const std::string& path, int flags) {
        return path.find(".tmp") != std::string::npos && (flags & O_CREAT) ? ::open("/dev/full", O_WRONLY | O_CLOEXEC)
                                                                           : -1;
    };
    EXPECT_THROW(ini.UpdateFile(), EInOutError);
    EXPECT_EQ(test::ReadFileBytes(file), "[S]\r\nk=old\r\n");
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(file).parent_path()), fs::directory_iterator()), 1);

    // Held for a while: the open is retried every 10 ms.
    hooks.redirect = nullptr;
    hooks.failRule = test::FailFirst(4, ".tmp");
    hooks.pauses.clear();
    ini.UpdateFile();
    EXPECT_EQ(hooks.pauses, std::vector<int>(4, 10));
    EXPECT_EQ(test::ReadFileBytes(file), "[S]\r\nk=new\r\n");
    EXPECT_FALSE(ini.Modified());

    // Held for good: gives up after 10 s of retries.
    ini.WriteString("S", "k", "newer");
    hooks.failRule = test::FailFirst(1 << 30, ".tmp");
    hooks.pauses.clear();
    try {
        ini.UpdateFile();
        FAIL() << "must give up";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Datei " + file + " kann nicht erstellt werden");
    }
    EXPECT_GT(hooks.TotalPauseMs(), 9990);
    EXPECT_EQ(test::ReadFileBytes(file), "[S]\r\nk=new\r\n");
    ini.DiscardChanges();
}

TEST(FastIniFile, AFileThatCannotBeReadIsNeverOverwritten)
{
    test::TRetryHooks hooks;
    const std::string file = IniWith("[S]\r\nkeep=1\r\nother=2\r\n");
    hooks.failRule = [](const std::string& path, int flags) {
        return path.find("test.ini") != std::string::npos && (flags & O_CREAT) == 0 ? EACCES : 0;
    };
    {
        TFastIniFile ini(file);
        EXPECT_THROW(ini.WriteString("S", "keep", "lost"), EInOutError);
        EXPECT_FALSE(ini.Modified());
    }
    EXPECT_EQ(test::ReadFileBytes(file), "[S]\r\nkeep=1\r\nother=2\r\n");
}

TEST(FastIniFile, DuplicateKeysResolveByTheLookupInUse)
{
    // Without a key index the first occurrence wins.
    TFastIniFile ini(IniWith("[S]\r\nk=first\r\nk=second\r\n"));
    EXPECT_EQ(ini.ReadString("S", "k", "-"), "first");
    EXPECT_FALSE(TFastIniFile(IniWith("")).KeyIndexInUse());
}

TEST(FastIniFile, ManySectionsInOneIndexBucketLoadAndFree)
{
    // Names built so that all hash into one bucket of the section index: a long list there must
    // neither overflow the stack when freed nor lose a section.
    std::string text;
    std::string firstName, lastName;
    std::uint32_t made = 0;
    for (int i = 0; made < 300000; ++i) {
        const std::string prefix = "S" + std::to_string(i);
        const std::uint32_t h = TFastIniFile::HashName(prefix, false, true);
        const auto c = static_cast<unsigned char>((((h << 2) | (h >> 30)) & 0xFF) ^ 0x42);
        if (c == 0 || c == '\r' || c == '\n' || kAnsiUpper[c] != c)
            continue;
        const std::string name = prefix + static_cast<char>(c);
        ASSERT_EQ(TFastIniFile::HashName(name, false, true) & 0xFF, 0x42u);
        text += "[" + name + "]\r\n";
        (made == 0 ? firstName : lastName) = name;
        ++made;
    }
    auto ini = std::make_unique<TFastIniFile>("");
    ini->LoadFromText(text);
    EXPECT_EQ(ini->Statistics().sectionHeaders, made);
    EXPECT_TRUE(ini->SectionExists(firstName));
    EXPECT_TRUE(ini->SectionExists(lastName));
    ini->SetCaseSensitive(true); // rebuilds the index
    EXPECT_TRUE(ini->SectionExists(firstName));
    ini.reset();
}
