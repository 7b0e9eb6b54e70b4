#include "SheetTestSupport.h"
#include "converter/TSheetChoice.h"
#include "converter/TTableShaper.h"
#include "platform/Win1252.h"

#include <gtest/gtest.h>

namespace artikel::convert {
namespace {

using sheettest::RecordingSink;
using sheettest::Rows;

const std::vector<std::string> kWide = {"4711", "Schraube", "0,12", "Stk"};

TEST(TableShape, FindsTheHeaderBelowTitleLines)
{
    const struct {
        const char* name;
        Rows rows;
        std::size_t header;
    } cases[] = {
        {"no title", {{"Nr", "Text", "Preis", "ME"}, kWide, kWide}, 0},
        {"one title", {{"Preisliste 2024"}, {"Nr", "Text", "Preis", "ME"}, kWide, kWide}, 1},
        {"title cells spread over the row",
         {{"Preisliste", "", "", "Stand 2024"}, {"Nr", "Text", "Preis", "ME"}, kWide},
         1},
        {"two title lines",
         {{"Musterhandel GmbH"}, {"Stand: 01.01.2024"}, {"Nr", "Text", "Preis", "ME"}, kWide, kWide},
         2},
        // A short header above wider data rows is followed by values, not names: it stays.
        {"short header", {{"Nr", "Text"}, kWide, kWide, kWide}, 0},
        {"narrow table", {{"Nr"}, {"1"}, {"2"}}, 0},
        {"one row", {{"Preisliste"}}, 0},
        // Half as wide is not much narrower when the header has three names.
        {"header of most columns",
         {{"Nr", "Text", "Preis"}, {"1", "a", "2", "x", "y", "z"}, {"2", "b", "3", "x", "y", "z"}},
         0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindHeaderRow(c.rows), c.header) << c.name;
}

TEST(TableShape, ShaperDropsTitlesAndNamesThem)
{
    RecordingSink sink;
    {
        TTableShaper shaper(sink);
        shaper.Row({"", ""});
        shaper.Row({"Preisliste 2024"});
        shaper.Note("vom Leser");
        shaper.Row({"Nr", "Text", "Preis"});
        for (int i = 0; i < 60; ++i)
            shaper.Row({std::to_string(i), "Rohr", "1,50"});
        shaper.Finish();
    }
    ASSERT_EQ(sink.rows.size(), 61u);
    EXPECT_EQ(sink.rows[0], (std::vector<std::string>{"Nr", "Text", "Preis"}));
    EXPECT_EQ(sink.rows[60][0], "59");
    ASSERT_EQ(sink.notes.size(), 2u);
    EXPECT_EQ(Win1252ToUtf8(sink.notes[0]), "Die Zeile über der Kopfzeile wurde übersprungen: „Preisliste 2024“.");
    EXPECT_EQ(sink.notes[1], "vom Leser");

    // A table shorter than the look-ahead is decided at the end.
    RecordingSink small;
    TTableShaper shaper(small);
    shaper.Row({"Titel"});
    shaper.Row({"Nr", "Text", "Preis"});
    shaper.Row({"1", "a", "2"});
    EXPECT_TRUE(small.rows.empty());
    shaper.Finish();
    EXPECT_EQ(small.rows, (Rows{{"Nr", "Text", "Preis"}, {"1", "a", "2"}}));
}

TEST(SheetChoice, TakesTheSheetThatHoldsTheArticles)
{
    auto info = [](const char* name, std::size_t filled, int names, bool hidden = false) {
        return TSheetInfo{name, hidden, filled, names};
    };
    const struct {
        const char* name;
        std::vector<TSheetInfo> sheets;
        std::size_t chosen;
    } cases[] = {
        {"most cells", {info("Deckblatt", 3, 0), info("Artikel", 400, 0)}, 1},
        {"article header outweighs more cells", {info("Hinweise", 300, 0), info("Artikel", 100, 5)}, 1},
        {"one article name is no header", {info("Hinweise", 300, 1), info("Artikel", 100, 0)}, 0},
        {"equal: the first", {info("A", 10, 2), info("B", 10, 2)}, 0},
        {"hidden only when nothing else", {info("Alt", 900, 4, true), info("Neu", 5, 0)}, 1},
        {"only a hidden sheet", {info("Leer", 0, 0), info("Alt", 9, 0, true)}, 1},
        {"nothing", {info("Leer", 0, 0)}, static_cast<std::size_t>(-1)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseSheet(c.sheets), c.chosen) << c.name;

    const std::vector<TSheetInfo> book = {info("Deckblatt", 3, 0), info("Leer", 0, 0), info("Artikel", 40, 3)};
    EXPECT_EQ(Win1252ToUtf8(SheetChoiceNote("Preise.xlsx", book, 2)),
              "Die Arbeitsmappe „Preise.xlsx“ hat weitere Tabellenblätter („Deckblatt“); übernommen wurde nur das "
              "Blatt „Artikel“.");
    EXPECT_EQ(SheetChoiceNote("Preise.xlsx", {info("Artikel", 40, 3), info("Leer", 0, 0)}, 0), "");
}

TEST(SheetChoice, SurveyReadsTheHeaderBelowTheTitle)
{
    EXPECT_EQ(CountArticleNames({"Art.-Nr.", "Kurztext 1", "Listenpreis", "VK", "EAN-Code", "Farbe", ""}), 5);
    EXPECT_EQ(CountArticleNames({"Preisliste 2024 - alle Preise netto"}), 1);
    EXPECT_EQ(CountArticleNames({"Kunde", "Ort", "Umsatz"}), 0);

    TSheetSurvey survey;
    survey.Row({"Preisliste 2024"});
    survey.Row({"Artikelnummer", "Bezeichnung", "Preis"});
    survey.Row({"1", "Rohr", "2,50"});
    survey.Row({"2", "", "3,10"});
    EXPECT_EQ(survey.Filled(), 9u);
    EXPECT_EQ(survey.ArticleNames(), 3);
    EXPECT_FALSE(survey.Complete()) << "keeps no rows without a budget";

    // Within its budget a survey gives the rows back as read, so the sheet is not read twice.
    const Rows rows = {{"Nr", "", "Text"}, {}, {"1", "Rohr", "", ""}, {"2"}};
    TSheetSurvey kept(1000);
    for (const auto& r : rows)
        kept.Row(r);
    ASSERT_TRUE(kept.Complete());
    RecordingSink replayed;
    kept.Replay(replayed);
    EXPECT_EQ(replayed.rows, rows);
    TSheetSurvey small(40);
    for (const auto& r : rows)
        small.Row(r);
    EXPECT_FALSE(small.Complete());
    EXPECT_EQ(small.Filled(), 5u);
}

} // namespace
} // namespace artikel::convert
