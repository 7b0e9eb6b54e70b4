#include "platform/TJsonDocument.h"

#include <gtest/gtest.h>

#include <limits>

using artikel::EJsonError;
using artikel::JsonFind;
using artikel::JsonMember;
using artikel::JsonString;
using artikel::JsonText;
using artikel::JsonTextUtf8;
using artikel::ReadJson;
using artikel::SetJsonText;
using artikel::TJSON;
using artikel::TJsonLayout;
using artikel::WriteJson;

namespace {

struct EscapeCase {
    const char* name;
    std::string ansi; // the string value, Windows-1252
    std::string written; // the string as written, quotes included
};

class JsonStringEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(JsonStringEscape, WritesConventionAndReadsBack)
{
    const auto& c = GetParam();
    EXPECT_EQ(WriteJson(JsonString(c.ansi)), c.written);
    EXPECT_EQ(ReadJson(c.written).get<std::string>(), JsonString(c.ansi).get<std::string>());
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, JsonStringEscape,
    ::testing::Values(EscapeCase{"controls", "\b\t\n\f\r", R"("\b\t\n\f\r")"},
                      EscapeCase{"quoteSlashBackslash", "a\"b/c\\d", R"("a\"b\/c\\d")"},
                      EscapeCase{"euro", "5 \x80", R"("5 \u20ac")"},
                      EscapeCase{"otherLowBytes", std::string("\x01\x1F\x00", 3), R"("\u0001\u001F\u0000")"},
                      EscapeCase{"umlautsRaw",
                                 "M\xFC"
                                 "ller \xC4\xD6\xDF",
                                 "\"M\xFC"
                                 "ller \xC4\xD6\xDF\""},
                      EscapeCase{"highWin1252Raw", "\x84\x93\x96\x9F\x7F", "\"\x84\x93\x96\x9F\x7F\""},
                      EscapeCase{"unassignedByteRaw", "\x81", "\"\x81\""}, EscapeCase{"empty", "", R"("")"}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(JsonWriter, CharactersOutsideTheCodePageBecomeEscapesAndSurviveARoundTrip)
{
    // U+0150 (Hungarian O with double acute), U+4E2D, U+1F600 (outside the BMP), U+0085 (C1).
    const std::string utf8 = "\xC5\x90|\xE4\xB8\xAD|\xF0\x9F\x98\x80|\xC2\x85";
    const std::string written = WriteJson(TJSON(utf8));
    EXPECT_EQ(written, R"("\u0150|\u4E2D|\uD83D\uDE00|\u0085")");
    EXPECT_EQ(ReadJson(written).get<std::string>(), utf8);
}

TEST(JsonWriter, BytesThatAreNoUtf8AreWrittenAsTheirWindows1252Characters)
{
    // A native file name need not be UTF-8; its bytes are kept rather than dropped.
    const TJSON doc = {{"nodefile", std::string("/daten/M\xFCller\x80.json")}};
    EXPECT_EQ(WriteJson(doc), "{\"nodefile\":\"\\/daten\\/M\xFCller\\u20ac.json\"}");
    EXPECT_EQ(JsonText(ReadJson(WriteJson(doc)), "nodefile"), "/daten/M\xFCller\x80.json");
}

TEST(JsonWriter, NumbersBooleansAndNull)
{
    struct Case {
        TJSON value;
        const char* written;
    };
    const Case cases[] = {
        {TJSON(1.5), "1.5"},
        {TJSON(0.1), "0.1"},
        {TJSON(2.0), "2"},
        {TJSON(1.0 / 3.0), "0.333333333333333"},
        {TJSON(123456789012.25), "123456789012.25"},
        {TJSON(1e20), "1e+20"},
        {TJSON(-42), "-42"},
        {TJSON(-0.0), "0"},
        {TJSON(std::uint64_t{18446744073709551615u}), "18446744073709551615"},
        {TJSON(std::numeric_limits<double>::infinity()), "null"},
        {TJSON(true), "true"},
        {TJSON(false), "false"},
        {TJSON(nullptr), "null"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WriteJson(c.value), c.written) << c.written;
}

TJSON SampleDocument()
{
    TJSON doc = TJSON::object();
    SetJsonText(doc, "Caption", "Preisliste \x80");
    doc["items"] = TJSON::array();
    TJSON item = TJSON::object();
    SetJsonText(item, "filter", "rohr 1/2\"");
    doc["items"].push_back(item);
    doc["empty"] = TJSON::object();
    doc["none"] = TJSON::array();
    doc["n"] = 7;
    return doc;
}

TEST(JsonWriter, CompactLayoutHasNoBlanksAndKeepsMemberOrder)
{
    EXPECT_EQ(WriteJson(SampleDocument(), TJsonLayout::Compact),
              R"({"Caption":"Preisliste \u20ac","items":[{"filter":"rohr 1\/2\""}],"empty":{},"none":[],"n":7})");
}

TEST(JsonWriter, IndentedLayoutUsesCrLfAndTwoBlanksPerLevel)
{
    const std::string expected = "{\r\n"
                                 "  \"Caption\": \"Preisliste \\u20ac\",\r\n"
                                 "  \"items\": [\r\n"
                                 "    {\r\n"
                                 "      \"filter\": \"rohr 1\\/2\\\"\"\r\n"
                                 "    }\r\n"
                                 "  ],\r\n"
                                 "  \"empty\": {},\r\n"
                                 "  \"none\": [],\r\n"
                                 "  \"n\": 7\r\n"
                                 "}";
    EXPECT_EQ(WriteJson(SampleDocument(), TJsonLayout::Indented), expected);
}

TEST(JsonReader, BothLayoutsReadBackToTheSameDocument)
{
    const TJSON doc = SampleDocument();
    for (auto layout : {TJsonLayout::Compact, TJsonLayout::Indented}) {
        const TJSON back = ReadJson(WriteJson(doc, layout));
        EXPECT_EQ(back, doc);
        EXPECT_EQ(WriteJson(back, layout), WriteJson(doc, layout));
    }
}

TEST(JsonReader, RawBytesAreWindows1252AndEscapesAnyCharacter)
{
    const TJSON doc = ReadJson("{\"a\":\"\xE4\\u00fc\\u20AC\x80\",\"b\":\"\\uD83D\\uDE00\"}");
    EXPECT_EQ(JsonText(doc, "a"), "\xE4\xFC\x80\x80");
    EXPECT_EQ(JsonTextUtf8(doc, "b"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(JsonText(doc, "b"), "?"); // the code page cannot hold it
}

TEST(JsonReader, Utf8ByteOrderMarkMeansUtf8)
{
    EXPECT_EQ(JsonText(ReadJson("\xEF\xBB\xBF{\"a\":\"\xC3\xA4\"}"), "a"), "\xE4");
}

TEST(JsonReader, MalformedTextRaisesAGermanMessage)
{
    const std::string bad[] = {"",          "{",          "{\"a\":}",    "[1,]",
                               "\"\\u12\"", "{\"a\":1}x", "\"\\uD800\"", std::string(300, '[') + std::string(300, ']')};
    for (const auto& text : bad) {
        try {
            ReadJson(text);
            ADD_FAILURE() << "parsed: " << text;
        } catch (const EJsonError& e) {
            EXPECT_NE(std::string(e.what()).find("JSON-Dokument"), std::string::npos);
        }
    }
}

TEST(JsonKeys, LookUpIgnoresCaseAndMissingOrNullReadsEmpty)
{
    TJSON doc = ReadJson(R"({"Filename":"a.csv","Caption":null,"n":1.5,"b":true,"o":{"x":1},"K\u00c4":"y"})");
    EXPECT_EQ(JsonText(doc, "FileName"), "a.csv");
    EXPECT_EQ(JsonText(doc, "FILENAME"), "a.csv");
    EXPECT_EQ(JsonText(doc, "caption"), "");
    EXPECT_EQ(JsonText(doc, "missing"), "");
    EXPECT_EQ(JsonText(doc, "n"), "1.5");
    EXPECT_EQ(JsonText(doc, "b"), "true");
    EXPECT_EQ(JsonText(doc, "o"), "");
    EXPECT_EQ(JsonText(doc, "k\xE4"), "y");
    EXPECT_EQ(JsonText(TJSON::array(), "a"), "");
    EXPECT_EQ(JsonFind(doc, "Filenam"), nullptr);
}

TEST(JsonKeys, SetReplacesTheExistingMemberWhateverItsCase)
{
    TJSON doc = ReadJson(R"({"Caption":"a","uid":"1"})");
    SetJsonText(doc, "CAPTION", "b");
    SetJsonText(doc, "sfPrice", "VK");
    JsonMember(doc, "extra");
    EXPECT_EQ(WriteJson(doc), R"({"Caption":"b","uid":"1","sfPrice":"VK","extra":null})");
    TJSON notAnObject = TJSON::array();
    EXPECT_THROW(JsonMember(notAnObject, "x"), EJsonError);
}

} // namespace
