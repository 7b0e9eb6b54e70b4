#include "bench/engine/TArticleGenerator.h"

#include "platform/Win1252.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <vector>

namespace artikel::bench {
namespace {

// splitmix64: small, fast and good enough to spread the rows.
class TRandom {
public:
    explicit TRandom(uint64_t state)
        : FState(state)
    {}
    uint64_t Next()
    {
        uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 <= result < n
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>((Next() >> 32) * n >> 32); }
    // True with a chance of `percent` in 100.
    bool Chance(uint32_t percent) { return Below(100) < percent; }

private:
    uint64_t FState;
};

// The vocabulary, written here in UTF-8 and held as Windows-1252.
struct TWords {
    std::vector<std::string> Items;
    explicit TWords(std::initializer_list<std::string_view> utf8)
    {
        for (auto w : utf8)
            Items.push_back(Utf8ToWin1252(w));
    }
    const std::string& Pick(TRandom& r) const { return Items[r.Below(static_cast<uint32_t>(Items.size()))]; }
};

enum class TSizeKind { Pipe, Screw, Cable, Plain };

struct TProduct {
    std::string Name;
    std::string Match;
    TSizeKind Kind;
};

struct TVocabulary {
    std::vector<TProduct> Products;
    TWords Makers{"Müller",  "Schäfer",  "Köhler",        "Weiß",    "Hoffmann", "Krämer", "Bauer", "Schröder",
                  "Günther", "Brückner", "Jäger & Söhne", "Förster", "Lange",    "Vogel",  "Böhm"};
    TWords Materials{"Messing",        "Edelstahl", "Kupfer", "Rotguss",   "Kunststoff",
                     "Stahl verzinkt", "Grauguss",  "PVC",    "Aluminium", "Messing verchromt"};
    TWords Colors{"weiß", "schwarz", "grün", "grau", "rot", "blau", "chrom", "anthrazit"};
    TWords Extras{"für Trinkwasser", "mit Dichtung", "VPE 10 Stück", "DVGW-geprüft",
                  "ohne Zubehör",    "Sonderposten", "für Heizung",  "mit Prüfzeichen"};
    TWords Sentences{"Für Trinkwasser geeignet.",
                     "Max. Betriebsdruck 16 bar, Temperatur bis 120 °C.",
                     "Geprüft nach DIN EN 1254; DVGW-zugelassen.",
                     "Lieferung ohne Zubehör.",
                     "Oberfläche glänzend, schlagfest und UV-beständig.",
                     "Einbau nur durch Fachbetrieb.",
                     "Gehäuse aus Messing, Griff aus Aluminium.",
                     "Für Innen- und Außenbereich."};
    TWords Units{"Stk", "Stk", "Stk", "m", "Pak", "kg", "Rol"};
    TWords Countries{"DE", "DE", "DE", "AT", "IT", "CZ", "PL", "CN"};
    TWords Norms{"DIN EN 1254", "DIN 912", "DIN 934", "DIN VDE 0250", "EN 331", "DIN 125"};
    std::array<const char*, 8> Inches{"1/4\"", "3/8\"", "1/2\"", "3/4\"", "1\"", "1 1/4\"", "1 1/2\"", "2\""};
    std::array<const char*, 8> Pipes{"DN 15", "DN 20", "DN 25", "15 mm", "18 mm", "22x1,0 mm", "28x1,2 mm", "DN 32"};
    std::array<const char*, 8> Screws{"M4x20", "M5x25", "M6x30", "M8x40", "M8x60", "M10x50", "M12x80", "6x60"};
    TWords Cables{"3x1,5 mm²", "5x1,5 mm²", "3x2,5 mm²", "5x2,5 mm²", "2x0,75 mm²", "16 A"};

    TVocabulary()
    {
        struct TRaw {
            std::string_view Name;
            TSizeKind Kind;
        };
        const TRaw raw[] = {
            {"Kugelhahn", TSizeKind::Pipe},
            {"Rohrbogen", TSizeKind::Pipe},
            {"Muffe", TSizeKind::Pipe},
            {"Winkel", TSizeKind::Pipe},
            {"T-Stück", TSizeKind::Pipe},
            {"Reduzierstück", TSizeKind::Pipe},
            {"Übergangsstück", TSizeKind::Pipe},
            {"Pressfitting", TSizeKind::Pipe},
            {"Eckventil", TSizeKind::Pipe},
            {"Rückflussverhinderer", TSizeKind::Pipe},
            {"Flansch", TSizeKind::Pipe},
            {"Schlauchschelle", TSizeKind::Pipe},
            {"Dichtung", TSizeKind::Pipe},
            {"Kupferrohr", TSizeKind::Pipe},
            {"Siphon", TSizeKind::Pipe},
            {"Thermostatkopf", TSizeKind::Plain},
            {"Heizkörperventil", TSizeKind::Pipe},
            {"Waschtischarmatur", TSizeKind::Plain},
            {"Brauseschlauch", TSizeKind::Plain},
            {"Spülkasten", TSizeKind::Plain},
            {"Sechskantschraube", TSizeKind::Screw},
            {"Zylinderschraube", TSizeKind::Screw},
            {"Mutter", TSizeKind::Screw},
            {"Unterlegscheibe", TSizeKind::Screw},
            {"Dübel", TSizeKind::Screw},
            {"Gewindestange", TSizeKind::Screw},
            {"Holzschraube", TSizeKind::Screw},
            {"Spiralbohrer", TSizeKind::Screw},
            {"Mantelleitung", TSizeKind::Cable},
            {"Steckdose", TSizeKind::Cable},
            {"Schalter", TSizeKind::Cable},
            {"Abzweigdose", TSizeKind::Cable},
            {"Verbindungsklemme", TSizeKind::Cable},
            {"Leitungsschutzschalter", TSizeKind::Cable},
            {"Leuchte", TSizeKind::Plain},
            {"Silikon", TSizeKind::Plain},
            {"Montageschaum", TSizeKind::Plain},
            {"Trennscheibe", TSizeKind::Plain},
            {"Sägeblatt", TSizeKind::Plain},
            {"Arbeitshandschuhe", TSizeKind::Plain},
        };
        for (const auto& p : raw) {
            std::string name = Utf8ToWin1252(p.Name);
            std::string match = AnsiUpperCase(name.substr(0, 8));
            Products.push_back({std::move(name), std::move(match), p.Kind});
        }
    }
};

const TVocabulary& Vocabulary()
{
    static const TVocabulary vocabulary;
    return vocabulary;
}

void AppendNumber(std::string& out, uint64_t value, int minDigits = 1)
{
    char buf[24];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (; n < minDigits; ++n)
        buf[n] = '0';
    while (n > 0)
        out += buf[--n];
}

// A price of `cents` as "12,34".
void AppendMoney(std::string& out, uint64_t cents)
{
    AppendNumber(out, cents / 100);
    out += ',';
    AppendNumber(out, cents % 100, 2);
}

// A cell, quoted (inner quotes doubled) when it holds a quote, the separator or a line break.
void AppendCell(std::string& out, std::string_view cell, bool last = false)
{
    if (cell.find_first_of("\";\r\n") == std::string_view::npos) {
        out += cell;
    } else {
        out += '"';
        for (char c : cell) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }
    out += last ? "\r\n" : ";";
}

} // namespace

TArticleGenerator::TArticleGenerator(uint64_t seed)
    : FSeed(seed)
{}

std::string TArticleGenerator::Header() const
{
    static const char* const names[kColumnCount] = {
        "Artikelnummer", "EAN",          "Hersteller", "Bezeichnung",  "Zusatztext",    "Langtext",
        "Warengruppe",   "Rabattgruppe", "Preis",      "Preiseinheit", "Mengeneinheit", "Listenpreis",
        "MwSt",          "Gewicht",      "VPE",        "Lieferzeit",   "Ursprungsland", "Zolltarifnummer",
        "Matchcode",     "Farbe",        "Material",   "Abmessung",    "Norm",          "Bild",
        "Stand"};
    std::string out;
    for (int i = 0; i < kColumnCount; ++i)
        AppendCell(out, names[i], i == kColumnCount - 1);
    return out;
}

std::string TArticleGenerator::ArticleNumber(uint64_t index)
{
    // A bijection on 0..9999999 (7919 is prime to 10^7): unique and scattered.
    std::string out = "A";
    AppendNumber(out, (index * 7919 + 1234567) % 10000000, 7);
    if (index >= 10000000) {
        out += '-';
        AppendNumber(out, index / 10000000);
    }
    return out;
}

void TArticleGenerator::AppendRow(uint64_t index, std::string& out) const
{
    const TVocabulary& v = Vocabulary();
    TRandom r(FSeed ^ (index * 0xD1B54A32D192ED03ull));
    std::string cell;

    const TProduct& product = v.Products[r.Below(static_cast<uint32_t>(v.Products.size()))];
    const std::string& material = v.Materials.Pick(r);
    std::string size;
    switch (product.Kind) {
    case TSizeKind::Pipe:
        // About one row in ten is a fitting in inch sizes: those cells need quoting.
        size = r.Chance(22) ? v.Inches[r.Below(8)] : v.Pipes[r.Below(8)];
        break;
    case TSizeKind::Screw: size = v.Screws[r.Below(8)]; break;
    case TSizeKind::Cable: size = v.Cables.Pick(r); break;
    case TSizeKind::Plain: break;
    }

    AppendCell(out, ArticleNumber(index));
    cell.clear();
    if (r.Chance(70)) {
        cell = "40";
        AppendNumber(cell, r.Next() % 100000000000ull, 11);
    }
    AppendCell(out, cell);
    AppendCell(out, v.Makers.Pick(r));

    cell = product.Name;
    if (product.Kind != TSizeKind::Screw && product.Kind != TSizeKind::Cable) {
        cell += ' ';
        cell += material;
    }
    if (!size.empty()) {
        cell += ' ';
        cell += size;
    }
    AppendCell(out, cell);

    // Zusatztext: sometimes, now and then with a separator inside.
    cell.clear();
    if (r.Chance(25)) {
        cell = v.Extras.Pick(r);
        if (r.Chance(8)) {
            cell += "; ";
            cell += v.Extras.Pick(r);
        }
    }
    AppendCell(out, cell);

    // Langtext: a sentence in a fifth of the rows; a few rows carry several lines.
    cell.clear();
    if (r.Chance(15)) {
        cell = v.Sentences.Pick(r);
        if (r.Chance(20)) {
            const uint32_t lines = 1 + r.Below(3);
            for (uint32_t i = 0; i < lines; ++i) {
                cell += "\r\n";
                cell += v.Sentences.Pick(r);
            }
        }
    }
    AppendCell(out, cell);

    cell.clear();
    AppendNumber(cell, 100 + r.Below(900));
    AppendCell(out, cell);
    cell = static_cast<char>('A' + r.Below(6));
    AppendNumber(cell, r.Below(10));
    AppendCell(out, cell);

    const uint64_t cents = 5 + r.Below(50000);
    cell.clear();
    AppendMoney(cell, cents);
    AppendCell(out, cell);
    AppendCell(out, r.Chance(85) ? "1" : "100");
    AppendCell(out, v.Units.Pick(r));
    cell.clear();
    if (r.Chance(50))
        AppendMoney(cell, cents + cents / 4);
    AppendCell(out, cell);
    AppendCell(out, "19");
    cell.clear();
    if (r.Chance(60)) {
        cell = "0,";
        AppendNumber(cell, r.Below(1000), 3);
    }
    AppendCell(out, cell);
    cell.clear();
    AppendNumber(cell, r.Chance(70) ? 1 : 10 * (1 + r.Below(10)));
    AppendCell(out, cell);
    cell.clear();
    AppendNumber(cell, 1 + r.Below(14));
    AppendCell(out, cell);
    AppendCell(out, v.Countries.Pick(r));
    cell.clear();
    if (r.Chance(25))
        AppendNumber(cell, 73000000 + r.Below(1000000), 8);
    AppendCell(out, cell);
    AppendCell(out, r.Chance(50) ? product.Match : std::string());
    AppendCell(out, r.Chance(30) ? v.Colors.Pick(r) : std::string());
    AppendCell(out, r.Chance(40) ? material : std::string());
    AppendCell(out, size);
    AppendCell(out, r.Chance(25) ? v.Norms.Pick(r) : std::string());
    cell.clear();
    if (r.Chance(15)) {
        AppendNumber(cell, index, 7);
        cell += ".jpg";
    }
    AppendCell(out, cell);
    cell.clear();
    if (r.Chance(50)) {
        AppendNumber(cell, 1 + r.Below(28), 2);
        cell += '.';
        AppendNumber(cell, 1 + r.Below(12), 2);
        cell += ".2026";
    }
    AppendCell(out, cell, true);
}

void TArticleGenerator::WriteFile(const std::filesystem::path& file, uint64_t rows) const
{
    const std::filesystem::path temp = file.string() + ".part";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot create " + temp.string());
    std::string chunk = Header();
    chunk.reserve(1 << 20);
    bool ok = true;
    for (uint64_t i = 0; i < rows && ok; ++i) {
        AppendRow(i, chunk);
        if (chunk.size() >= (1u << 20) - 4096) {
            ok = std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size();
            chunk.clear();
        }
    }
    if (ok)
        ok = std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::filesystem::remove(temp);
        throw std::runtime_error("cannot write " + temp.string());
    }
    std::filesystem::rename(temp, file);
}

std::filesystem::path TArticleGenerator::CachedFile(const std::filesystem::path& folder, uint64_t rows) const
{
    const std::filesystem::path file = folder /
        ("artikelbench-v" + std::to_string(kVersion) + "-" + std::to_string(FSeed) + "-" + std::to_string(rows) +
         ".csv");
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        std::filesystem::create_directories(folder);
        WriteFile(file, rows);
    }
    return file;
}

} // namespace artikel::bench
