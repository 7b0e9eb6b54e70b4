#include "platform/Win1252.h"

#include <gtest/gtest.h>

using namespace artikel;

TEST(Win1252, CaseMappingsFollowTheCodePage)
{
    struct Case {
        unsigned char lower, upper;
    };
    for (const Case c : {Case{'a', 'A'}, Case{0xE4, 0xC4} /* ä */, Case{0xFC, 0xDC} /* ü */, Case{0x9A, 0x8A} /* š */,
                         Case{0xFF, 0x9F} /* ÿ */, Case{0x9C, 0x8C} /* œ */}) {
        EXPECT_EQ(AnsiUpperChar(c.lower), c.upper) << int(c.lower);
        EXPECT_EQ(AnsiLowerChar(c.upper), c.lower) << int(c.upper);
    }
    // ß, ÷, × and µ have no case partner in the code page.
    for (unsigned char c : {0xDF, 0xF7, 0xD7, 0xB5}) {
        EXPECT_EQ(AnsiUpperChar(c), c);
        EXPECT_EQ(AnsiLowerChar(c), c);
    }
    EXPECT_TRUE(SameTextNoCase("M\xDCLLER", "m\xFCller"));
    EXPECT_FALSE(SameTextNoCase("abc", "abcd"));
    EXPECT_LT(CompareTextNoCase("abc", "ABD"), 0);
}

TEST(Win1252, ContainsNoCase)
{
    struct Case {
        const char* text;
        const char* word;
        bool contains;
    };
    for (const Case c : {Case{"Artikel-Langtext", "LANGTEXT", true}, Case{"Stra\xDF\x65", "STRA\xDF", true},
                         Case{"M\xFCller", "\xDCL", true}, Case{"abc", "", true}, Case{"", "", true},
                         Case{"ab", "abc", false}, Case{"Preis", "reiss", false}, Case{"Einheit", "EINHEIT", true}})
        EXPECT_EQ(ContainsNoCase(c.text, c.word), c.contains) << c.text << " / " << c.word;
}

TEST(Win1252, StartsWithNoCase)
{
    struct Case {
        const char* text;
        const char* prefix;
        bool starts;
    };
    for (const Case c : {Case{"IDX:12", "idx:", true}, Case{"m\xFCller", "M\xDC", true}, Case{"abc", "", true},
                         Case{"", "", true}, Case{"ab", "abc", false},
                         Case{"\xDF"
                              "e",
                              "SS", false},
                         Case{"xabc", "abc", false}})
        EXPECT_EQ(StartsWithNoCase(c.text, c.prefix), c.starts) << c.text << " / " << c.prefix;
    // Folding either way pairs the same bytes, so callers may hold their prefix in either case.
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b)
            ASSERT_EQ(AnsiUpperChar(static_cast<unsigned char>(a)) == AnsiUpperChar(static_cast<unsigned char>(b)),
                      AnsiLowerChar(static_cast<unsigned char>(a)) == AnsiLowerChar(static_cast<unsigned char>(b)))
                << a << " " << b;
}

TEST(Win1252, UnicodeRoundTripKeepsEveryByte)
{
    std::string all;
    for (int i = 1; i < 256; ++i)
        all += static_cast<char>(i);
    EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(all)), all);
    EXPECT_EQ(Utf16ToWin1252(Win1252ToUtf16(all)), all);
    EXPECT_EQ(Win1252ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(Win1252ToUtf8("Gr\xF6\xDF"
                            "e"),
              "Gr\xC3\xB6\xC3\x9F"
              "e");
}

TEST(Win1252, UnrepresentableAndMalformedBecomeReplacement)
{
    EXPECT_EQ(Utf8ToWin1252("a\xE2\x98\x83"
                            "b"),
              "a?b"); // snowman
    EXPECT_EQ(Utf8ToWin1252("a\xC3"
                            "b"),
              "a?b"); // truncated sequence
    EXPECT_EQ(Utf8ToWin1252("\xC0\xAF"), "??"); // overlong
    EXPECT_TRUE(IsValidUtf8("Gr\xC3\xB6\xC3\x9F"
                            "e"));
    EXPECT_FALSE(IsValidUtf8("Gr\xF6\xDF"
                             "e"));
    EXPECT_EQ(Utf16ToWin1252(u"\U0001F600x"), "?x"); // surrogate pair
}
