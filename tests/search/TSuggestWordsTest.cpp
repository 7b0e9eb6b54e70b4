#include "search/TSuggestWords.h"

#include "platform/RetryHooks.h"
#include "platform/uUserMode.h"
#include "search/TEditList.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace artikel {
namespace {

using test::MakeTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;

ino_t InodeOf(const std::filesystem::path& file)
{
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
}

class WordFileTest : public ::testing::Test {
protected:
    std::filesystem::path dir_ = MakeTempDir("words");
    std::filesystem::path file_ = dir_ / "autocomplete.txt";

    std::unique_ptr<TWordFileWords> MakeList()
    {
        auto list = std::make_unique<TWordFileWords>(file_.string());
        list->SetListId(1);
        return list;
    }
};

TEST_F(WordFileTest, LearnsSearchesInOrderAndStoresThemWithCrLf)
{
    auto list = MakeList();
    for (const char* search : {"k", "ka", "kab", "kabe", "kabel"})
        list->LearnSuggestions(search, 3);
    EXPECT_EQ(list->Words(), (std::vector<std::string>{"kab", "kabe", "kabel"}));
    EXPECT_EQ(ReadFileBytes(file_), "kab\r\nkabe\r\nkabel\r\n");
}

TEST_F(WordFileTest, KnownPhraseInOtherCaseIsNeitherAddedNorRewritten)
{
    WriteFileBytes(file_, "Kabel NYM\r\n\xC4pfel\r\n");
    auto list = MakeList();
    const ino_t before = InodeOf(file_);
    for (const char* search : {"kabel nym", "KABEL NYM", "\xE4PFEL", "\"kabel nym\""})
        list->LearnSuggestions(search, 3);
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(InodeOf(file_), before) << "an unchanged list must not be written";
    EXPECT_EQ(ReadFileBytes(file_), "Kabel NYM\r\n\xC4pfel\r\n");
}

TEST_F(WordFileTest, ShortTextsAndQuotesFollowTheLearningRules)
{
    auto list = MakeList();
    struct Case {
        std::string text;
        int minLength;
        bool learned;
        std::string stored;
    };
    const Case cases[] = {
        {"ab", 3, false, ""},
        {"ab", 1, false, ""}, // never fewer than three characters
        {"\"abc def\"", 3, true, "abc def"},
        {"xyz", 4, false, ""}, // the selection's minimum
        {"wxyz", 4, true, "wxyz"},
        {"   ", 0, false, ""},
    };
    for (const Case& c : cases) {
        const int before = list->Count();
        list->LearnSuggestions(c.text, c.minLength);
        ASSERT_EQ(list->Count(), before + (c.learned ? 1 : 0)) << c.text;
        if (c.learned) {
            EXPECT_EQ(list->Words().back(), c.stored);
        }
    }
    EXPECT_EQ(ReadFileBytes(file_), "abc def\r\nwxyz\r\n");
}

TEST_F(WordFileTest, NothingLearnedIntoAnEmptyListCreatesNoFile)
{
    auto list = MakeList();
    list->LearnSuggestions("ab", 3);
    EXPECT_TRUE(list->Loaded());
    EXPECT_FALSE(std::filesystem::exists(file_));
}

TEST_F(WordFileTest, FileRoundTripKeepsEveryLineByteForByte)
{
    // Lines as other editors leave them: mixed line ends, empty lines, duplicates, 8-bit text.
    WriteFileBytes(file_, "eins\r\nzwei\n\ndrei\rM\xFCller \xA7 5\r\neins\r\n\r\nletzte");
    auto list = MakeList();
    list->EnsureLoaded();
    EXPECT_EQ(list->Words(),
              (std::vector<std::string>{"eins", "zwei", "", "drei", "M\xFCller \xA7 5", "eins", "", "letzte"}));
    list->LearnSuggestions("neu", 3);
    EXPECT_EQ(ReadFileBytes(file_), "eins\r\nzwei\r\n\r\ndrei\r\nM\xFCller \xA7 5\r\neins\r\n\r\nletzte\r\nneu\r\n");

    // What was written reads back as it was, and a further save appends only the new line.
    const std::string written = ReadFileBytes(file_);
    auto again = MakeList();
    again->EnsureLoaded();
    EXPECT_EQ(again->Count(), 9);
    again->LearnSuggestions("noch eins", 3);
    EXPECT_EQ(ReadFileBytes(file_), written + "noch eins\r\n");
}

TEST_F(WordFileTest, TwoListsOnOneFileStayInStep)
{
    auto a = MakeList();
    auto b = MakeList();
    a->EnsureLoaded();
    b->EnsureLoaded();
    a->LearnSuggestions("kabel", 3);
    EXPECT_EQ(b->Words(), (std::vector<std::string>{"kabel"}));
    b->LearnSuggestions("rohr", 3);
    b->LearnSuggestions("muffe", 3);
    EXPECT_EQ(a->Words(), (std::vector<std::string>{"kabel", "rohr", "muffe"}));
    // b knows a's phrase, so learning it again changes nothing.
    b->LearnSuggestions("KABEL", 3);
    EXPECT_EQ(ReadFileBytes(file_), "kabel\r\nrohr\r\nmuffe\r\n");
}

TEST_F(WordFileTest, LearningWritesWithoutReadingBackAndListsOnOneFileShareInMemory)
{
    WriteFileBytes(file_, "alt\r\n");
    auto a = MakeList();
    auto b = MakeList();
    a->EnsureLoaded();
    b->EnsureLoaded();
    int reads = 0;
    const std::string path = file_.string();
    const TFileOpenFunc previous = SetFileOpen([&](const char* name, int flags, mode_t mode) {
        if (path == name && (flags & O_ACCMODE) == O_RDONLY)
            ++reads;
        return ::open(name, flags, mode);
    });
    for (const char* text : {"kug", "kuge", "kugel", "kugelhahn", "KUGEL"})
        a->LearnSuggestions(text, 3);
    b->LearnSuggestions("rohr", 3);
    SetFileOpen(previous);
    EXPECT_EQ(reads, 0);
    const std::vector<std::string> all = {"alt", "kug", "kuge", "kugel", "kugelhahn", "rohr"};
    EXPECT_EQ(a->Words(), all);
    EXPECT_EQ(b->Words(), all);
    EXPECT_EQ(ReadFileBytes(file_), "alt\r\nkug\r\nkuge\r\nkugel\r\nkugelhahn\r\nrohr\r\n");

    // A phrase with a line break of its own is split by the file: the lists read the file back.
    a->BeginBulkLearn();
    a->Append("zwei\nzeilen");
    a->EndBulkLearn();
    EXPECT_EQ(a->Words().back(), "zeilen");
    EXPECT_EQ(b->Words(), a->Words());
}

TEST_F(WordFileTest, SwitchingTheWordFileShowsTheOtherFilesPhrases)
{
    const std::filesystem::path other = MakeTempDir("other") / "autocomplete.txt";
    WriteFileBytes(file_, "erste\r\n");
    WriteFileBytes(other, "zweite\r\ndritte\r\n");
    auto list = MakeList();
    list->EnsureLoaded();
    ASSERT_EQ(list->Words(), (std::vector<std::string>{"erste"}));
    list->SetWordFile(other.string());
    list->Reload();
    EXPECT_EQ(list->Words(), (std::vector<std::string>{"zweite", "dritte"}));
    list->SetWordFile((dir_ / "missing" / "autocomplete.txt").string());
    list->Reload();
    EXPECT_EQ(list->Count(), 0);
}

TEST_F(WordFileTest, ReplaceWritesTheNewPhrasesOnly)
{
    WriteFileBytes(file_, "alt\r\nalt zwei\r\n");
    auto list = MakeList();
    list->ReplaceSuggestions("neu eins\r\nab\r\nNEU EINS\r\nneu zwei", 2);
    EXPECT_EQ(list->Words(), (std::vector<std::string>{"neu eins", "neu zwei"}));
    EXPECT_EQ(ReadFileBytes(file_), "neu eins\r\nneu zwei\r\n");
    list->ReplaceSuggestions("", 2);
    EXPECT_EQ(ReadFileBytes(file_), "");
}

TEST_F(WordFileTest, ListWithoutIdStoresNothing)
{
    TWordFileWords list(file_.string());
    list.LearnSuggestions("kabel", 3);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_FALSE(std::filesystem::exists(file_));
}

TEST_F(WordFileTest, UnwritableFileRaisesAndLeavesTheBracketClosed)
{
    // The word file's folder is a file: the save cannot succeed. The retries' pauses return at once.
    int pauses = 0;
    const TRetryPauseFunc old = SetRetryPause([&pauses](int) { ++pauses; });
    WriteFileBytes(dir_ / "blocker", "x");
    TWordFileWords list((dir_ / "blocker" / "autocomplete.txt").string());
    list.SetListId(1);
    EXPECT_ANY_THROW(list.LearnSuggestions("kabel", 3));
    SetRetryPause(old);
    EXPECT_FALSE(list.InBulkLearn());
    EXPECT_GE(pauses, 1);
}

TEST(EditList, FindBoxSwitchLivesInTheSettingsFile)
{
    const std::filesystem::path dir = MakeTempDir("settings");
    SetUserModeFolder(dir.string());
    THereEditList list;
    EXPECT_EQ(list.ListId(), 1);
    EXPECT_EQ(list.SettingKey(), "AutoCompleteFindSuggest.AutoLearning");
    EXPECT_TRUE(list.ReadAutoLearning());
    ASSERT_TRUE(list.WriteAutoLearning(false));
    EXPECT_FALSE(list.ReadAutoLearning());
    EXPECT_NE(ReadFileBytes(dir / "UserMode.INI").find("AutoCompleteFindSuggest.AutoLearning"), std::string::npos);
    SetUserModeFolder("");
}

} // namespace
} // namespace artikel
