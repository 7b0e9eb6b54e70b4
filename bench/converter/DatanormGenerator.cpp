#include "bench/converter/DatanormGenerator.h"

#include "converter/Cp850.h"
#include "platform/Win1252.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace artikel::bench {
namespace {

struct Kind {
    const char* text; // short text 1 (UTF-8)
    const char* sizes; // variants for short text 2, separated by '|'
    const char* unit;
    int unitCode; // 0 per 1, 2 per 100
    int64_t cents; // list price of the first variant
    const char* main; // main product group
    const char* group; // product group
    const char* rebate;
    const char* longText; // lines separated by '|'
};

const Kind kKinds[] = {
    {"NYM-J Mantelleitung", "3x1,5 mm² Ring 50 m|3x2,5 mm² Ring 50 m|5x1,5 mm² Ring 50 m|5x2,5 mm² Ring 50 m", "m", 2,
     8990, "10", "1020", "EL2",
     "Mantelleitung für feste Verlegung|über, auf, im und unter Putz|in trockenen, feuchten und nassen "
     "Räumen|Nennspannung 300/500 V"},
    {"H07V-K Aderleitung", "1,5 mm² schwarz|1,5 mm² blau|2,5 mm² grün-gelb|4 mm² schwarz", "m", 2, 3150, "10", "1020",
     "EL2", "Einadrige Aderleitung, feindrähtig|für geschützte Verlegung in Rohren|und Installationskanälen"},
    {"Schutzkontakt-Steckdose", "reinweiß|alpinweiß|anthrazit|aluminium", "Stck", 0, 449, "10", "1030", "EL1",
     "Schutzkontakt-Steckdose UP mit Steckklemmen|erhöhter Berührungsschutz|250 V~ 16 A"},
    {"Wippschalter Aus/Wechsel", "reinweiß|alpinweiß|anthrazit", "Stck", 0, 529, "10", "1030", "EL1",
     "Universal-Aus/Wechselschalter UP|mit Steckklemmen, 10 AX 250 V~"},
    {"Abzweigdose AP", "IP55 grau 85x85|IP55 grau 100x100|IP66 grau 150x110", "Stck", 0, 349, "10", "1010", "EL1",
     "Kunststoff-Abzweigdose für die|Aufputz-Installation, halogenfrei|mit 7 Einführungen"},
    {"Gerätedose UP", "Ø 68 mm tief 47 mm|Ø 68 mm tief 61 mm|Doppeldose Ø 68 mm", "Stck", 2, 3900, "10", "1010", "EL1",
     "Schalter- und Gerätedose für Unterputz|mit Geräteschrauben"},
    {"Leitungsschutzschalter", "B10 1-polig|B16 1-polig|C16 1-polig|B16 3-polig", "Stck", 0, 389, "11", "1110", "EL3",
     "Leitungsschutzschalter nach DIN EN 60898-1|Schaltvermögen 6 kA|Baubreite 1 TE je Pol"},
    {"FI-Schutzschalter 4-polig", "40 A 30 mA Typ A|63 A 30 mA Typ A|40 A 30 mA Typ B", "Stck", 0, 4290, "11", "1120",
     "EL3", "Fehlerstrom-Schutzschalter 4-polig|Bemessungsfehlerstrom 30 mA|für Hutschienenmontage"},
    {"LED-Panel", "60x60 cm 36 W 4000 K|30x120 cm 40 W 4000 K|62x62 cm 36 W 3000 K", "Stck", 0, 5990, "12", "1210",
     "EL4", "LED-Einlegeleuchte für Rasterdecken|flimmerfrei, UGR < 19|Lebensdauer 50.000 h"},
    {"Kabelkanal", "40x60 mm reinweiß 2 m|60x110 mm reinweiß 2 m|15x15 mm reinweiß 2 m", "m", 2, 41900, "10", "1040",
     "EL1", "Installationskanal aus PVC|mit Oberteil, schlagfest"},
    {"Installationsrohr flexibel", "M20 grau Ring 50 m|M25 grau Ring 50 m|M32 grau Ring 25 m", "m", 2, 4590, "10",
     "1040", "EL1", "Flexibles Isolierrohr|mittlere Druckfestigkeit 320 N"},
    {"Verbindungsklemme", "2-fach 0,5-2,5 mm²|3-fach 0,5-2,5 mm²|5-fach 0,5-2,5 mm²", "Stck", 2, 2290, "10", "1050",
     "EL1", ""},
    {"Kupferrohr hart", "15x1 mm Stange 5 m|18x1 mm Stange 5 m|22x1 mm Stange 5 m|28x1,5 mm Stange 5 m", "m", 0, 1249,
     "20", "2010", "SA2", "Kupferrohr nach DIN EN 1057|für Trinkwasser- und Heizungsinstallation|RAL-Gütezeichen"},
    {"Pressfitting Bogen 90°", "15 mm|18 mm|22 mm|28 mm", "Stck", 0, 389, "20", "2020", "SA2",
     "Pressfitting aus Kupfer|mit SC-Contur und EPDM-Dichtring|für Trinkwasser geeignet"},
    {"Eckventil", "1/2\" x 3/8\" verchromt|1/2\" x 10 mm verchromt|3/8\" x 3/8\" verchromt", "Stck", 0, 890, "21",
     "2110", "SA1", "Eckventil mit Rosette|Messing verchromt, Oberteil aus Messing"},
    {"Waschtischarmatur", "Einhebel verchromt|Einhebel mit Zugstange|Zweigriff verchromt", "Stck", 0, 12900, "21",
     "2120", "SA1", "Einhebel-Waschtischmischer|Keramikkartusche 35 mm|Durchfluss 5 l/min, Strahlregler"},
    {"Thermostat-Brausebatterie", "Aufputz DN 15|Aufputz mit Ablage DN 15", "Stck", 0, 24900, "21", "2120", "SA1",
     "Thermostat mit Verbrühschutz bei 38 °C|Sparstopp bei 9 l/min|Anschluss 1/2\""},
    {"Röhrensiphon", "DN 32 weiß|DN 40 weiß|DN 32 verchromt", "Stck", 0, 1190, "22", "2210", "SA3",
     "Röhrensiphon mit Tauchrohr|geruchsdicht, reinigungsfreundlich"},
    {"Unterputz-Spülkasten", "Bauhöhe 112 cm|Bauhöhe 82 cm", "Stck", 0, 18900, "22", "2220", "SA3",
     "Unterputz-Spülkasten für Trockenbau|2-Mengen-Spülung 6/3 l|schallgedämmt nach DIN 4109"},
    {"Kugelhahn", "1/2\" IG/IG|3/4\" IG/IG|1\" IG/IG|3/4\" mit Entleerung", "Stck", 0, 990, "20", "2030", "SA2",
     "Messing-Kugelhahn, voller Durchgang|PN 25, Temperatur bis 120 °C"},
    {"Heizkörperventil", "Durchgang 1/2\"|Eck 1/2\"|Axial 1/2\"", "Stck", 0, 1890, "23", "2310", "SA4",
     "Thermostat-Ventilunterteil|voreinstellbar, Anschluss M30x1,5"},
    {"Edelstahl-Flexschlauch", "DN 8 300 mm|DN 8 500 mm|DN 10 500 mm", "Stck", 0, 590, "20", "2040", "SA2", ""},
    {"Sechskantschraube verzinkt", "M6x20|M8x30|M10x40|M12x60", "Stck", 2, 690, "30", "3010", "BE1", ""},
    {"Dübel Nylon", "6x30 mm|8x40 mm|10x50 mm", "Stck", 2, 450, "30", "3020", "BE1",
     "Spreizdübel aus Polyamid|für Beton, Vollziegel und Lochstein"},
};
constexpr size_t kKindCount = sizeof(kKinds) / sizeof(kKinds[0]);

struct RebateGroup {
    const char* code;
    int flag;
    int value;
    const char* text;
};
const RebateGroup kRebates[] = {
    {"EL1", 1, 3500, "Installationsmaterial"},
    {"EL2", 2, 620, "Kabel und Leitungen"},
    {"EL3", 1, 3000, "Verteiler und Schutzgeräte"},
    {"EL4", 1, 2500, "Leuchten"},
    {"SA1", 1, 2800, "Sanitärarmaturen"},
    {"SA2", 1, 4000, "Rohre und Fittings"},
    {"SA3", 1, 3200, "Installationstechnik Sanitär"},
    {"SA4", 1, 3000, "Heizungstechnik"},
    {"BE1", 1, 4500, "Befestigungstechnik"},
};

struct Group {
    const char* main;
    const char* group; // empty: a main group
    const char* text;
};
const Group kGroups[] = {
    {"10", "", "Elektroinstallation"},
    {"10", "1010", "Dosen und Gehäuse"},
    {"10", "1020", "Kabel und Leitungen"},
    {"10", "1030", "Schalter und Steckdosen"},
    {"10", "1040", "Kanäle und Rohre"},
    {"10", "1050", "Klemmen"},
    {"11", "", "Verteilung und Schutz"},
    {"11", "1110", "Leitungsschutzschalter"},
    {"11", "1120", "FI-Schutzschalter"},
    {"12", "", "Beleuchtung"},
    {"12", "1210", "LED-Leuchten"},
    {"20", "", "Rohrsysteme"},
    {"20", "2010", "Kupferrohr"},
    {"20", "2020", "Pressfittings"},
    {"20", "2030", "Absperrarmaturen"},
    {"20", "2040", "Anschlussschläuche"},
    {"21", "", "Armaturen"},
    {"21", "2110", "Eckventile"},
    {"21", "2120", "Mischbatterien"},
    {"22", "", "Sanitärinstallation"},
    {"22", "2210", "Siphons"},
    {"22", "2220", "Spülkästen"},
    {"23", "", "Heizung"},
    {"23", "2310", "Heizkörperventile"},
    {"30", "", "Befestigung"},
    {"30", "3010", "Schrauben"},
    {"30", "3020", "Dübel"},
};

std::vector<std::string> Split(const char* s)
{
    std::vector<std::string> out;
    std::string cur;
    for (; *s; ++s) {
        if (*s == '|') {
            out.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(*s);
        }
    }
    if (!cur.empty())
        out.push_back(cur);
    return out;
}

enum class Enc { Cp850, Win1252, Utf8 };

// Windows-1252 -> CP850 for the characters the tables use.
const std::array<unsigned char, 256>& ReverseCp850()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[static_cast<size_t>(i)] = i < 128 ? static_cast<unsigned char>(i) : '?';
        for (int b = 255; b >= 128; --b) {
            const unsigned char w = convert::kCp850ToWin1252[b];
            if (w >= 128)
                t[w] = static_cast<unsigned char>(b);
        }
        return t;
    }();
    return table;
}

std::string Encode(const std::string& utf8, Enc enc)
{
    if (enc == Enc::Utf8)
        return utf8;
    std::string w = Utf8ToWin1252(utf8);
    if (enc == Enc::Cp850)
        for (char& c : w)
            c = static_cast<char>(ReverseCp850()[static_cast<unsigned char>(c)]);
    return w;
}

// The catalogue's texts, encoded once.
struct Catalogue {
    struct K {
        std::string text, unit;
        std::vector<std::string> sizes;
        std::vector<std::string> longText;
    };
    std::vector<K> kinds;
    explicit Catalogue(Enc enc)
    {
        for (const Kind& k : kKinds) {
            K e;
            e.text = Encode(k.text, enc);
            e.unit = Encode(k.unit, enc);
            for (const std::string& s : Split(k.sizes))
                e.sizes.push_back(Encode(s, enc));
            for (const std::string& s : Split(k.longText))
                e.longText.push_back(Encode(s, enc));
            kinds.push_back(std::move(e));
        }
    }
};

struct Rng {
    uint64_t s;
    uint32_t Next()
    {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(s >> 33);
    }
};

std::string Ean(uint64_t n)
{
    std::string d = "40" + std::to_string(1000000000ULL + n % 9000000000ULL);
    int sum = 0;
    for (size_t i = 0; i < 12; ++i)
        sum += (d[i] - '0') * (i % 2 ? 3 : 1);
    d.push_back(static_cast<char>('0' + (10 - sum % 10) % 10));
    return d;
}

// One generated article.
struct Article {
    size_t kind;
    size_t size;
    std::string number;
    int64_t cents;
};

Article MakeArticle(size_t i, Rng& rng)
{
    Article a;
    a.kind = rng.Next() % kKindCount;
    const Kind& k = kKinds[a.kind];
    const size_t sizes = Split(k.sizes).size();
    a.size = rng.Next() % sizes;
    // Some suppliers keep leading zeros in their numbers.
    a.number = (i % 7 == 0 ? "00" : "") + std::to_string(100000 + i);
    a.cents = k.cents + static_cast<int64_t>(a.size) * k.cents / 4 + static_cast<int64_t>(rng.Next() % 50);
    return a;
}

class Out {
public:
    explicit Out(const std::filesystem::path& file)
        : f_(std::fopen(file.c_str(), "wb"))
    {
        if (!f_)
            throw std::runtime_error("cannot write " + file.string());
        buf_.reserve(1 << 20);
    }
    ~Out()
    {
        Flush();
        std::fclose(f_);
    }
    Out& operator<<(std::string_view s)
    {
        buf_.append(s);
        if (buf_.size() > (1 << 20))
            Flush();
        return *this;
    }
    Out& operator<<(int64_t v) { return *this << std::string_view(std::to_string(v)); }
    void Line() { *this << std::string_view("\r\n"); }

private:
    void Flush()
    {
        std::fwrite(buf_.data(), 1, buf_.size(), f_);
        buf_.clear();
    }
    std::FILE* f_;
    std::string buf_;
};

std::string Header4(const char* info1, const char* info2)
{
    std::string h = "V 101024";
    auto pad = [&](std::string s, size_t n) {
        s.resize(n, ' ');
        h += s;
    };
    pad(Encode(info1, Enc::Cp850), 40);
    pad(Encode(info2, Enc::Cp850), 40);
    pad("", 35);
    h += "04EUR";
    return h;
}

std::string CsvField(const std::string& v)
{
    if (v.find_first_of(";\"\r\n") == std::string::npos)
        return v;
    std::string q = "\"";
    for (char c : v) {
        if (c == '"')
            q += '"';
        q += c;
    }
    return q + "\"";
}

} // namespace

void WriteDatanorm4Delivery(const std::filesystem::path& folder, std::size_t articles)
{
    std::filesystem::create_directories(folder);
    const Catalogue cat(Enc::Cp850);
    Rng rng{42};
    {
        Out out(folder / "DATANORM.001");
        out << Header4("Elektro + Sanitär Großhandel Nord GmbH", "Artikelstamm Herbst 2024");
        out.Line();
        // The shared long texts stand before the articles, one block per kind (text number
        // 900 + kind), two lines a record.
        for (size_t k = 0; k < kKindCount; ++k) {
            const auto& lines = cat.kinds[k].longText;
            for (size_t l = 0; l < lines.size(); l += 2) {
                out << "T;N;" << static_cast<int64_t>(900 + k) << ";;" << static_cast<int64_t>(l + 1) << ";;"
                    << lines[l] << ";";
                if (l + 1 < lines.size())
                    out << static_cast<int64_t>(l + 2) << ";;" << lines[l + 1] << ";";
                else
                    out << ";;;";
                out.Line();
            }
        }
        for (size_t i = 0; i < articles; ++i) {
            const Article a = MakeArticle(i, rng);
            const Kind& k = kKinds[a.kind];
            const auto& ck = cat.kinds[a.kind];
            const bool net = i % 23 == 5;
            out << "A;N;" << a.number << ";00;" << ck.text << ";" << ck.sizes[a.size] << ";" << (net ? "2" : "1") << ";"
                << static_cast<int64_t>(k.unitCode) << ";" << ck.unit << ";" << a.cents << ";" << k.rebate << ";"
                << k.main << ";";
            if (!ck.longText.empty())
                out << static_cast<int64_t>(900 + a.kind);
            out << ";";
            out.Line();
            out << "B;N;" << a.number << ";" << std::string_view(ck.text).substr(0, 10) << ";;"
                << static_cast<int64_t>(100 + a.kind * 4) << ";;;;" << Ean(i * 7919 + a.kind) << ";;" << k.group << ";;"
                << (k.unitCode == 2 ? "100" : "1") << ";;;";
            out.Line();
            if (i % 10 == 3) {
                out << "D;N;" << a.number << ";1;F;;" << Encode("Auslaufartikel: nur solange Vorrat reicht", Enc::Cp850)
                    << ";;;;;";
                out.Line();
            }
        }
        out << std::string_view("\x1a");
    }
    {
        Out out(folder / "DATPREIS.001");
        out << Header4("Elektro + Sanitär Großhandel Nord GmbH", "Preisänderung 11/2024");
        out.Line();
        Rng prng{42};
        for (size_t i = 0; i < articles; ++i) {
            const Article a = MakeArticle(i, prng);
            if (i % 5 != 1)
                continue;
            // A new list price; every third of them also the customer's net price.
            out << "P;A;" << a.number << ";1;" << a.cents + a.cents / 20 << ";;;;;;;";
            if (i % 3 == 0)
                out << a.number << ";2;" << a.cents * 6 / 10 << ";;;;;;;";
            out.Line();
        }
    }
    {
        Out out(folder / "DATANORM.RAB");
        for (const RebateGroup& r : kRebates) {
            out << "R;;" << r.code << ";" << static_cast<int64_t>(r.flag) << ";" << static_cast<int64_t>(r.value) << ";"
                << Encode(r.text, Enc::Cp850) << ";";
            out.Line();
        }
    }
    {
        Out out(folder / "DATANORM.WRG");
        for (const Group& g : kGroups) {
            if (!*g.group)
                out << "S;;" << g.main << ";" << Encode(g.text, Enc::Cp850) << ";;;";
            else
                out << "S;;" << g.main << ";;" << g.group << ";" << Encode(g.text, Enc::Cp850) << ";";
            out.Line();
        }
    }
}

void WriteDatanorm5File(const std::filesystem::path& file, std::size_t articles)
{
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path());
    const Catalogue cat(Enc::Win1252);
    Rng rng{5};
    Out out(file);
    out << Encode("V;050;A;20241015;EUR;Artikelstamm Elektro und Sanitär;(c) 2024 Großhandel Süd;GHSUED;"
                  "Elektro + Sanitär Großhandel Süd GmbH;;;Industriestraße 12;DE;80339;München;",
                  Enc::Win1252);
    out.Line();
    size_t records = 0;
    for (size_t i = 0; i < articles; ++i) {
        const Article a = MakeArticle(i, rng);
        const Kind& k = kKinds[a.kind];
        const auto& ck = cat.kinds[a.kind];
        const int64_t unit = k.unitCode == 2 ? 100 : 1;
        const char* ece = std::string_view(k.unit) == "m" ? "MTR" : "PCE";
        out << "A;N;" << a.number << ";" << ck.text << ";" << ck.sizes[a.size] << ";" << ece << ";1;" << unit << ";"
            << a.cents << ";" << k.rebate << ";" << k.main << ";" << k.group << ";"
            << std::string_view(ck.text).substr(0, 10) << ";;;" << Encode("Werk Süd", Enc::Win1252) << ";H-" << a.number
            << ";Typ " << static_cast<int64_t>(a.size + 1) << ";" << Ean(i * 104729 + 3) << ";;"
            << (unit == 100 ? "100" : "1") << ";" << static_cast<int64_t>(200 + a.kind) << ";;";
        if (!ck.longText.empty())
            out << "L" << static_cast<int64_t>(a.kind);
        out << ";;;;;;";
        out.Line();
        ++records;
    }
    for (size_t k = 0; k < kKindCount; ++k) {
        const auto& lines = cat.kinds[k].longText;
        for (size_t l = 0; l < lines.size(); ++l) {
            out << "T;N;L" << static_cast<int64_t>(k) << ";1;" << static_cast<int64_t>(l + 1) << ";" << lines[l] << ";";
            out.Line();
            ++records;
        }
    }
    for (const RebateGroup& r : kRebates) {
        out << "R;" << r.code << ";" << static_cast<int64_t>(r.flag) << ";" << static_cast<int64_t>(r.value) << ";"
            << Encode(r.text, Enc::Win1252) << ";";
        out.Line();
        ++records;
    }
    for (const Group& g : kGroups) {
        out << "S;" << g.main << ";" << g.group << ";" << Encode(g.text, Enc::Win1252) << ";";
        out.Line();
        ++records;
    }
    out << "E;" << static_cast<int64_t>(records) << ";";
    out.Line();
}

void WriteArticleCsv(const std::filesystem::path& file, std::size_t articles)
{
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path());
    const Catalogue cat(Enc::Utf8);
    Rng rng{7};
    Out out(file);
    out << std::string_view("Artikelnummer;Bezeichnung;Langtext;Einheit;Preis;Warengruppe;EAN");
    out.Line();
    auto money = [](int64_t cents) {
        std::string s = std::to_string(cents / 100) + ",";
        s += static_cast<char>('0' + cents % 100 / 10);
        s += static_cast<char>('0' + cents % 10);
        return s;
    };
    for (size_t i = 0; i < articles; ++i) {
        const Article a = MakeArticle(i, rng);
        const Kind& k = kKinds[a.kind];
        const auto& ck = cat.kinds[a.kind];
        std::string lt;
        for (const std::string& l : ck.longText)
            lt += (lt.empty() ? "" : "\n") + l;
        out << a.number << ";" << CsvField(ck.text + " " + ck.sizes[a.size]) << ";" << CsvField(lt);
        out << ";" << ck.unit << ";" << money(k.unitCode == 2 ? a.cents / 100 : a.cents) << ";" << k.group << ";"
            << Ean(i * 31 + 11);
        out.Line();
    }
}

} // namespace artikel::bench
