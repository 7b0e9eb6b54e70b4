// What the program's list dataset makes of the converter's output: the columns and rows it shows.

#include "converter/ConvRun.h"
#include "data/TListDataSet.h"
#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace artikel::convert {
namespace {

namespace fs = std::filesystem;

struct CellCheck {
    int row;
    const char* field;
    const char* utf8;
};

struct ReadBackCase {
    const char* name;
    fs::path source;
    std::vector<std::string> fields;
    int rows;
    std::vector<CellCheck> cells;
};

const std::vector<std::string> kDatanorm4Fields = {"Artikelnummer",
                                                   "Text",
                                                   "Langtext",
                                                   "Einheit",
                                                   "Preiseinheit",
                                                   "Preis",
                                                   "PreisOhnePreiseinheit",
                                                   "Preisart",
                                                   "Rabattgruppe",
                                                   "Rabattgruppentext",
                                                   "Rabatt",
                                                   "Hauptwarengruppe",
                                                   "Warengruppe",
                                                   "Warengruppentext",
                                                   "EAN",
                                                   "Matchcode",
                                                   "AlternativArtikelnummer",
                                                   "Verpackungsmenge",
                                                   "Katalogseite"};

std::vector<std::string> Datanorm5Fields()
{
    auto f = kDatanorm4Fields;
    f.insert(f.end(), {"Hersteller", "HerstellerArtikelnummer", "HerstellerTyp"});
    return f;
}

fs::path Repo() { return test::TestDataDir().parent_path(); }

class DataSetReadBack : public testing::TestWithParam<ReadBackCase> {};

TEST_P(DataSetReadBack, ShowsTheExpectedColumnsAndRows)
{
    const ReadBackCase& c = GetParam();
    const fs::path dir = test::MakeTempDir("readback");
    ASSERT_EQ(RunConversion(c.source, dir / "t.csv", dir / "r.txt"), 0)
        << Win1252ToUtf8(test::ReadFileBytes(dir / "r.txt"));
    TListDataSet ds;
    ds.LoadFromFile(dir / "t.csv");
    ds.Open();
    std::vector<std::string> names;
    for (int i = 0; i < ds.FieldCount(); ++i)
        names.push_back(ds.Field(i).FieldName());
    EXPECT_EQ(names, c.fields);
    EXPECT_EQ(ds.RecordCount(), c.rows);
    for (const CellCheck& check : c.cells) {
        const int slot = ds.ColumnIndex(check.field);
        ASSERT_GE(slot, 0) << check.field;
        EXPECT_EQ(Win1252ToUtf8(ds.Cell(check.row, slot)), check.utf8) << "row " << check.row << " " << check.field;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataSetReadBack,
    testing::Values(
        ReadBackCase{"golden_delivery",
                     Repo() / "tests/converter/golden/dn4_delivery/input/XYZ_DATANORM.001",
                     kDatanorm4Fields,
                     3,
                     {{1, "Langtext", "VDE-geprüft\r\nMantelleitung für feste Verlegung\r\nin trockenen Räumen"},
                      {1, "PreisOhnePreiseinheit", "0,6500"},
                      {2, "Warengruppentext", "Sanitär"}}},
        ReadBackCase{"sample_datanorm4",
                     Repo() / "samples/datanorm4/DATPREIS.001",
                     kDatanorm4Fields,
                     600,
                     {{0, "Artikelnummer", "00100000"},
                      {0, "Text", "Sechskantschraube verzinkt M10x40"},
                      {0, "Preiseinheit", "100"},
                      {0, "Rabattgruppentext", "Befestigungstechnik"}}},
        ReadBackCase{
            "sample_datanorm5",
            Repo() / "samples/datanorm5/DATANORM.001",
            Datanorm5Fields(),
            300,
            {{0, "Artikelnummer", "00100000"},
             {0, "Langtext", "Thermostat mit Verbrühschutz bei 38 °C\r\nSparstopp bei 9 l/min\r\nAnschluss 1/2\""},
             {0, "Hersteller", "Werk Süd"}}},
        ReadBackCase{"sample_csv",
                     Repo() / "samples/artikel-utf8.csv",
                     {"Artikelnummer", "Bezeichnung", "Langtext", "Einheit", "Preis", "Warengruppe", "EAN"},
                     400,
                     {{0, "Bezeichnung", "Eckventil 3/8\" x 3/8\" verchromt"}}}),
    [](const testing::TestParamInfo<ReadBackCase>& caseInfo) { return std::string(caseInfo.param.name); });

} // namespace
} // namespace artikel::convert
