#include "bench/converter/XlsGenerator.h"

#include "platform/Win1252.h"

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

class Out {
public:
    std::string data;
    void U8(unsigned v) { data += static_cast<char>(v & 0xFF); }
    void U16(unsigned v)
    {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void F64(double d)
    {
        std::uint64_t u;
        std::memcpy(&u, &d, 8);
        U32(static_cast<std::uint32_t>(u));
        U32(static_cast<std::uint32_t>(u >> 32));
    }
    void Record(unsigned type, const std::string& body)
    {
        U16(type);
        U16(static_cast<unsigned>(body.size()));
        data += body;
    }
};

// A BIFF8 string with one-byte characters (the texts here are all Latin-1).
std::string Str16(const std::string& latin1)
{
    Out o;
    o.U16(static_cast<unsigned>(latin1.size()));
    o.U8(0);
    o.data += latin1;
    return o.data;
}

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
            const std::string piece = Str16(s);
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

// The compound file around one stream of at least 4096 bytes: stream sectors, directory, FAT
// sectors and, beyond 109 FAT sectors, DIFAT sectors.
std::string CompoundFile(std::string stream)
{
    const auto streamSize = static_cast<std::uint32_t>(stream.size());
    stream.resize((stream.size() + 511) / 512 * 512, '\0');
    const auto n = static_cast<std::uint32_t>(stream.size() / 512);
    std::uint32_t fatSectors = 1, difatSectors = 0;
    for (;;) {
        const std::uint32_t entries = n + 1 + fatSectors + difatSectors;
        const std::uint32_t f = (entries + 127) / 128;
        const std::uint32_t d = f > 109 ? (f - 109 + 126) / 127 : 0;
        if (f == fatSectors && d == difatSectors)
            break;
        fatSectors = f;
        difatSectors = d;
    }
    const std::uint32_t dirSector = n, firstFat = n + 1, firstDifat = n + 1 + fatSectors;
    Out h;
    h.data = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(16, '\0');
    h.U16(0x003E);
    h.U16(0x0003);
    h.U16(0xFFFE);
    h.U16(9);
    h.U16(6);
    h.data += std::string(6, '\0');
    h.U32(0);
    h.U32(fatSectors);
    h.U32(dirSector);
    h.U32(0);
    h.U32(4096);
    h.U32(0xFFFFFFFE);
    h.U32(0);
    h.U32(difatSectors ? firstDifat : 0xFFFFFFFE);
    h.U32(difatSectors);
    for (std::uint32_t i = 0; i < 109; ++i)
        h.U32(i < fatSectors ? firstFat + i : 0xFFFFFFFF);
    Out fat;
    for (std::uint32_t i = 0; i < n; ++i)
        fat.U32(i + 1 == n ? 0xFFFFFFFE : i + 1);
    fat.U32(0xFFFFFFFE); // directory
    for (std::uint32_t i = 0; i < fatSectors; ++i)
        fat.U32(0xFFFFFFFD);
    for (std::uint32_t i = 0; i < difatSectors; ++i)
        fat.U32(0xFFFFFFFC);
    fat.data.resize(std::size_t{fatSectors} * 512, '\xFF');
    Out difat;
    for (std::uint32_t d = 0; d < difatSectors; ++d) {
        for (std::uint32_t k = 0; k < 127; ++k) {
            const std::uint32_t fatIndex = 109 + d * 127 + k;
            difat.U32(fatIndex < fatSectors ? firstFat + fatIndex : 0xFFFFFFFF);
        }
        difat.U32(d + 1 < difatSectors ? firstDifat + d + 1 : 0xFFFFFFFE);
    }
    auto entry = [](const std::string& name, unsigned type, std::uint32_t child, std::uint32_t start,
                    std::uint32_t size) {
        Out e;
        for (char c : name)
            e.U16(static_cast<unsigned char>(c));
        e.U16(0);
        e.data.resize(64, '\0');
        e.U16(static_cast<unsigned>((name.size() + 1) * 2));
        e.U8(type);
        e.U8(1);
        e.U32(0xFFFFFFFF);
        e.U32(0xFFFFFFFF);
        e.U32(child);
        e.data += std::string(16 + 4 + 16, '\0');
        e.U32(start);
        e.U32(size);
        e.U32(0);
        return e.data;
    };
    std::string dir = entry("Root Entry", 5, 1, 0xFFFFFFFE, 0) + entry("Workbook", 2, 0xFFFFFFFF, 0, streamSize);
    while (dir.size() < 512)
        dir += entry("", 0, 0xFFFFFFFF, 0, 0);
    return h.data + std::string(512 - h.data.size(), '\0') + stream + dir + fat.data + difat.data;
}

std::string Bof(unsigned type)
{
    Out b;
    b.U16(0x0600);
    b.U16(type);
    b.U16(0x0DBB);
    b.U16(0x07CC);
    b.U32(0);
    b.U32(0x0006);
    return b.data;
}

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
    sheet.Record(0x0809, Bof(0x0010));
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
        g.Record(0x0809, Bof(0x0005));
        Out cp;
        cp.U16(1200);
        g.Record(0x0042, cp.data);
        Out dm;
        dm.U16(0);
        g.Record(0x0022, dm.data);
        auto format = [&](unsigned id, const std::string& code) {
            Out fm;
            fm.U16(id);
            fm.data += Str16(Utf8ToWin1252(code));
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
    out << CompoundFile(std::move(stream));
}

} // namespace artikel::bench
