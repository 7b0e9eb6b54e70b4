// The drag-and-drop block's layout and the storing of dropped file contents.

#include "platform/DragDropBlock.h"

#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace artikel::test {
namespace {

TEST(DragDropBlock, FieldsSitAtTheirOffsetsAndReadBack)
{
    const std::string full51(51, 's');
    const std::string bytes = EncodeDragDropBlock({"LB", "17", full51, "x"});
    ASSERT_EQ(bytes.size(), 64177u);
    EXPECT_EQ(bytes.substr(0, 3), std::string("LB\0", 3));
    EXPECT_EQ(bytes.substr(21, 3), std::string("17\0", 3));
    // A text that fills its field has no terminator: the next field starts right after it.
    EXPECT_EQ(bytes.substr(64022, 51), full51);
    EXPECT_EQ(bytes[64073], 'x');
    EXPECT_EQ(bytes.find_first_not_of('\0', 64074), std::string::npos);

    const TDragDropBlock back = DecodeDragDropBlock(bytes);
    EXPECT_EQ(back.origin, "LB");
    EXPECT_EQ(back.body, "17");
    EXPECT_EQ(back.sender, full51);
    EXPECT_EQ(back.extra, "x");

    // An origin too long for its field is cut; blanks around it are dropped when read.
    EXPECT_EQ(DecodeDragDropBlock(EncodeDragDropBlock({std::string(30, 'o'), "", "", ""})).origin,
              std::string(21, 'o'));
    EXPECT_EQ(DecodeDragDropBlock(EncodeDragDropBlock({" 3 ", "", "", ""})).origin, "3");
    // A foreign, short block: what is missing reads as empty.
    const TDragDropBlock shortBlock = DecodeDragDropBlock(std::string("5\0\0", 3));
    EXPECT_EQ(shortBlock.origin, "5");
    EXPECT_EQ(shortBlock.body, "");
    EXPECT_EQ(DecodeDragDropBlock({}).origin, "");
}

TEST(DragDropBlock, VirtualFileNamesLoseWhatNoFileNameMayHold)
{
    struct Case {
        std::string name;
        std::string clean;
    };
    const Case cases[] = {
        {"Angebot: 12?.pdf", "Angebot 12.pdf"},
        {"  a\\b/c|d>e<f*g\"h  ", "abcdefgh"},
        {std::string("tab\there\x1Fnow"), "tabherenow"},
        {"M\xFCller.txt", "M\xFCller.txt"},
        {"::??", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CleanVirtualFileName(c.name), c.clean) << c.name;
}

TEST(DragDropBlock, StoredVirtualFilesAndShortcuts)
{
    const auto folder = MakeTempDir("virtual") / "VirtualTempPath";
    const std::string big(70000, 'z'); // more than two chunks
    std::vector<std::string> written;
    const auto list = StoreVirtualFiles(folder.string() + "/",
                                        {{"Anhang?.bin", big},
                                         {"Seite.URL", "[internetshortcut]\r\nURL=https://example.org/a\r\n"},
                                         {"kein.url", "URL=https://example.org/b"},
                                         {"***", "r"}},
                                        written);
    ASSERT_EQ(list.size(), 4u);
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(list[0], (folder / "Anhang.bin").string());
    EXPECT_EQ(ReadFileBytes(folder / "Anhang.bin"), big);
    EXPECT_EQ(list[1], "https://example.org/a");
    EXPECT_TRUE(std::filesystem::exists(folder / "Seite.URL"));
    // Without the section it is an ordinary file.
    EXPECT_EQ(list[2], (folder / "kein.url").string());
    // Nothing left of the name: a number names it.
    const std::string numbered = std::filesystem::path(list[3]).filename().string();
    EXPECT_FALSE(numbered.empty());
    EXPECT_EQ(numbered.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(list[3]), "r");
}

} // namespace
} // namespace artikel::test
