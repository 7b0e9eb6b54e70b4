#include "SheetTestSupport.h"
#include "converter/ReadSpreadsheetOrText.h"
#include "converter/TConvertSink.h"
#include "converter/TZipExtract.h"
#include "converter/TZipWriter.h"
#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

namespace artikel::convert {
namespace {

namespace fs = std::filesystem;

TEST(ZipExtract, SafeRelativePaths)
{
    const struct {
        const char* name;
        const char* rel; // empty: refused
    } cases[] = {
        {"DATANORM.001", "DATANORM.001"},
        {"Lieferung/DATPREIS.001", "Lieferung/DATPREIS.001"},
        {"Lieferung\\Unter\\DATANORM.RAB", "Lieferung/Unter/DATANORM.RAB"},
        {"./a//b", "a/b"},
        {"../evil", ""},
        {"a/../../evil", ""},
        {"a/..", ""},
        {"..\\evil", ""},
        {"/etc/passwd", ""},
        {"\\evil", ""},
        {"C:/Windows/evil", ""},
        {"C:evil", ""},
        {"", ""},
        {"./", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TZipExtract::SafeRelativePath(c.name), fs::path(c.rel)) << c.name;
}

TEST(ZipExtract, ExtractsIntoAPrivateFolderThatIsRemoved)
{
    const auto dir = test::MakeTempDir("zip");
    {
        TZipWriter zip(dir / "Lieferung.zip");
        zip.Add("DATANORM.001", "V 01ABC\r\n");
        zip.Add("preise/", "");
        zip.Add("preise/DATPREIS.001", std::string(100000, 'P'));
        zip.AddSymlink("link", "/etc/passwd");
        zip.Close();
    }
    fs::path folder;
    {
        TZipExtract extract;
        folder = extract.Folder();
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
        const auto files = extract.Extract(dir / "Lieferung.zip");
        ASSERT_EQ(files.size(), 2u);
        EXPECT_EQ(files[0], folder / "DATANORM.001");
        EXPECT_EQ(test::ReadFileBytes(files[0]), "V 01ABC\r\n");
        EXPECT_EQ(test::ReadFileBytes(files[1]), std::string(100000, 'P'));
        EXPECT_FALSE(fs::exists(fs::symlink_status(folder / "link"))); // links are never created
    }
    EXPECT_FALSE(fs::exists(folder));
}

TEST(ZipExtract, HostileArchivesAreRefused)
{
    const auto dir = test::MakeTempDir("zip");
    auto make = [&](const std::string& file, auto fill) {
        TZipWriter zip(dir / file);
        fill(zip);
        zip.Close();
        return dir / file;
    };
    TZipLimits small;
    small.ratioFromBytes = 64 * 1024;
    small.maxRatio = 100;
    small.maxEntryBytes = 300000;
    small.maxTotalBytes = 500000;
    small.maxEntries = 5;
    const struct {
        fs::path zip;
        const char* message;
    } cases[] = {
        {make("trav.zip",
              [](TZipWriter& z) {
                  z.Add("ok.txt", "x");
                  z.Add("../../evil.txt", "x");
              }),
         "unzulässigen Pfad"},
        {make("abs.zip", [](TZipWriter& z) { z.Add("/tmp/evil.txt", "x"); }), "unzulässigen Pfad"},
        {make("back.zip", [](TZipWriter& z) { z.Add("a\\..\\..\\evil.txt", "x"); }), "unzulässigen Pfad"},
        {make("ratio.zip", [](TZipWriter& z) { z.Add("zeros.txt", std::string(1 << 20, '0')); }), "Zip-Bombe"},
        {make("entry.zip", [](TZipWriter& z) { z.Add("big.txt", std::string(400000, 'x'), false); }), "Zip-Bombe"},
        {make("total.zip",
              [](TZipWriter& z) {
                  z.Add("a.txt", std::string(280000, 'a'), false);
                  z.Add("b.txt", std::string(280000, 'b'), false);
              }),
         "Zip-Bombe"},
        {make("many.zip",
              [](TZipWriter& z) {
                  for (int i = 0; i < 6; ++i)
                      z.Add("f" + std::to_string(i), "x");
              }),
         "mehr als 5"},
        {make("secret.zip", [](TZipWriter& z) { z.AddEncrypted("preise.csv", "Nr;Text\r\n", "geheim"); }),
         "verschlüsselt"},
        {make("dup.zip",
              [](TZipWriter& z) {
                  z.Add("a/b.txt", "1");
                  z.Add("a\\b.txt", "2");
              }),
         "doppelten"},
    };
    test::WriteFileBytes(dir / "nozip.zip", "PK\x03\x04 kaputt");
    for (const auto& c : cases) {
        fs::path folder;
        try {
            TZipExtract extract(small);
            folder = extract.Folder();
            extract.Extract(c.zip);
            ADD_FAILURE() << c.zip << ": no error";
        } catch (const EConvertError& e) {
            const std::string what = Win1252ToUtf8(e.what());
            EXPECT_NE(what.find(c.message), std::string::npos) << c.zip << ": " << what;
            EXPECT_NE(what.find(c.zip.filename().string()), std::string::npos) << what;
        }
        EXPECT_FALSE(folder.empty() || fs::exists(folder)) << c.zip;
    }
    EXPECT_FALSE(fs::exists(dir.parent_path() / "evil.txt"));
    EXPECT_FALSE(fs::exists("/tmp/evil.txt"));
    TZipExtract extract(small);
    EXPECT_THROW(extract.Extract(dir / "nozip.zip"), EConvertError);
}

// An archive whose entries all point at one stored body: every entry on its own is harmless.
std::string OverlappingZip(const std::string& body, int entries)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : body) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc = ~crc;
    std::string out;
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const auto size = static_cast<std::uint32_t>(body.size());
    put(0x04034b50, 4), put(20, 2), put(0, 2), put(0, 2), put(0, 4), put(crc, 4), put(size, 4), put(size, 4);
    put(1, 2), put(0, 2);
    out += 'a';
    out += body;
    const auto directory = static_cast<std::uint32_t>(out.size());
    for (int i = 0; i < entries; ++i) {
        const std::string name = "f" + std::to_string(1000 + i);
        put(0x02014b50, 4), put(20, 2), put(20, 2), put(0, 2), put(0, 2), put(0, 4), put(crc, 4), put(size, 4);
        put(size, 4), put(static_cast<std::uint32_t>(name.size()), 2), put(0, 2), put(0, 2), put(0, 2), put(0, 2);
        put(0, 4), put(0, 4);
        out += name;
    }
    const auto directorySize = static_cast<std::uint32_t>(out.size()) - directory;
    put(0x06054b50, 4), put(0, 2), put(0, 2), put(static_cast<std::uint32_t>(entries), 2);
    put(static_cast<std::uint32_t>(entries), 2), put(directorySize, 4), put(directory, 4), put(0, 2);
    return out;
}

TEST(ZipExtract, EntriesSharingTheirDataAreABomb)
{
    const auto dir = test::MakeTempDir("zip");
    TZipLimits limits;
    limits.ratioFromBytes = 64 * 1024;
    limits.maxRatio = 10;
    const std::string body(8192, 'x');
    // A few shared entries stay within the ratio and are extracted; forty are refused.
    test::WriteFileBytes(dir / "few.zip", OverlappingZip(body, 3));
    test::WriteFileBytes(dir / "many.zip", OverlappingZip(body, 40));
    {
        TZipExtract extract(limits);
        const auto files = extract.Extract(dir / "few.zip");
        ASSERT_EQ(files.size(), 3u);
        EXPECT_EQ(test::ReadFileBytes(files[2]), body);
    }
    TZipExtract extract(limits);
    try {
        extract.Extract(dir / "many.zip");
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_NE(Win1252ToUtf8(e.what()).find("Zip-Bombe"), std::string::npos) << e.what();
    }
}

TEST(ReadSpreadsheetOrText, DecidesByContent)
{
    const auto dir = test::MakeTempDir("dispatch");
    // A workbook with a misleading name, text without an extension, a Zip that holds no workbook.
    sheettest::WriteTestXlsx(dir / "Export.csv", {{"T", sheettest::SheetXml("<row><c><v>1.5</v></c></row>")}});
    test::WriteFileBytes(dir / "Clipboard", "Nr;Text\n1;Rohr\n");
    {
        TZipWriter zip(dir / "Lieferung.zip");
        zip.Add("DATANORM.001", "V 01\r\n");
        zip.Close();
    }
    test::WriteFileBytes(dir / "alt.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0'));
    EXPECT_EQ(DetectSheetKind(dir / "Export.csv"), TSheetKind::Xlsx);
    EXPECT_EQ(DetectSheetKind(dir / "Clipboard"), TSheetKind::Text);
    EXPECT_EQ(DetectSheetKind(dir / "Lieferung.zip"), TSheetKind::OtherZip);
    EXPECT_EQ(DetectSheetKind(dir / "alt.xls"), TSheetKind::Xls);
    {
        TZipWriter ods(dir / "Tabelle.ods");
        ods.Add("mimetype", "application/vnd.oasis.opendocument.spreadsheet", false);
        ods.Add("content.xml", "<office:document-content/>");
        ods.Close();
    }
    EXPECT_EQ(DetectSheetKind(dir / "Tabelle.ods"), TSheetKind::Xlsx); // the workbook reader names it

    sheettest::RecordingSink a, b;
    ReadSpreadsheetOrText(dir / "Export.csv", a);
    EXPECT_EQ(a.rows, (sheettest::Rows{{"1,5"}}));
    ReadSpreadsheetOrText(dir / "Clipboard", b);
    EXPECT_EQ(b.rows, (sheettest::Rows{{"Nr", "Text"}, {"1", "Rohr"}}));
    sheettest::RecordingSink c;
    EXPECT_THROW(ReadSpreadsheetOrText(dir / "Lieferung.zip", c), EConvertError);
    EXPECT_THROW(ReadSpreadsheetOrText(dir / "alt.xls", c), EConvertError); // a broken compound file
    EXPECT_THROW(ReadSpreadsheetOrText(dir / "fehlt.csv", c), EConvertError);
}

} // namespace
} // namespace artikel::convert
