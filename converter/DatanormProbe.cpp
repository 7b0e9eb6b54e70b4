#include "converter/DatanormProbe.h"

#include "converter/DatanormFields.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <optional>

namespace artikel::convert {

using namespace datanorm;

namespace {

// The version a 4.0/3.0 fixed-width header names: characters 124-125, or, where trailing blanks
// were lost, the two digits in front of the currency at its end.
int FixedHeaderVersion(std::string_view line)
{
    auto digitsToVersion = [](std::string_view d) {
        if (d == "04")
            return 4;
        if (d == "03")
            return 3;
        if (d == "05")
            return 5;
        return 0;
    };
    if (line.size() >= 125) {
        const int v = digitsToVersion(line.substr(123, 2));
        if (v)
            return v;
    }
    std::string_view t = Trim(line);
    for (std::string_view cur : {"EUR", "DEM", "CHF", "ATS", "USD"}) {
        if (t.size() >= 5 && t.substr(t.size() - 3) == cur) {
            std::string_view d = Trim(t.substr(0, t.size() - 3));
            if (d.size() >= 2)
                return digitsToVersion(d.substr(d.size() - 2));
        }
    }
    if (t.size() >= 2)
        return digitsToVersion(t.substr(t.size() - 2));
    return 0;
}

// The shape of an A record without a header: 4.0 has the 2-digit text flag in field 4 and the
// price in field 10; 5.0 the unit in field 6 and the price in field 9.
int GuessVersionFromArticle(const TFields& f)
{
    const std::string_view f4 = Trim(f[4]);
    const bool four = f4.size() == 2 && AllDigits(f4) && (Trim(f[10]).empty() || AllDigits(Trim(f[10])));
    const bool five = f.n >= 9 && AllDigits(Trim(f[9])) && !AllDigits(Trim(f[6]));
    if (four && !five)
        return 4;
    if (five && !four)
        return 5;
    if (four)
        return f.n > 16 ? 5 : 4;
    return 0;
}

bool IsVkz(std::string_view s)
{
    s = Trim(s);
    return s.empty() || (s.size() == 1 && std::strchr("NALX", s[0]) != nullptr);
}

bool DigitsOrEmpty(std::string_view s)
{
    s = Trim(s);
    return s.empty() || AllDigits(s);
}

// Whether a record of a file without header has the shape of its kind: a CSV whose first column
// holds single letters (an ABC class: "A;00017;Schraube M3;...") must not pass for DATANORM.
bool HasRecordShape(char kind, const TFields& f)
{
    switch (kind) {
    case 'A': return f.n >= 9 && IsVkz(f[2]) && GuessVersionFromArticle(f) != 0;
    case 'P': // 4.0: P;VKZ;article;flag;price;...  5.0: P;article;flag;unit;price;...
        return f.n >= 5 &&
            ((IsVkz(f[2]) && DigitsOrEmpty(f[4]) && DigitsOrEmpty(f[5])) ||
             (DigitsOrEmpty(f[3]) && DigitsOrEmpty(f[4]) && AllDigits(Trim(f[5]))));
    case 'R':
    case 'S': return f.n >= 4;
    case 'E': // 4.0: a text block like T; 5.0: the end record with its count
        return IsVkz(f[2]) || AllDigits(Trim(f[2]));
    default: return IsVkz(f[2]);
    }
}

} // namespace

TDatanormProbe ProbeDatanorm(std::string_view head)
{
    TDatanormProbe probe;
    head = SkipBom(head);
    int lines = 0;
    int records = 0;
    int others = 0;
    int counts[128] = {};
    bool first = true;
    bool header = false;
    ForEachLine(head.data(), head.size(), [&](std::string_view line) {
        ++lines;
        const char c = line[0];
        if (first && c == 'V') {
            first = false;
            if (line.size() > 1 && line[1] == ';') {
                TFields f;
                SplitFields(line, f);
                const std::string_view v = Trim(f[2]);
                probe.version = v.size() >= 2 && v.substr(0, 2) == "05" ? 5 : (v.substr(0, 2) == "04" ? 4 : 0);
                if (v.substr(0, 2) == "03")
                    probe.version = 3;
                header = true;
                ++records;
            } else {
                probe.version = FixedHeaderVersion(line);
                header = probe.version != 0;
                if (probe.version)
                    ++records;
                else
                    ++others;
            }
            return lines < 200;
        }
        first = false;
        if (line.size() >= 2 && line[1] == ';' && IsRecordLetter(c)) {
            TFields f;
            SplitFields(line, f);
            if (!header && !HasRecordShape(c, f)) {
                ++others;
                return lines < 200;
            }
            ++records;
            ++counts[static_cast<unsigned char>(c)];
            if (c == 'A' && probe.version == 0)
                probe.version = GuessVersionFromArticle(f);
        } else if (probe.version == 3 && line.size() >= 2 && IsRecordLetter(c)) {
            ++records;
            ++counts[static_cast<unsigned char>(c)];
        } else {
            ++others;
        }
        return lines < 200;
    });
    if (records == 0 || others * 5 > records)
        return TDatanormProbe{};
    probe.isDatanorm = true;
    auto count = [&](char c) { return counts[static_cast<unsigned char>(c)]; };
    const int articles = count('A') + count('B') + count('T') + count('D');
    const int best = std::max({articles, count('P'), count('R'), count('S')});
    if (best == 0)
        probe.kind = EDatanormKind::None;
    else if (best == articles)
        probe.kind = EDatanormKind::Articles;
    else if (best == count('P'))
        probe.kind = EDatanormKind::Prices;
    else if (best == count('R'))
        probe.kind = EDatanormKind::Rebates;
    else
        probe.kind = EDatanormKind::Groups;
    return probe;
}

TDatanormProbe ProbeDatanormFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {};
    std::string head(64 * 1024, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    // A cut-off last line says nothing.
    if (head.size() == 64 * 1024) {
        const size_t p = head.find_last_of("\r\n");
        if (p != std::string::npos)
            head.resize(p);
    }
    return ProbeDatanorm(head);
}

std::vector<std::filesystem::path> FindDatanormDelivery(const std::filesystem::path& file)
{
    std::vector<std::filesystem::path> out{file};
    auto lowerName = [](const std::filesystem::path& p) {
        std::string n = p.filename().string();
        for (char& c : n)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return n;
    };
    // "<prefix>datanorm" or "<prefix>datpreis", then nothing or a delivery extension (".001",
    // ".rab", ".wrg", ".war", ".set"): "datanorm_alt.001" is another delivery.
    auto prefixOf = [](const std::string& lower) -> std::optional<std::string> {
        for (const char* word : {"datanorm", "datpreis"}) {
            const size_t p = lower.rfind(word);
            if (p == std::string::npos)
                continue;
            const std::string rest = lower.substr(p + 8);
            const std::string ext = rest.size() > 1 && rest[0] == '.' ? rest.substr(1) : std::string();
            const bool number = !ext.empty() && ext.size() <= 3 && AllDigits(ext);
            if (rest.empty() || number || ext == "rab" || ext == "wrg" || ext == "war" || ext == "set")
                return lower.substr(0, p);
        }
        return std::nullopt;
    };
    const std::string own = lowerName(file);
    const auto prefix = prefixOf(own);
    if (!prefix)
        return out;
    std::error_code ec;
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::vector<std::filesystem::path> siblings;
    int seen = 0;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (++seen > 5000)
            break;
        if (!it->is_regular_file(ec))
            continue;
        const std::string n = lowerName(it->path());
        if (n == own)
            continue;
        const auto p = prefixOf(n);
        if (!p || *p != *prefix)
            continue;
        if (ProbeDatanormFile(it->path()).isDatanorm)
            siblings.push_back(it->path());
    }
    std::sort(siblings.begin(), siblings.end());
    out.insert(out.end(), siblings.begin(), siblings.end());
    return out;
}

} // namespace artikel::convert
