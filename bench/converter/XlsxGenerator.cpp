#include "bench/converter/XlsxGenerator.h"

#include "converter/TZipWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace artikel::bench {
namespace {

struct Article {
    const char* text;
    const char* longText; // may be empty
    const char* unit;
    const char* group;
};

const Article kArticles[] = {
    {"NYM-J 3x1,5 mm\xC2\xB2 Mantelleitung",
     "Mantelleitung f\xC3\xBCr feste Verlegung in trockenen, feuchten und nassen R\xC3\xA4umen\nRing zu 100 m", "m",
     "E01 Kabel"},
    {"NYM-J 5x2,5 mm\xC2\xB2 Mantelleitung",
     "Mantelleitung grau, VDE-gepr\xC3\xBC"
     "ft; Lieferung in Ringen zu 50 m & 100 m",
     "m", "E01 Kabel"},
    {"Schuko-Steckdose UP reinwei\xC3\x9F",
     "mit Schutzkontakt und erh\xC3\xB6htem Ber\xC3\xBChrungsschutz\nFarbe: reinwei\xC3\x9F \xC3\xA4hnlich RAL 9010",
     "Stk", "E02 Installation"},
    {"Abzweigdose AP 100x100 IP55", "", "Stk", "E02 Installation"},
    {"Installationsrohr M20 grau", "flexibel, 750 N, <halogenfrei>", "m", "E02 Installation"},
    {"Verbindungsklemme 3-fach 0,2-4 mm\xC2\xB2", "", "Pak", "E02 Installation"},
    {"Kabelbinder 200x4,8 schwarz",
     "UV-best\xC3\xA4ndig, 100 St\xC3\xBC"
     "ck im Beutel",
     "Pak", "E02 Installation"},
    {"LED-Panel 600x600 36W 4000K", "f\xC3\xBCr Rasterdecken, 3600 lm, flimmerfrei\r\nmit externem Treiber", "Stk",
     "E03 Leuchten"},
    {"Bewegungsmelder 180\xC2\xB0 IP44", "Reichweite 12 m, D\xC3\xA4mmerungsschalter einstellbar", "Stk",
     "E03 Leuchten"},
    {"FI-Schutzschalter 40A 30mA 4-polig", "Typ A, 10 kA", "Stk", "E04 Verteilung"},
    {"LS-Schalter B16 1-polig", "", "Stk", "E04 Verteilung"},
    {"Kupferrohr 15x1 mm hart", "nach DVGW GW 392, Stangen zu 5 m", "m", "S01 Rohre"},
    {"Pressfitting Bogen 90\xC2\xB0 22 mm", "Kupfer, mit SC-Contur, f\xC3\xBCr Trinkwasser und Heizung", "Stk",
     "S03 Fittings"},
    {"Kugelhahn 1/2\" IG/AG",
     "Messing vernickelt, PN 25, DVGW-gepr\xC3\xBC"
     "ft; Anschluss 1/2\" Innen-/Au\xC3\x9F"
     "engewinde",
     "Stk", "S02 Armaturen"},
    {"Eckventil 1/2\" x 3/8\"", "verchromt, mit Schubrosette", "Stk", "S02 Armaturen"},
    {"Waschtischarmatur Einhebel verchromt", "mit Ablaufgarnitur 1 1/4\"\nDurchfluss 5 l/min", "Stk", "S02 Armaturen"},
    {"WC-Sp\xC3\xBClkasten UP 6/9 l", "Unterputz, Zweimengenspülung", "Stk", "S04 Sanit\xC3\xA4r"},
    {"Siphon 1 1/4\" Kunststoff", "", "Stk", "S04 Sanit\xC3\xA4r"},
    {"Flexschlauch 3/8\" 500 mm",
     "Edelstahlgeflecht, f\xC3\xBCr Trinkwasser geeignet\r\nmit Pr\xC3\xBC"
     "fzeichen",
     "Stk", "S03 Fittings"},
    {"Rohrschelle 1/2\" mit Gummieinlage", "verzinkt, M8/M10", "Pak", "S05 Befestigung"},
    {"Heizk\xC3\xB6rperthermostat M30x1,5", "Fl\xC3\xBCssigf\xC3\xBChler, Nullstellung", "Stk", "S06 Heizung"},
};
const char* const kHeader[] = {"Artikelnummer", "EAN",          "Text",        "Langtext",        "Preis",
                               "Einheit",       "Preiseinheit", "Warengruppe", "G\xC3\xBCltig ab"};

constexpr std::uint64_t kArticleCount = sizeof kArticles / sizeof kArticles[0];

std::string Escape(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r': out += "_x000D_"; break; // as the spreadsheet program stores a CR
        default: out += c;
        }
    }
    return out;
}

class SharedStrings {
public:
    int Index(const std::string& s)
    {
        for (std::size_t i = 0; i < small_.size(); ++i)
            if (small_[i] == s)
                return static_cast<int>(i);
        small_.push_back(s);
        return static_cast<int>(small_.size() - 1);
    }
    // Unique strings (article numbers) are not searched for.
    int Add(const std::string& s)
    {
        all_.push_back(s);
        return static_cast<int>(kOffset + all_.size() - 1);
    }
    std::string Xml() const
    {
        std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                          "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
        for (const auto& s : small_)
            xml += "<si><t xml:space=\"preserve\">" + Escape(s) + "</t></si>";
        for (std::size_t i = small_.size(); i < kOffset; ++i)
            xml += "<si><t></t></si>";
        for (const auto& s : all_)
            xml += "<si><t>" + Escape(s) + "</t></si>";
        return xml + "</sst>";
    }
    static constexpr std::size_t kOffset = 100; // the repeated texts come first

private:
    std::vector<std::string> small_;
    std::vector<std::string> all_;
};

std::string Col(int c, std::size_t row) { return std::string(1, static_cast<char>('A' + c)) + std::to_string(row); }

std::string ArticleSheet(std::size_t rows, SharedStrings& sst)
{
    std::uint64_t seed = 0x9E3779B97F4A7C15ull;
    auto next = [&] {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed;
    };
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                      "<dimension ref=\"A1:I" +
        std::to_string(rows + 1) + "\"/><sheetData>";
    xml.reserve(rows * 420);
    xml += "<row r=\"1\">";
    for (int c = 0; c < 9; ++c)
        xml += "<c r=\"" + Col(c, 1) + "\" t=\"s\"><v>" + std::to_string(sst.Index(kHeader[c])) + "</v></c>";
    xml += "</row>";
    for (std::size_t i = 0; i < rows; ++i) {
        const std::size_t r = i + 2;
        const std::uint64_t x = next();
        char number[16];
        std::snprintf(number, sizeof number, "%08llu", static_cast<unsigned long long>(i * 7 + 1000) % 100000000ull);
        // EAN-13 with the check digit, stored as a number as the spreadsheet would.
        std::string ean = "4012345" + std::to_string(10000 + i % 90000);
        int sum = 0;
        for (int k = 0; k < 12; ++k)
            sum += (ean[static_cast<std::size_t>(k)] - '0') * (k % 2 ? 3 : 1);
        ean += static_cast<char>('0' + (10 - sum % 10) % 10);
        const int cents = static_cast<int>(35 + x % 89900);
        const std::string price =
            std::to_string(cents / 100) + "." + std::to_string(cents % 100 / 10) + std::to_string(cents % 10);
        xml += "<row r=\"" + std::to_string(r) + "\">";
        xml += "<c r=\"" + Col(0, r) + "\" t=\"s\"><v>" + std::to_string(sst.Add(number)) + "</v></c>";
        xml += "<c r=\"" + Col(1, r) + "\"><v>" + ean + "</v></c>";
        const Article& a = kArticles[x % kArticleCount];
        xml += "<c r=\"" + Col(2, r) + "\" t=\"s\"><v>" + std::to_string(sst.Index(a.text)) + "</v></c>";
        if (*a.longText) // without a long text the cell is absent and the column stays
            xml += "<c r=\"" + Col(3, r) + "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" + Escape(a.longText) +
                "</t></is></c>";
        xml += "<c r=\"" + Col(4, r) + "\" s=\"1\"><v>" + price + "</v></c>";
        xml += "<c r=\"" + Col(5, r) + "\" t=\"s\"><v>" + std::to_string(sst.Index(a.unit)) + "</v></c>";
        xml += "<c r=\"" + Col(6, r) + "\"><v>" + std::string(*a.unit == 'm' ? "100" : "1") + "</v></c>";
        xml += "<c r=\"" + Col(7, r) + "\" t=\"s\"><v>" + std::to_string(sst.Index(a.group)) + "</v></c>";
        xml += "<c r=\"" + Col(8, r) + "\" s=\"2\"><v>" + std::to_string(45292 + (x >> 32) % 700) + "</v></c>";
        xml += "</row>";
    }
    return xml + "</sheetData></worksheet>";
}

std::string NotesSheet()
{
    const char* const lines[] = {"Preise in EUR ohne MwSt.", "Preis\xC3\xA4nderungen und Irrt\xC3\xBCmer vorbehalten.",
                                 "Lieferung ab 150 EUR frei Haus."};
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    int r = 1;
    for (const char* line : lines) {
        xml += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\" t=\"inlineStr\"><is><t>" +
            Escape(line) + "</t></is></c></row>";
        ++r;
    }
    return xml + "</sheetData></worksheet>";
}

void WriteWorkbook(const std::filesystem::path& path, std::size_t rows, bool notes)
{
    const std::string ns = "http://schemas.openxmlformats.org/";
    SharedStrings sst;
    const std::string sheet = ArticleSheet(rows, sst);
    artikel::convert::TZipWriter zip(path, 1); // fast deflate: the benchmark writes 100,000 rows
    std::string types = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"" + ns +
        "package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    if (notes)
        types += "<Override PartName=\"/xl/worksheets/sheet2.xml\" "
                 "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    types += "<Override PartName=\"/xl/sharedStrings.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
             "<Override PartName=\"/xl/styles.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/></Types>";
    zip.Add("[Content_Types].xml", types);
    zip.Add("_rels/.rels",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"" + ns +
                "package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" + ns +
                "officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    std::string wb = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook xmlns=\"" + ns +
        "spreadsheetml/2006/main\" xmlns:r=\"" + ns +
        "officeDocument/2006/relationships\"><sheets><sheet name=\"Artikel\" sheetId=\"1\" r:id=\"rId1\"/>";
    if (notes)
        wb += "<sheet name=\"Hinweise\" sheetId=\"2\" r:id=\"rId2\"/>";
    zip.Add("xl/workbook.xml", wb + "</sheets></workbook>");
    std::string rels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"" + ns +
        "package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" +
        ns + "officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>";
    if (notes)
        rels += "<Relationship Id=\"rId2\" Type=\"" + ns +
            "officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet2.xml\"/>";
    rels += "<Relationship Id=\"rId8\" Type=\"" + ns +
        "officeDocument/2006/relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>"
        "<Relationship Id=\"rId9\" Type=\"" +
        ns + "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/></Relationships>";
    zip.Add("xl/_rels/workbook.xml.rels", rels);
    zip.Add("xl/styles.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><styleSheet xmlns=\"" + ns +
                "spreadsheetml/2006/main\">"
                "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"#,##0.00\\ "
                "&quot;\xE2\x82\xAC&quot;\"/></numFmts>"
                "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\"/></cellStyleXfs>"
                "<cellXfs count=\"3\"><xf numFmtId=\"0\" xfId=\"0\"/><xf numFmtId=\"164\" xfId=\"0\" "
                "applyNumberFormat=\"1\"/>"
                "<xf numFmtId=\"14\" xfId=\"0\" applyNumberFormat=\"1\"/></cellXfs></styleSheet>");
    zip.Add("xl/sharedStrings.xml", sst.Xml());
    zip.Add("xl/worksheets/sheet1.xml", sheet);
    if (notes)
        zip.Add("xl/worksheets/sheet2.xml", NotesSheet());
    zip.Close();
}

} // namespace

void WriteBenchXlsx(const std::filesystem::path& path, std::size_t rows) { WriteWorkbook(path, rows, false); }

void WriteSampleXlsx(const std::filesystem::path& path, std::size_t rows) { WriteWorkbook(path, rows, true); }

} // namespace artikel::bench
