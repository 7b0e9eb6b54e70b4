#include "catalog/TCSVRequest.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

using namespace artikel;

namespace {

// Records what the catalog asks of the office application.
class FakeOfficeLink : public IOfficeLink {
public:
    bool canPost = true;
    bool replies = true;
    TCurrentOrder order;
    std::vector<std::vector<std::string>> sent; // description of every position per send
    int currentOrderCalls = 0;

    bool CanPost() override { return canPost; }
    TCurrentOrder GetCurrentOrder() override
    {
        ++currentOrderCalls;
        return order;
    }
    bool SendPositions(const TListDataSet& positions) override
    {
        std::vector<std::string> descriptions;
        for (int row = 0; row < positions.RecordCount(); ++row)
            descriptions.emplace_back(positions.Cell(row, pfDescription));
        sent.push_back(descriptions);
        return replies;
    }
};

class PositionsTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::MakeTempDir("positions"); }

    std::unique_ptr<TCSVRequest> MakeCatalog(std::unique_ptr<FakeOfficeLink> link = nullptr)
    {
        link_ = link.get();
        auto catalog = link ? std::make_unique<TCSVRequest>(dir_.string() + "/", std::move(link))
                            : std::make_unique<TCSVRequest>(dir_.string() + "/");
        catalog->SetDecimalSeparator(',');
        return catalog;
    }

    // A source database of the given CSV text, positioned on its first row.
    std::unique_ptr<TListDataSet> Source(const std::string& csv)
    {
        const auto file = dir_ / "source.csv";
        test::WriteFileBytes(file, csv);
        auto ds = std::make_unique<TListDataSet>();
        ds->LoadFromFile(file);
        ds->First();
        return ds;
    }

    static TCSVSetup Setup(std::array<std::string, 7> columns, double factor = 1.0)
    {
        TCSVSetup setup;
        setup.SourceColumns = std::move(columns);
        setup.PriceFactor = factor;
        setup.Assigned = true;
        return setup;
    }

    std::filesystem::path dir_;
    FakeOfficeLink* link_ = nullptr;
};

TEST_F(PositionsTest, BuildsEveryFieldFromItsAssignedColumns)
{
    auto catalog = MakeCatalog();
    auto source = Source("Nr;Kurz;Zusatz;Lang;Preis;ME;Menge;Pos\r\n"
                         "4711;Rohr;;Kupfer 15 mm;10.00;m;2.5;3\r\n");
    const auto setup = Setup(
        {R"("Kurz","Zusatz","Fehlt","Nr")", R"("Lang")", R"("Nr")", R"("Preis")", R"("ME")", R"("Menge")", R"("Pos")"},
        1.1);
    catalog->MakePosition(*source, setup, true);
    ASSERT_EQ(catalog->PositionSet().RecordCount(), 1);
    const std::array<std::string, 7> expected = {"Rohr  4711", "Kupfer 15 mm", "4711", "11,00", "m", "2,5", "3"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(catalog->PositionSet().Cell(0, i), expected[static_cast<size_t>(i)])
            << kPositionFieldNames[static_cast<size_t>(i)];
}

TEST_F(PositionsTest, PriceRules)
{
    struct Case {
        const char* price;
        double factor;
        bool purchase;
        char separator;
        const char* expected;
    };
    const Case cases[] = {
        {"10.00", 1.1, false, ',', "11,00"},
        {"abc", 1.1, false, ',', ",00"},
        {"0.5", 1.0, false, ',', ",50"},
        {"", 1.0, false, ',', ",00"},
        {"10,00", 1.0, false, ',', "10,00"},
        {"10,00", 1.0, false, '.', ".00"}, // a comma is no decimal point on a "." system
        {"1234.567", 2.0, false, '.', "2469.13"},
        {"-0.5", 1.0, false, ',', "-,50"},
        {"10.5", 1.1, true, ',', "10,5"}, // purchase type: as it stands, no factor
        {"abc", 1.1, true, ',', "abc"},
    };
    for (const Case& c : cases) {
        auto link = std::make_unique<FakeOfficeLink>();
        link->order.PurchaseType = c.purchase;
        auto catalog = MakeCatalog(std::move(link));
        catalog->SetDecimalSeparator(c.separator);
        EXPECT_EQ(catalog->PurchaseType(), c.purchase);
        auto source = Source(std::string("Preis;X\r\n") + c.price + ";x\r\n");
        catalog->MakePosition(*source, Setup({"", "", "", R"("Preis")", "", "", ""}, c.factor), true);
        EXPECT_EQ(catalog->PositionSet().Cell(0, pfPrice), c.expected) << c.price << " factor " << c.factor;
    }
}

TEST_F(PositionsTest, QuantityIsOneWhenNoAssignedColumnExists)
{
    auto catalog = MakeCatalog();
    auto source = Source("Text;Menge\r\nA;\r\n");
    catalog->MakePosition(*source, Setup({R"("Text")", "", "", "", "", "", ""}), false);
    catalog->MakePosition(*source, Setup({R"("Text")", "", "", "", "", R"("Anzahl")", ""}), false);
    catalog->MakePosition(*source, Setup({R"("Text")", "", "", "", "", R"("Menge")", ""}), true);
    EXPECT_EQ(catalog->PositionSet().Cell(0, pfQuantity), "1");
    EXPECT_EQ(catalog->PositionSet().Cell(1, pfQuantity), "1");
    EXPECT_EQ(catalog->PositionSet().Cell(2, pfQuantity), ""); // the column exists, its text is empty
}

TEST_F(PositionsTest, PurchaseTypeIsFixedWhenTheCatalogIsCreated)
{
    auto link = std::make_unique<FakeOfficeLink>();
    link->order.PurchaseType = true;
    FakeOfficeLink* raw = link.get();
    auto catalog = MakeCatalog(std::move(link));
    raw->order.PurchaseType = false;
    EXPECT_EQ(raw->currentOrderCalls, 1);
    EXPECT_TRUE(catalog->PurchaseType());
    auto source = Source("Preis;X\r\n10.5;x\r\n");
    catalog->MakePosition(*source, Setup({"", "", "", R"("Preis")", "", "", ""}, 2.0), true);
    EXPECT_EQ(catalog->PositionSet().Cell(0, pfPrice), "10,5");
}

TEST_F(PositionsTest, SendEmptiesTheQueueWithClearAfterWhateverHappened)
{
    for (const bool replies : {true, false}) {
        auto link = std::make_unique<FakeOfficeLink>();
        link->replies = replies;
        auto catalog = MakeCatalog(std::move(link));
        auto source = Source("Text\r\nA\r\nB\r\n");
        const auto setup = Setup({R"("Text")", "", "", "", "", "", ""});
        catalog->MakePosition(*source, setup, false);
        source->Next();
        catalog->MakePosition(*source, setup, true);

        EXPECT_EQ(catalog->SendPositions(false), replies);
        EXPECT_EQ(catalog->PositionSet().RecordCount(), 2) << "the basket keeps its positions";
        EXPECT_EQ(catalog->SendPositions(true), replies);
        EXPECT_EQ(catalog->PositionSet().RecordCount(), 0);
        ASSERT_EQ(link_->sent.size(), 2u);
        EXPECT_EQ(link_->sent[1], (std::vector<std::string>{"A", "B"}));
        EXPECT_FALSE(catalog->SendPositions(true)) << "an empty queue sends nothing";
        EXPECT_EQ(link_->sent.size(), 2u);
    }
}

TEST_F(PositionsTest, WithoutLinkNothingCanBePosted)
{
    auto catalog = MakeCatalog();
    EXPECT_FALSE(catalog->CanPost());
    EXPECT_FALSE(catalog->PurchaseType());
    EXPECT_EQ(catalog->GetCurrentOrder().AddressText, "");
}

TEST_F(PositionsTest, DisplayText)
{
    const std::string longText(250, 'x');
    EXPECT_EQ(PositionDisplayText({"Rohr", longText, "4711", "11,00", "m", "2", "3"}),
              "<font color:\"clblack\"/font>Rohr </b>4711<br><b><font color:\"clblue\"/font>2* 11,00 Pos. 3"
              " </b><font color:\"clblack\"/font><font color:\"clgray\"/font>" +
                  std::string(198, 'x') + "..");
    EXPECT_EQ(PositionDisplayText({"Rohr", "kurz", "4711", ",50", "", "", ""}),
              "<font color:\"clblack\"/font>Rohr </b>4711<br><b><font color:\"clblue\"/font>,50"
              " </b><font color:\"clblack\"/font><font color:\"clgray\"/font>kurz");

    auto catalog = MakeCatalog();
    EXPECT_EQ(catalog->PositionDisplayText(), "");
    auto source = Source("Text;Preis\r\nA;1\r\n");
    catalog->MakePosition(*source, Setup({R"("Text")", "", "", R"("Preis")", "", "", ""}), true);
    EXPECT_EQ(catalog->PositionDisplayText(), catalog->PositionDisplayText(0));
    EXPECT_NE(catalog->PositionDisplayText(0).find("A </b>"), std::string::npos);
}

TEST(ColumnListTest, SplitAndJoin)
{
    EXPECT_EQ(SplitColumnList(R"("Kurz","Lang ""x""",Nr , ,"")"),
              (std::vector<std::string>{"Kurz", "Lang \"x\"", "Nr"}));
    EXPECT_EQ(SplitColumnList(""), std::vector<std::string>{});
    const std::vector<std::string> names = {"A", "B,C", "D\"E"};
    EXPECT_EQ(JoinColumnList(names), R"("A","B,C","D""E")");
    EXPECT_EQ(SplitColumnList(JoinColumnList(names)), names);
}

} // namespace
