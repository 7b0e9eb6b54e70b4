#include "bench/converter/XlsGenerator.h"

#include "platform/Win1252.h"
#include "tools/testdata/BiffWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
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
    {"Schuko-Steckdose UP reinwei\xC3\x9F", "mit Schutzkontakt und erh\xC3\xB6htem Ber\xC3\xBChrungsschutz", "Stk",
     "E02 Installation"},
    {"Abzweigdose AP 100x100 IP55", "", "Stk", "E02 Installation"},
    {"Kabelbinder 200x4,8 schwarz",
     "UV-best\xC3\xA4ndig, 100 St\xC3\xBC"
     "ck im Beutel",
     "Pak", "E02 Installation"},
    {"LED-Panel 600x600 36W 4000K", "f\xC3\xBCr Rasterdecken, 3600 lm, flimmerfrei", "Stk", "E03 Leuchten"},
    {"Bewegungsmelder 180\xC2\xB0 IP44", "Reichweite 12 m", "Stk", "E03 Leuchten"},
    {"Kupferrohr 15x1 mm hart", "nach DVGW GW 392, Stangen zu 5 m", "m", "S01 Rohre"},
    {"Kugelhahn 1/2\" IG/AG",
     "Messing vernickelt, PN 25; Anschluss 1/2\" Innen-/Au\xC3\x9F"
     "engewinde",
     "Stk", "S02 Armaturen"},
    {"Siphon 1 1/4\" Kunststoff", "", "Stk", "S04 Sanit\xC3\xA4r"},
    {"Heizk\xC3\xB6rperthermostat M30x1,5", "Fl\xC3\xBCssigf\xC3\xBChler, Nullstellung", "Stk", "S06 Heizung"},
};
const char* const kHeader[] = {"Artikelnummer", "EAN",          "Text",        "Langtext",         "Preis",
                               "Einheit",       "Preiseinheit", "Warengruppe", "G\xC3\xBCltig ab", "Preis je Einheit"};

using Out = testdata::BiffBytes;

class SharedStrings {
public:
    std::uint32_t Index(const std::string& utf8)
    {
        const auto it = index_.find(utf8);
        if (it != index_.end())
            return it->second;
        return index_[utf8] = Add(utf8);
    }
    std::uint32_t Add(const std::string& utf8)
    {
        all_.push_back(Utf8ToWin1252(utf8));
        return static_cast<std::uint32_t>(all_.size() - 1);
    }
    // SST and CONTINUE records, each at most 8224 bytes; a string is never split here.
    std::string Records(std::uint32_t uses) const
    {
        Out out;
        Out body;
        body.U32(uses);
        body.U32(static_cast<std::uint32_t>(all_.size()));
        unsigned type = 0x00FC;
        for (const auto& s : all_) {
            const std::string piece = testdata::InlineString(s, 8);
            if (body.data.size() + piece.size() > 8224) {
                out.Record(type, body.data);
                body.data.clear();
                type = 0x003C;
            }
            body.data += piece;
        }
        out.Record(type, body.data);
        return out.data;
    }

private:
    std::map<std::string, std::uint32_t> index_;
    std::vector<std::string> all_;
};

} // namespace

void WriteBenchXls(const std::filesystem::path& path, std::size_t rows)
{
    rows = std::min(rows, kMaxXlsRows);
    SharedStrings sst;
    std::uint32_t uses = 0;
    std::uint64_t seed = 0x9E3779B97F4A7C15ull;
    auto next = [&] {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed;
    };
    enum Xf : unsigned { kGeneral = 15, kPrice = 16, kDate = 17, kTwoDecimals = 18 };
    Out sheet;
    sheet.Record(0x0809, testdata::Bof(0x0010));
    Out dim;
    dim.U32(0);
    dim.U32(static_cast<std::uint32_t>(rows + 1));
    dim.U16(0);
    dim.U16(10);
    dim.U16(0);
    sheet.Record(0x0200, dim.data);
    auto head = [&](Out& r, std::size_t row, unsigned col, unsigned xf) {
        r.U16(static_cast<unsigned>(row));
        r.U16(col);
        r.U16(xf);
    };
    auto label = [&](std::size_t row, unsigned col, std::uint32_t index) {
        Out r;
        head(r, row, col, kGeneral);
        r.U32(index);
        sheet.Record(0x00FD, r.data);
        ++uses;
    };
    auto number = [&](std::size_t row, unsigned col, unsigned xf, double v) {
        Out r;
        head(r, row, col, xf);
        r.F64(v);
        sheet.Record(0x0203, r.data);
    };
    auto rk = [&](std::size_t row, unsigned col, unsigned xf, std::int32_t v) {
        Out r;
        head(r, row, col, xf);
        r.U32((static_cast<std::uint32_t>(v) << 2) | 2u);
        sheet.Record(0x027E, r.data);
    };
    for (unsigned c = 0; c < 10; ++c)
        label(0, c, sst.Index(kHeader[c]));
    for (std::size_t i = 0; i < rows; ++i) {
        const std::size_t r = i + 1;
        const std::uint64_t x = next();
        char nr[16];
        std::snprintf(nr, sizeof nr, "%08llu", static_cast<unsigned long long>(i * 7 + 1000) % 100000000ull);
        label(r, 0, sst.Add(nr));
        number(r, 1, kGeneral, 4012345000000.0 + static_cast<double>(i % 90000) * 10);
        const Article& a = kArticles[x % (sizeof kArticles / sizeof kArticles[0])];
        label(r, 2, sst.Index(a.text));
        if (*a.longText)
            label(r, 3, sst.Index(a.longText));
        const double price = static_cast<double>(35 + x % 89900) / 100.0;
        number(r, 4, kPrice, price);
        label(r, 5, sst.Index(a.unit));
        const int per = *a.unit == 'm' ? 100 : 1;
        rk(r, 6, kGeneral, per);
        label(r, 7, sst.Index(a.group));
        rk(r, 8, kDate, static_cast<std::int32_t>(45292 + (x >> 32) % 700));
        // The price per unit as a formula (=E/G) with its cached result.
        Out f;
        head(f, r, 9, kTwoDecimals);
        f.F64(price / per);
        f.U16(0);
        f.U32(0);
        Out expr; // tRefN E, tRefN G, tDiv
        expr.U8(0x44);
        expr.U16(static_cast<unsigned>(r));
        expr.U16(0xC004);
        expr.U8(0x44);
        expr.U16(static_cast<unsigned>(r));
        expr.U16(0xC006);
        expr.U8(0x06);
        f.U16(static_cast<unsigned>(expr.data.size()));
        f.data += expr.data;
        sheet.Record(0x0006, f.data);
    }
    sheet.Record(0x000A, "");

    auto globals = [&](std::uint32_t sheetOffset) {
        Out g;
        g.Record(0x0809, testdata::Bof(0x0005));
        Out cp;
        cp.U16(1200);
        g.Record(0x0042, cp.data);
        Out dm;
        dm.U16(0);
        g.Record(0x0022, dm.data);
        auto format = [&](unsigned id, const std::string& code) {
            Out fm;
            fm.U16(id);
            fm.data += testdata::InlineString(Utf8ToWin1252(code), 8);
            g.Record(0x041E, fm.data);
        };
        format(164, "#,##0.00\\ \"\xE2\x82\xAC\"");
        format(165, "DD.MM.YYYY");
        const unsigned xfFormat[] = {0, 164, 165, 2};
        for (unsigned i = 0; i < 15 + 4; ++i) {
            Out xf;
            xf.U16(0);
            xf.U16(i < 15 ? 0 : xfFormat[i - 15]);
            xf.U16(i < 15 ? 0xFFF5 : 0x0001);
            xf.U16(0x0020);
            xf.U16(0);
            xf.U32(0);
            xf.U32(0);
            xf.U16(0x20C0);
            g.Record(0x00E0, xf.data);
        }
        Out bs;
        bs.U32(sheetOffset);
        bs.U8(0);
        bs.U8(0);
        bs.U8(7);
        bs.U8(0);
        bs.data += "Artikel";
        g.Record(0x0085, bs.data);
        g.data += sst.Records(uses);
        g.Record(0x000A, "");
        return g.data;
    };
    const std::size_t globalsSize = globals(0).size();
    std::string stream = globals(static_cast<std::uint32_t>(globalsSize)) + sheet.data;
    std::ofstream out(path, std::ios::binary);
    out << testdata::CompoundFile(std::move(stream), "Workbook");
}

} // namespace artikel::bench
