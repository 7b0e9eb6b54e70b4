#include "converter/TDatanormReader.h"
#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace artikel::convert {
namespace {

using Rows = std::vector<std::vector<std::string>>;

struct Sink : TConvertSink {
    Rows rows;
    std::vector<std::string> notes;
    void Row(const std::vector<std::string>& cells) override { rows.push_back(cells); }
    void Note(const std::string& message) override { notes.push_back(Win1252ToUtf8(message)); }
};

// Converts in-memory files (name, bytes); the cells come back as UTF-8.
Sink Convert(const std::vector<std::pair<std::string, std::string>>& files)
{
    TDatanormReader reader;
    for (const auto& [name, bytes] : files)
        reader.AddBuffer(name, bytes);
    Sink sink;
    reader.Convert(sink);
    for (auto& row : sink.rows)
        for (auto& cell : row)
            cell = Win1252ToUtf8(cell);
    return sink;
}

size_t Col(const Sink& s, const char* name)
{
    const auto& h = s.rows.at(0);
    return static_cast<size_t>(std::find(h.begin(), h.end(), name) - h.begin());
}

struct EncodingCase {
    const char* name;
    std::string bytes; // short text 1 of an A record: "Größe für Schütz" in the file's encoding
};

class DatanormEncoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(DatanormEncoding, DecidesPerFile)
{
    const Sink s = Convert({{"DATANORM.001", "A;N;1;00;" + GetParam().bytes + ";;1;0;Stck;100;;;;\r\n"}});
    ASSERT_EQ(s.rows.size(), 2u);
    EXPECT_EQ(s.rows[1][Col(s, "Text")], "Größe für Schütz");
}

INSTANTIATE_TEST_SUITE_P(Cases, DatanormEncoding,
                         testing::Values(EncodingCase{"cp850",
                                                      "Gr\x94\xE1"
                                                      "e f\x81r Sch\x81tz"},
                                         EncodingCase{"win1252",
                                                      "Gr\xF6\xDF"
                                                      "e f\xFCr Sch\xFCtz"},
                                         EncodingCase{"utf8",
                                                      "Gr\xC3\xB6\xC3\x9F"
                                                      "e f\xC3\xBCr Sch\xC3\xBCtz"},
                                         // CP850 0xFF is a non-breaking space: a blank, trimmed at the end.
                                         EncodingCase{"cp850_nbsp",
                                                      "Gr\x94\xE1"
                                                      "e\xFF"
                                                      "f\x81r Sch\x81tz\xFF"}),
                         [](const testing::TestParamInfo<EncodingCase>& caseInfo) {
                             return std::string(caseInfo.param.name);
                         });

struct LineEncodingCase {
    const char* name;
    std::vector<std::string> texts; // short text 1 of one A record each, as bytes in the file
    std::vector<std::string> expected; // UTF-8
};

class DatanormLineEncoding : public testing::TestWithParam<LineEncodingCase> {};

TEST_P(DatanormLineEncoding, KeepsEverySign)
{
    std::string file;
    for (size_t i = 0; i < GetParam().texts.size(); ++i)
        file += "A;N;" + std::to_string(i + 1) + ";00;" + GetParam().texts[i] + ";;1;0;Stck;100;;;;\r\n";
    const Sink s = Convert({{"DATANORM.001", file}});
    ASSERT_EQ(s.rows.size(), GetParam().expected.size() + 1);
    for (size_t i = 0; i < GetParam().expected.size(); ++i)
        EXPECT_EQ(s.rows[i + 1][Col(s, "Text")], GetParam().expected[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, DatanormLineEncoding,
                         testing::Values(
                             // Windows-1252 without a single umlaut: the signs alone decide.
                             LineEncodingCase{"win1252_signs",
                                              {"NYM-J 3x1,5 mm\xB2", "Bogen 90\xB0 \xD8 20", "Filter 5 \xB5m"},
                                              {"NYM-J 3x1,5 mm²", "Bogen 90° Ø 20", "Filter 5 µm"}},
                             LineEncodingCase{"cp850_signs",
                                              {"NYM-J 3x1,5 mm\xFD", "Bogen 90\xF8 \x9D 20", "Filter 5 \xE6m"},
                                              {"NYM-J 3x1,5 mm²", "Bogen 90° Ø 20", "Filter 5 µm"}},
                             // A UTF-8 file with one cut sequence: the other lines stay UTF-8, the cut one keeps what
                             // can be read.
                             LineEncodingCase{"utf8_one_cut",
                                              {"Gr\xC3\xB6\xC3\x9F"
                                               "e",
                                               "Sch\xC3\xBCtz f\xC3r", "Rohr 90\xC2\xB0"},
                                              {"Größe", "Schütz f?r", "Rohr 90°"}},
                             // Lines of two code pages in one file.
                             LineEncodingCase{"cp850_and_win1252",
                                              {"Gr\x94\xE1"
                                               "e f\x81r",
                                               "Gr\xF6\xDF"
                                               "e f\xFCr",
                                               "T\x81r"},
                                              {"Größe für", "Größe für", "Tür"}},
                             // DOS writers use 0x07 as a bullet; no control character is written raw.
                             LineEncodingCase{"control_characters",
                                              {"\x07"
                                               "Punkt eins",
                                               "Spalte\tzwei\x01",
                                               "Gr\x94\xE1"
                                               "e \x07 \x15"
                                               "3"},
                                              {"•Punkt eins", "Spalte zwei•", "Größe • §3"}}),
                         [](const testing::TestParamInfo<LineEncodingCase>& caseInfo) {
                             return std::string(caseInfo.param.name);
                         });

TEST(DatanormReader, PricesOfAnotherEncodingFindTheirArticle)
{
    // The article number holds an umlaut: CP850 in the article file, Windows-1252 in the prices.
    const Sink s = Convert({{"DATANORM.001",
                             "A;N;M\x99"
                             "BEL-1;00;Schrank f\x81r Z\x84hler;;1;0;Stck;10000;;;;\r\n"},
                            {"DATPREIS.001",
                             "P;A;M\xD6"
                             "BEL-1;1;12000;;;;;;;\r\nP;A;G\xE4"
                             "BE;1;1;;;;;;;\r\n"}});
    ASSERT_EQ(s.rows.size(), 2u);
    EXPECT_EQ(s.rows[1][0], "MÖBEL-1");
    EXPECT_EQ(s.rows[1][Col(s, "Preis")], "120,00");
    EXPECT_EQ(s.notes,
              std::vector<std::string>{"1 Preisänderung betraf keinen Artikel der Lieferung und wurde übersprungen."});
}

struct UnitCase {
    const char* flagAndUnit; // fields 7 and 8 of a 5.0 A record
    const char* cents;
    const char* unit;
    const char* price;
    const char* perUnit;
    const char* kind;
};

class DatanormPriceUnit : public testing::TestWithParam<UnitCase> {};

TEST_P(DatanormPriceUnit, DividesExactly)
{
    const UnitCase& c = GetParam();
    const Sink s = Convert({{"ARTIKEL.DAT",
                             std::string("V;050;A;20240101;EUR;;\r\nA;N;X1;Rohr;;MTR;") + c.flagAndUnit + ";" +
                                 c.cents + ";;;;;;;;;;;;;;;;;;;;;\r\n"}});
    ASSERT_EQ(s.rows.size(), 2u);
    const auto& r = s.rows[1];
    EXPECT_EQ(r[Col(s, "Preiseinheit")], c.unit);
    EXPECT_EQ(r[Col(s, "Preis")], c.price);
    EXPECT_EQ(r[Col(s, "PreisOhnePreiseinheit")], c.perUnit);
    EXPECT_EQ(r[Col(s, "Preisart")], c.kind);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatanormPriceUnit,
    testing::Values(UnitCase{"1;1", "4590", "1", "45,90", "45,9000", "Listenpreis"},
                    UnitCase{"1;100", "4590", "100", "45,90", "0,4590", "Listenpreis"},
                    UnitCase{"2;1000", "4590", "1000", "45,90", "0,04590", "Nettopreis"},
                    // Swapped fields: a "price flag" of 100 is the unit.
                    UnitCase{"100;2", "4590", "100", "45,90", "0,4590", "Nettopreis"},
                    // A unit that is no power of ten is rounded half up.
                    UnitCase{"1;3", "100", "3", "1,00", "0,3333", "Listenpreis"},
                    UnitCase{"1;3", "200", "3", "2,00", "0,6667", "Listenpreis"}, UnitCase{"1;", "0", "1", "", "", ""},
                    UnitCase{"9;1", "0", "1", "", "", "auf Anfrage"},
                    // The largest price taken, and a broken field far beyond any price, which is none.
                    UnitCase{"1;1", "1000000000000000", "1", "10000000000000,00", "10000000000000,0000", "Listenpreis"},
                    UnitCase{"1;1", "-999999999999999,99", "1", "", "", ""}));

TEST(DatanormReader, EachPriceKeepsItsOwnUnit)
{
    // X1: a list price per 1 in the article, a net price per 1000 in the update; X2 the other
    // way round. The net price is shown, divided by its own unit.
    const Sink s =
        Convert({{"DATANORM.001",
                  "V;050;A;20240101;EUR;;\r\n"
                  "A;N;X1;Schraube;;PCE;1;1;12;;;;;;;;;;;;;;;;;;;;\r\n"
                  "A;N;X2;Mutter;;PCE;2;1000;4590;;;;;;;;;;;;;;;;;;;;\r\n"},
                 {"DATPREIS.001", "V;050;P;20240101;EUR;;\r\nP;X1;2;1000;4590;;;;;;;;;\r\nP;X2;1;1;9;;;;;;;;;\r\n"}});
    ASSERT_EQ(s.rows.size(), 3u);
    for (size_t r : {1, 2}) {
        EXPECT_EQ(s.rows[r][Col(s, "Preis")], "45,90") << r;
        EXPECT_EQ(s.rows[r][Col(s, "Preiseinheit")], "1000") << r;
        EXPECT_EQ(s.rows[r][Col(s, "PreisOhnePreiseinheit")], "0,04590") << r;
        EXPECT_EQ(s.rows[r][Col(s, "Preisart")], "Nettopreis") << r;
    }
}

TEST(DatanormReader, AppliesPriceRecordsBeforeTheirArticles)
{
    // Price records ahead of their articles, in the article file itself and in an earlier file.
    const Sink s = Convert({{"DATANORM.001", "P;A;1;1;500;;;;;;;3;2;700;;;;;;;\r\nA;N;1;00;Eins;;1;0;Stck;200;;;;\r\n"},
                            {"DATANORM.002", "A;N;3;00;Drei;;1;0;Stck;100;;;;\r\n"}});
    ASSERT_EQ(s.rows.size(), 3u);
    EXPECT_EQ(s.rows[1][Col(s, "Preis")], "5,00");
    EXPECT_EQ(s.rows[2][Col(s, "Preis")], "7,00");
    EXPECT_EQ(s.rows[2][Col(s, "Preisart")], "Nettopreis");
    EXPECT_TRUE(s.notes.empty()) << s.notes.front();
}

TEST(DatanormReader, ReadsArticleFilesInNameOrderAndPricesAfterThem)
{
    // Added in the wrong order: the price file first, the change file before the base file.
    const Sink s =
        Convert({{"DATPREIS.001", "P;A;1;1;500;;;;;;;\r\n"},
                 {"DATANORM.002", "A;A;1;00;Neuer Text;;1;0;Stck;300;;;;\r\nA;N;2;00;Zweiter;;1;0;Stck;100;;;;\r\n"},
                 {"DATANORM.001", "A;N;1;00;Alter Text;;1;0;Stck;200;;;;\r\nA;N;3;00;Dritter;;1;0;Stck;100;;;;\r\n"}});
    ASSERT_EQ(s.rows.size(), 4u);
    EXPECT_EQ(s.rows[1][0], "1");
    EXPECT_EQ(s.rows[1][Col(s, "Text")], "Neuer Text");
    EXPECT_EQ(s.rows[1][Col(s, "Preis")], "5,00");
    EXPECT_EQ(s.rows[2][0], "3");
    EXPECT_EQ(s.rows[3][0], "2");
}

TEST(DatanormReader, CutsRunawayLongTexts)
{
    // One 40-character block inserted 2,000 times would make 84 KB of text.
    std::string file = "T;N;1;;1;;" + std::string(40, 'x') + ";;;;\r\nA;N;A1;00;Kurz;;1;0;Stck;100;;;;\r\n";
    for (int i = 0; i < 2000; ++i)
        file += "D;N;A1;" + std::to_string(i) + ";T;1;;;;;;\r\n";
    const Sink s = Convert({{"DATANORM.001", file}});
    ASSERT_EQ(s.rows.size(), 2u);
    const std::string& text = s.rows[1][Col(s, "Langtext")];
    EXPECT_LE(text.size(), 32000u);
    EXPECT_GT(text.size(), 31000u);
    EXPECT_EQ(text.substr(text.size() - 40), std::string(40, 'x'));
    ASSERT_EQ(s.notes.size(), 1u);
    EXPECT_NE(s.notes[0].find("gekürzt"), std::string::npos);
}

TEST(DatanormReader, ARepeatedTextLineKeepsItsLastText)
{
    // Block 1 line 2 given twice (the later one wins), block 2 shares its line numbers, and many
    // articles insert block 1.
    std::string file = "T;N;1;;2;;alt;;;;\r\nT;N;2;;1;;anderer;;;;\r\nT;N;1;;1;;erste;;;;\r\n"
                       "T;N;2;;2;;Block;;;;\r\nT;N;1;;2;;neu;;;;\r\n";
    for (int i = 0; i < 50; ++i)
        file += "A;N;A" + std::to_string(i) + ";00;Kurz;;1;0;Stck;100;;;1;\r\n";
    file += "A;N;B;00;Kurz;;1;0;Stck;100;;;2;\r\n";
    const Sink s = Convert({{"DATANORM.001", file}});
    ASSERT_EQ(s.rows.size(), 52u);
    for (size_t r = 1; r <= 50; ++r)
        EXPECT_EQ(s.rows[r][Col(s, "Langtext")], "erste\r\nneu") << r;
    EXPECT_EQ(s.rows[51][Col(s, "Langtext")], "anderer\r\nBlock");
}

struct EndCountCase {
    const char* count; // field 2 of the end record after a header and two articles
    bool warns;
};

class DatanormEndRecord : public testing::TestWithParam<EndCountCase> {};

TEST_P(DatanormEndRecord, WarnsOnlyOfATruncatedFile)
{
    const std::string a = "A;N;1;Rohr;;MTR;1;1;100;;;;;;;;;;;;;;;;;;;;\r\n";
    const Sink s =
        Convert({{"DATANORM.001", "V;050;A;20240101;EUR;;\r\n" + a + a + "E;" + GetParam().count + ";\r\n"}});
    ASSERT_EQ(s.rows.size(), 2u);
    const bool warned = std::any_of(s.notes.begin(), s.notes.end(), [](const std::string& n) {
        return n.find("vermutlich unvollständig") != std::string::npos;
    });
    EXPECT_EQ(warned, GetParam().warns);
}

// Two articles, counted without the header and end record, with one of them, or with both.
INSTANTIATE_TEST_SUITE_P(Cases, DatanormEndRecord,
                         testing::Values(EndCountCase{"2", false}, EndCountCase{"3", false}, EndCountCase{"4", false},
                                         EndCountCase{"1", true}, EndCountCase{"5", true}, EndCountCase{"99", true}));

TEST(DatanormReader, ShowsMetalWeightsAsDelivered)
{
    // B fields 7-9: metal flag, base and weight; a column only where some article has a weight.
    const Sink s = Convert({{"DATANORM.001",
                             "A;N;K1;00;NYM-J 3x1,5;;1;0;m;8990;;;;\r\n"
                             "B;N;K1;NYM;;;1;150;0288;;;;;;;;\r\n"
                             "A;N;K2;00;Dose;;1;0;Stck;100;;;;\r\n"
                             "B;N;K2;DOSE;;;;;;4011234000018;;;;;;;\r\n"}});
    ASSERT_EQ(s.rows.size(), 3u);
    const size_t metal = Col(s, "Metallzuschlag");
    ASSERT_LT(metal, s.rows[0].size());
    EXPECT_EQ(s.rows[1][metal], "Gewicht 288, Basis 150 (Kennzeichen 1)");
    EXPECT_EQ(s.rows[2][metal], "");
    EXPECT_EQ(s.rows[2][Col(s, "EAN")], "4011234000018");
    // Without metal data and scale prices, neither column.
    const Sink plain = Convert({{"DATANORM.001", "A;N;K2;00;Dose;;1;0;Stck;100;;;;\r\n"}});
    EXPECT_EQ(Col(plain, "Metallzuschlag"), plain.rows[0].size());
    EXPECT_EQ(Col(plain, "Staffelpreise"), plain.rows[0].size());
}

TEST(DatanormDeliveries, KeepArticlesOfTheSameNumberApart)
{
    // Two suppliers with article 1 each: one 5.0 delivery whose header names its creator, one
    // 4.0 delivery without a header, named by its folder.
    std::vector<std::unique_ptr<TDatanormReader>> readers;
    readers.push_back(std::make_unique<TDatanormReader>());
    readers.back()->SetName("Ordner A");
    readers.back()->AddBuffer("DATANORM.001",
                              "V;050;A;20240101;EUR;Liste;;KURZ;Elektro Nord GmbH;;;;;;\r\n"
                              "A;N;1;Kabel;;MTR;1;1;120;;;;;;;;;;;;;;;;;;;;\r\n");
    readers.push_back(std::make_unique<TDatanormReader>());
    readers.back()->SetName("Ordner B");
    readers.back()->AddBuffer("DATANORM.001", "A;N;1;00;Rohr;;1;0;m;800;;;;\r\nA;N;2;00;Bogen;;1;0;Stck;250;;;;\r\n");
    readers.back()->AddBuffer("DATPREIS.001", "P;A;1;1;500;;;;;;;\r\nP;A;9;1;500;;;;;;;\r\n");
    Sink s;
    TDatanormReader::ConvertDeliveries(readers, s);
    ASSERT_EQ(s.rows.size(), 4u);
    const auto& h = s.rows[0];
    EXPECT_EQ(h.back(), "Lieferant");
    EXPECT_NE(std::find(h.begin(), h.end(), "Hersteller"), h.end());
    const size_t text = Col(s, "Text"), price = Col(s, "Preis");
    EXPECT_EQ(s.rows[1][0] + "|" + s.rows[1][text] + "|" + s.rows[1][price] + "|" + s.rows[1].back(),
              "1|Kabel|1,20|Elektro Nord GmbH");
    EXPECT_EQ(s.rows[2][0] + "|" + s.rows[2][text] + "|" + s.rows[2][price] + "|" + s.rows[2].back(),
              "1|Rohr|5,00|Ordner B");
    EXPECT_EQ(s.rows[3][0] + "|" + s.rows[3].back(), "2|Ordner B");
    EXPECT_EQ(s.notes,
              std::vector<std::string>{
                  "Ordner B: 1 Preisänderung betraf keinen Artikel der Lieferung und wurde übersprungen."});
}

struct RefusedCase {
    const char* name;
    std::string bytes;
    const char* message; // UTF-8, a part of the message
};

class DatanormRefused : public testing::TestWithParam<RefusedCase> {};

TEST_P(DatanormRefused, SaysWhy)
{
    TDatanormReader reader;
    reader.AddBuffer("LIEFERUNG.001", GetParam().bytes);
    Sink sink;
    try {
        reader.Convert(sink);
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_NE(Win1252ToUtf8(e.what()).find(GetParam().message), std::string::npos) << Win1252ToUtf8(e.what());
    }
    EXPECT_TRUE(sink.rows.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatanormRefused,
    testing::Values(RefusedCase{"text", "Artikel;Preis\r\n1;2\r\n3;4\r\n", "„LIEFERUNG.001“ ist keine DATANORM-Datei"},
                    RefusedCase{"empty", "", "ist keine DATANORM-Datei"},
                    RefusedCase{"groups_only", "S;;10;Elektro;;;\r\nS;;10;;1010;Dosen;\r\n", "enthält keine Artikel"},
                    RefusedCase{"all_deleted_is_fine_but_none", "R;;K1;1;100;Rabatt;\r\n", "enthält keine Artikel"}),
    [](const testing::TestParamInfo<RefusedCase>& caseInfo) { return std::string(caseInfo.param.name); });

TEST(DatanormDelivery, GathersTheFilesOfOneDelivery)
{
    const auto dir = test::MakeTempDir("delivery");
    const std::string a = "A;N;1;00;x;;1;0;Stck;100;;;;\r\n";
    for (const char* name : {"DATANORM.001", "datanorm.002", "DATANORM_alt.001", "XYZ_DATANORM.001"})
        test::WriteFileBytes(dir / name, a);
    test::WriteFileBytes(dir / "DATPREIS.001", "P;A;1;1;200;;;;;;;\r\n");
    test::WriteFileBytes(dir / "DATANORM.RAB", "R;;K1;1;100;Text;\r\n");
    test::WriteFileBytes(dir / "DATANORM.003", "%PDF-1.4 nothing of the sort");
    test::WriteFileBytes(dir / "Liesmich.txt", a);
    std::vector<std::string> names;
    for (const auto& p : FindDatanormDelivery(dir / "datanorm.002"))
        names.push_back(p.filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"datanorm.002", "DATANORM.001", "DATANORM.RAB", "DATPREIS.001"}));
    // A file whose name belongs to no delivery stands alone.
    EXPECT_EQ(FindDatanormDelivery(dir / "Liesmich.txt").size(), 1u);
}

TEST(DatanormProbe, RecognisesFilesByContent)
{
    EXPECT_EQ(ProbeDatanorm("V;050;A;20240101;EUR;\r\nA;N;1;x;;PCE;1;1;100;\r\n").version, 5);
    EXPECT_EQ(ProbeDatanorm("P;A;1;1;100;;;;;;;\r\n").kind, EDatanormKind::Prices);
    EXPECT_EQ(ProbeDatanorm("R;;K1;1;100;Text;\r\n").kind, EDatanormKind::Rebates);
    EXPECT_EQ(ProbeDatanorm("A;N;1;00;x;;1;0;Stck;100;;;;\nT;N;1;;1;;t;;;;\n").version, 4);
    // A 4.0 header cut short of 128 characters still names its version before the currency.
    EXPECT_EQ(ProbeDatanorm("V 010124Lieferant 04EUR\r\nA;N;1;00;x;;1;0;Stck;100;;;;\r\n").version, 4);
    EXPECT_FALSE(ProbeDatanorm("Artikelnummer;Text\r\nA;B\r\n1;2\r\n3;4\r\n").isDatanorm);
    EXPECT_FALSE(ProbeDatanorm("\x89PNG\r\n\x1a\n").isDatanorm);
    // A CSV whose first column holds an ABC class: the records lack DATANORM's shape.
    EXPECT_FALSE(ProbeDatanorm("A;00017;Schraube M3;0,12;Stk\r\nB;00018;Mutter M3;0,08;Stk\r\n"
                               "C;00019;Scheibe;0,02;Stk\r\nA;00020;D\xFC"
                               "bel 6;0,15;Stk\r\n")
                     .isDatanorm);
    EXPECT_FALSE(ProbeDatanorm("A;N;00017;Schraube M3;0,12;Stk\r\nA;N;00018;Mutter M3;0,08;Stk\r\n").isDatanorm);
    // With a header the records are taken as they come.
    EXPECT_TRUE(ProbeDatanorm("V 010124Lieferant 04EUR\r\nA;N;1;x;;;;\r\n").isDatanorm);
}

} // namespace
} // namespace artikel::convert
