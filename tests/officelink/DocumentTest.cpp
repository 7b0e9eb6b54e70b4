#include "data/TListDataSet.h"
#include "officelink/FieldAssignment.h"
#include "officelink/TPutLXParser.h"

#include <gtest/gtest.h>

using namespace artikel;

namespace {

std::unique_ptr<TListDataSetEx> Positions(const std::vector<std::array<std::string, 7>>& rows)
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

TEST(DocumentTest, PositionsDocumentKeyOrderAndEscapes)
{
    // description, long text, number, price, unit, quantity, position
    auto ds = Positions({
        {"Rohr 1/2\"", "Zeile1\r\nZeile2\tTab\\", "4711", "11,00", "m", "2", "1"},
        {"Preis \x80 \xE4", std::string("\x01\x1F\b\f", 4), "", ",00", "", "1", ""},
    });
    EXPECT_EQ(TPutLXParser::BuildText(*ds),
              "{\"Order\":[{\"Parts\":["
              "{\"Unit\":\"m\",\"Quantity\":\"2\",\"Position\":\"1\",\"Description1\":\"Rohr 1\\/2\\\"\","
              "\"Number\":\"4711\",\"LongText\":\"Zeile1\\r\\nZeile2\\tTab\\\\\",\"Price\":\"11,00\"},"
              "{\"Unit\":\"\",\"Quantity\":\"1\",\"Position\":\"\",\"Description1\":\"Preis \\u20ac \xE4\","
              "\"Number\":\"\",\"LongText\":\"\\u0001\\u001F\\b\\f\",\"Price\":\",00\"}"
              "],\"Adress\":[{}],\"NettoPrices\":true,\"TaxImport\":false,\"UpdateParts\":false,\"AppendMode\":true}],"
              "\"Description\":\"TCSVRequest\"}");
}

TEST(DocumentTest, EmptyQueueGivesEmptyParts)
{
    auto ds = Positions({});
    EXPECT_EQ(TPutLXParser::BuildText(*ds),
              "{\"Order\":[{\"Parts\":[],\"Adress\":[{}],\"NettoPrices\":true,\"TaxImport\":false,"
              "\"UpdateParts\":false,\"AppendMode\":true}],\"Description\":\"TCSVRequest\"}");
}

TEST(DocumentTest, CurrentOrder)
{
    struct Case {
        std::string answer;
        std::string address;
        bool purchase;
    };
    const std::string fifty(50, 'a');
    const Case cases[] = {
        {R"({"Order":[{"InternalType":3,"Adress":[{"AdressSmart":"Muster GmbH)"
         "\xAC"
         R"(Hauptstr. 1"}]}]})",
         "Muster GmbHHauptstr. 1", true},
        {R"({"Order":[{"InternalType":"3","Adress":[{"AdressSmart":"  A\r\nB\u00ac "}]}]})", "AB", true},
        {R"({"Order":[{"InternalType":1,"Adress":[{"AdressSmart":")" + fifty + R"("}]}]})", fifty, false},
        {R"({"Order":[{"Adress":[{"AdressSmart":")" + fifty + R"(b"}]}]})", std::string(48, 'a') + "..", false},
        {R"({"Order":[{"InternalType":3,"Adress":[{"AdressSmart":"x"},{"AdressSmart":"y"}]}]})", "", true},
        {R"({"Order":[]})", "", false},
        {R"({"Order":{"InternalType":3}})", "", false},
        {"", "", false},
        {"{\"Order\":[{\"InternalType\":3", "", false},
        {"1", "", false},
    };
    for (const Case& c : cases) {
        const TCurrentOrder order = ParseCurrentOrder(c.answer);
        EXPECT_EQ(order.AddressText, c.address) << c.answer;
        EXPECT_EQ(order.PurchaseType, c.purchase) << c.answer;
    }
}

TEST(FieldAssignmentTest, KeywordAndExactNameTables)
{
    struct Case {
        std::vector<std::string> columns;
        std::array<std::string, 7> expected;
    };
    const Case cases[] = {
        // The last column containing a keyword wins; "Langtext" also fills the description.
        {{"Artikelnummer", "Kurztext", "Langtext", "Preis", "ME"},
         {R"("Langtext")", R"("Langtext")", R"("Artikelnummer")", R"("Preis")", "", "", ""}},
        {{"Description", "LONGTEXT", "PartNo", "PRICE", "Unit", "Quantity", "Position"},
         {R"("LONGTEXT")", R"("LONGTEXT")", R"("PartNo")", R"("PRICE")", R"("Unit")", R"("Quantity")",
          R"("Position")"}},
        // With "PreisOhnePreiseinheit" only exact names count (letter case matters).
        {{"Text", "langtext", "Artikelnummer", "PreisOhnePreiseinheit", "Preis", "Einheit", "Menge", "Pos"},
         {R"("Text")", "", R"("Artikelnummer")", R"("Preis")", R"("Einheit")", "", ""}},
        {{"", "Foo"}, {"", "", "", "", "", "", ""}},
    };
    for (const Case& c : cases) {
        TCSVSetup setup;
        const bool any = AutoAssignFields(c.columns, setup);
        EXPECT_EQ(setup.SourceColumns, c.expected) << c.columns.front();
        EXPECT_EQ(any, (c.expected != std::array<std::string, 7>{})) << c.columns.front();
    }
}

TEST(FieldAssignmentTest, AnExistingAssignmentIsLeftAlone)
{
    TCSVSetup setup;
    setup.SourceColumns[0] = R"("Kurz")";
    setup.Assigned = true;
    EXPECT_FALSE(AutoAssignFields({"Preis", "Text"}, setup));
    EXPECT_EQ(setup.SourceColumns[0], R"("Kurz")");
    EXPECT_EQ(setup.SourceColumns[3], "");
}

} // namespace
