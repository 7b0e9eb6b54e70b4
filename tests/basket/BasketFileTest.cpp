#include "basket/BasketFile.h"

#include "data/TListDataSet.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

using namespace artikel;
namespace fs = std::filesystem;

namespace {

using Position = std::array<std::string, 7>;

std::unique_ptr<TListDataSetEx> Queue(const std::vector<Position>& rows)
{
    auto ds = std::make_unique<TListDataSetEx>();
    ds->Open();
    for (const auto& fields : rows) {
        auto row = std::make_unique<TListRecordData>();
        for (size_t i = 0; i < 7; ++i)
            (*row)[i] = fields[i];
        ds->AddRecord(std::move(row), true, true);
    }
    return ds;
}

std::vector<Position> Rows(const TListDataSet& ds)
{
    std::vector<Position> out;
    for (int r = 0; r < ds.RecordCount(); ++r) {
        Position p;
        for (int i = 0; i < 7; ++i)
            p[static_cast<size_t>(i)] = std::string(ds.Cell(r, i));
        out.push_back(p);
    }
    return out;
}

TEST(BasketFileTest, RoundTripKeepsQuotesSemicolonsTabsAndLineBreaks)
{
    const std::vector<Position> rows = {
        {"Rohr 1/2\" verzinkt", "a;b;c;d;e;f;g;h\tx\ty\tz\tw", "4711", "11,00", "m", "2", "1"},
        {"Winkel;90\xB0;DN 15;;;;;;", "Zeile 1\r\nZeile 2", "", ",50", "", "", ""},
        {"\t\t\t\t\t\t\t\t\t\t", "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;18;19;20;21;22;23;24;25;26;27;28;29;30",
         "\"", "", "", "", ""},
    };
    auto queue = Queue(rows);
    const fs::path file = test::MakeTempDir("basket") / "Muster.txt";
    SaveBasketFile(*queue, file);
    const fs::path written = file.parent_path() / "Muster.csv";
    ASSERT_TRUE(fs::exists(written));
    EXPECT_FALSE(fs::exists(file));
    const std::string bytes = test::ReadFileBytes(written);
    EXPECT_EQ(bytes.substr(0, bytes.find("\r\n") + 2),
              "\"sfdescription\",\"sflongtext\",\"sfpartNo\",\"sfPrice\",\"sfpartUnit\",\"sfQuantity\",\"sfPos\"\r\n");
    EXPECT_NE(bytes.find("\"Rohr 1/2\"\" verzinkt\""), std::string::npos);

    auto other = Queue({{"alt", "", "", "", "", "", ""}});
    OpenBasketFile(*other, written);
    EXPECT_EQ(Rows(*other), rows);
    EXPECT_EQ(other->RecNo(), 1);

    // What the separator guess makes of this file: the reason baskets are read with "," only.
    TListDataSetEx guessed;
    guessed.LoadFromFile(written);
    EXPECT_NE(Rows(guessed), rows);
}

TEST(BasketFileTest, AFailedOpenKeepsTheBasket)
{
    const std::vector<Position> rows = {{"bleibt", "", "1", "2", "", "", ""}};
    auto queue = Queue(rows);
    EXPECT_ANY_THROW(OpenBasketFile(*queue, test::MakeTempDir("basket") / "missing.csv"));
    EXPECT_EQ(Rows(*queue), rows);
}

TEST(BasketFileTest, OpensForeignLineBreaksShortLinesAndHeaderOnlyFiles)
{
    const fs::path file = test::MakeTempDir("basket") / "lf.csv";
    test::WriteFileBytes(file, "\"a\",\"b\"\n\"x\",\"y\",\"\",\"\",\"\",\"\",\"\",\"extra\"\n\"kurz\"");
    auto queue = Queue({{"alt", "", "", "", "", "", ""}});
    OpenBasketFile(*queue, file);
    EXPECT_EQ(Rows(*queue), (std::vector<Position>{{"x", "y", "", "", "", "", ""}, {"kurz", "", "", "", "", "", ""}}));

    test::WriteFileBytes(file, "\"sfdescription\"\r\n");
    OpenBasketFile(*queue, file);
    EXPECT_EQ(queue->RecordCount(), 0);
    EXPECT_TRUE(queue->Active());
}

TEST(BasketFileTest, FileNames)
{
    EXPECT_EQ(BasketFileName("/k/basket.txt"), fs::path("/k/basket.csv"));
    EXPECT_EQ(BasketFileName("/k/basket"), fs::path("/k/basket.csv"));
    EXPECT_EQ(ProposedBasketFileName("Muster GmbH: Bad/WC"), "Muster GmbH BadWC.csv");
    EXPECT_EQ(ProposedBasketFileName(" ?* "), "");
}

} // namespace
