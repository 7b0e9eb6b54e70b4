#include "converter/TTextCsvReader.h"

#include "converter/Cp850.h"
#include "converter/TConvertMessage.h"
#include "platform/Win1252.h"

#include <array>
#include <fstream>
#include <map>
#include <vector>

namespace artikel::convert {
namespace {

constexpr std::size_t kSampleBytes = 64 * 1024;
constexpr std::size_t kCodePageSample = 4 << 20;
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{2} << 30;

bool IsControl(unsigned char c)
{
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1A && c != 0x1B) ||
        c == 0x7F;
}

// A quote-aware scan of one line: adds the number of each candidate separator outside quotes
// to counts and returns the position after the line break (or npos at the end of the sample).
std::size_t CountLine(std::string_view text, std::size_t pos, std::array<int, 4>& counts, bool& blank)
{
    static constexpr char kCandidates[4] = {'\t', ';', '|', ','};
    bool inQuote = false;
    bool fieldStart = true;
    blank = true;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (inQuote) {
            if (c == '"') {
                if (pos + 1 < text.size() && text[pos + 1] == '"')
                    ++pos; // a doubled quote stays inside
                else
                    inQuote = false;
            }
            continue;
        }
        if (c == '"' && fieldStart) {
            inQuote = true;
            blank = false;
            fieldStart = false;
            continue;
        }
        if (c == '\r' || c == '\n') {
            if (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n')
                ++pos;
            return pos + 1;
        }
        fieldStart = false;
        if (c != ' ')
            blank = false;
        // "Müller, Hans": a comma before a blank is punctuation, not a separator.
        if (c == ',' && pos + 1 < text.size() && text[pos + 1] == ' ')
            continue;
        for (int k = 0; k < 4; ++k)
            if (c == kCandidates[k]) {
                ++counts[static_cast<std::size_t>(k)];
                fieldStart = true;
            }
    }
    return std::string_view::npos;
}

// Length of the well-formed UTF-8 sequence at i (1 for ASCII), 0 when the byte starts none.
std::size_t Utf8SequenceLength(std::string_view b, std::size_t i, char32_t& cp)
{
    const auto c = static_cast<unsigned char>(b[i]);
    cp = c;
    if (c < 0x80)
        return 1;
    std::size_t n;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4, cp = c & 0x07;
    else
        return 0;
    if (i + n > b.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto d = static_cast<unsigned char>(b[i + k]);
        if ((d & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0;
    return n;
}

// UTF-8 to Windows-1252; a byte that starts no well-formed sequence is taken as Windows-1252.
std::string LenientUtf8ToWin1252(std::string_view b)
{
    std::string out;
    out.reserve(b.size());
    for (std::size_t i = 0; i < b.size();) {
        char32_t cp = 0;
        const std::size_t n = Utf8SequenceLength(b, i, cp);
        if (n <= 1) {
            out += b[i];
            ++i;
            continue;
        }
        const int ansi = UnicodeToWin1252(cp);
        out += ansi < 0 ? '?' : static_cast<char>(ansi);
        i += n;
    }
    return out;
}

// Excel's "sep=;" first line declares the separator; pos is set behind that line.
char DeclaredSeparator(std::string_view text, std::size_t& pos)
{
    pos = 0;
    std::size_t i = 0;
    const bool quoted = !text.empty() && text[0] == '"';
    if (quoted)
        ++i;
    if (text.size() < i + 5 || (text.compare(i, 4, "sep=") != 0 && text.compare(i, 4, "SEP=") != 0))
        return 0;
    const char sep = text[i + 4];
    if (sep == '\r' || sep == '\n' || sep == '"')
        return 0;
    i += 5;
    if (quoted && i < text.size() && text[i] == '"')
        ++i;
    if (i < text.size() && text[i] != '\r' && text[i] != '\n')
        return 0;
    if (i < text.size() && text[i] == '\r')
        ++i;
    if (i < text.size() && text[i] == '\n')
        ++i;
    pos = i;
    return sep;
}

} // namespace

bool TTextCsvReader::BlanksFollowSeparator(std::string_view text, char sep)
{
    const std::string_view sample = text.substr(0, kSampleBytes);
    std::size_t lines = 0;
    long firstCount = -1;
    bool sameCount = true;
    std::size_t pos = 0;
    while (pos < sample.size() && lines < 200) {
        // One line, quote-aware: a quoted field may start after the blanks.
        long withBlank = 0;
        bool bare = false, inQuote = false, fieldStart = true, blank = true;
        for (; pos < sample.size(); ++pos) {
            const char c = sample[pos];
            if (inQuote) {
                if (c == '"') {
                    if (pos + 1 < sample.size() && sample[pos + 1] == '"')
                        ++pos;
                    else
                        inQuote = false;
                }
                continue;
            }
            if (c == '\r' || c == '\n') {
                if (c == '\r' && pos + 1 < sample.size() && sample[pos + 1] == '\n')
                    ++pos;
                ++pos;
                break;
            }
            if (c == '"' && fieldStart) {
                inQuote = true;
                fieldStart = blank = false;
                continue;
            }
            if (c == ' ')
                continue;
            blank = false;
            fieldStart = false;
            if (c == sep) {
                fieldStart = true;
                const bool lineEnd = pos + 1 >= sample.size() || sample[pos + 1] == '\r' || sample[pos + 1] == '\n';
                if (pos + 1 < sample.size() && sample[pos + 1] == ' ')
                    ++withBlank;
                else if (!lineEnd)
                    bare = true;
            }
        }
        if (blank)
            continue;
        if (bare || withBlank == 0)
            return false;
        if (firstCount < 0)
            firstCount = withBlank;
        sameCount = sameCount && withBlank == firstCount;
        ++lines;
    }
    // Two lines of one comma each may as well be prose ("Text, mit Komma").
    return lines >= 2 && sameCount && (lines >= 3 || firstCount >= 2);
}

TTextCsvReader::TTextCsvReader(std::string fileName)
    : fileName_(std::move(fileName))
{}

TTextEncoding TTextCsvReader::DetectEncoding(std::string_view b)
{
    auto u = [&](std::size_t i) { return static_cast<unsigned char>(b[i]); };
    if (b.size() >= 3 && u(0) == 0xEF && u(1) == 0xBB && u(2) == 0xBF)
        return TTextEncoding::Utf8Bom;
    if (b.size() >= 2 && u(0) == 0xFF && u(1) == 0xFE)
        return TTextEncoding::Utf16Le;
    if (b.size() >= 2 && u(0) == 0xFE && u(1) == 0xFF)
        return TTextEncoding::Utf16Be;
    // UTF-16 without a BOM: text of Latin letters has a zero in every other byte.
    const std::size_t pairs = std::min(b.size(), kSampleBytes) / 2;
    if (pairs >= 2) {
        std::size_t evenZero = 0, oddZero = 0;
        for (std::size_t i = 0; i < pairs; ++i) {
            evenZero += b[2 * i] == 0;
            oddZero += b[2 * i + 1] == 0;
        }
        if (oddZero * 10 >= pairs * 7 && evenZero * 20 < pairs)
            return TTextEncoding::Utf16Le;
        if (evenZero * 10 >= pairs * 7 && oddZero * 20 < pairs)
            return TTextEncoding::Utf16Be;
    }
    // UTF-8 when its multi-byte sequences are (nearly all) well-formed: a file pasted together
    // from two exports may hold a few stray Windows-1252 bytes, which are then kept as such.
    std::size_t valid = 0, invalid = 0;
    for (std::size_t i = 0; i < b.size();) {
        char32_t cp = 0;
        const std::size_t n = Utf8SequenceLength(b, i, cp);
        if (n > 1)
            ++valid;
        else if (n == 0)
            ++invalid;
        i += n == 0 ? 1 : n;
    }
    if (valid > 0 && invalid * 20 <= valid)
        return TTextEncoding::Utf8;
    return LooksLikeCp850(b.substr(0, kCodePageSample)) ? TTextEncoding::Cp850 : TTextEncoding::Win1252;
}

std::string TTextCsvReader::DecodeToWin1252(std::string_view bytes, TTextEncoding encoding)
{
    std::string text;
    switch (encoding) {
    case TTextEncoding::Utf8Bom: text = LenientUtf8ToWin1252(bytes.substr(3)); break;
    case TTextEncoding::Utf8: text = LenientUtf8ToWin1252(bytes); break;
    case TTextEncoding::Utf16Le:
    case TTextEncoding::Utf16Be: {
        const bool le = encoding == TTextEncoding::Utf16Le;
        std::u16string units(bytes.size() / 2, u'\0');
        for (std::size_t i = 0; i < units.size(); ++i) {
            const auto lo = static_cast<unsigned char>(bytes[2 * i + (le ? 0 : 1)]);
            const auto hi = static_cast<unsigned char>(bytes[2 * i + (le ? 1 : 0)]);
            units[i] = static_cast<char16_t>(lo | (hi << 8));
        }
        std::u16string_view view(units);
        if (!view.empty() && view[0] == u'\xFEFF')
            view.remove_prefix(1);
        text = Utf16ToWin1252(view);
        break;
    }
    case TTextEncoding::Win1252: text.assign(bytes); break;
    case TTextEncoding::Cp850: text = Cp850ToWin1252(bytes); break;
    }
    std::erase(text, '\0');
    return text;
}

char TTextCsvReader::DetectSeparator(std::string_view text)
{
    static constexpr char kCandidates[4] = {'\t', ';', '|', ','}; // also the order of preference
    const std::string_view sample = text.substr(0, kSampleBytes);
    std::vector<std::array<int, 4>> lines;
    std::size_t pos = 0;
    while (pos < sample.size() && lines.size() < 200) {
        std::array<int, 4> counts{};
        bool blank = true;
        const std::size_t next = CountLine(sample, pos, counts, blank);
        // A line cut off by the end of the sample is left out unless it is the whole text.
        if (next == std::string_view::npos && sample.size() < text.size() && !lines.empty())
            break;
        if (!blank)
            lines.push_back(counts);
        pos = next;
    }
    if (lines.empty())
        return 0;
    // A separator that splits (nearly) every line into the same number of cells is the one;
    // of several such, the order of preference decides (decimal commas beside ";" are common).
    std::array<long, 4> totals{};
    for (std::size_t k = 0; k < 4; ++k) {
        std::map<int, std::size_t> freq;
        for (const auto& l : lines) {
            totals[k] += l[k];
            ++freq[l[k]];
        }
        int modal = 0;
        std::size_t best = 0;
        for (const auto& [count, n] : freq)
            if (count > 0 && n > best) {
                modal = count;
                best = n;
            }
        if (modal > 0 && best * 10 >= lines.size() * 8)
            return kCandidates[k];
    }
    for (char c : kCandidates)
        if (BlanksFollowSeparator(text, c))
            return c;
    std::size_t bestK = 0;
    for (std::size_t k = 1; k < 4; ++k)
        if (totals[k] > totals[bestK])
            bestK = k;
    return totals[bestK] > 0 ? kCandidates[bestK] : 0;
}

void TTextCsvReader::ReadFile(const std::filesystem::path& file, TConvertSink& sink)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec)
        FailFile(fileName_, "kann nicht gelesen werden.");
    if (size > kMaxFileBytes)
        FailFile(fileName_, "ist zu groß (mehr als 2 GB).");
    std::ifstream in(file, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        FailFile(fileName_, "kann nicht gelesen werden.");
    ReadBytes(bytes, sink);
}

void TTextCsvReader::ReadBytes(std::string_view bytes, TConvertSink& sink)
{
    if (bytes.empty())
        FailFile(fileName_, "ist leer.");
    const TTextEncoding encoding = DetectEncoding(bytes);
    if (encoding == TTextEncoding::Win1252 || encoding == TTextEncoding::Cp850 || encoding == TTextEncoding::Utf8) {
        const std::string_view sample = bytes.substr(0, kSampleBytes);
        std::size_t controls = 0;
        for (char c : sample)
            controls += IsControl(static_cast<unsigned char>(c));
        if (controls > 16 && controls * 20 > sample.size())
            FailFile(fileName_, "ist keine Textdatei und in keinem bekannten Tabellenformat.");
    }
    std::string text = DecodeToWin1252(bytes, encoding);
    if (encoding == TTextEncoding::Utf16Le || encoding == TTextEncoding::Utf16Be) {
        const std::string_view sample = std::string_view(text).substr(0, kSampleBytes);
        std::size_t controls = 0;
        for (char c : sample)
            controls += IsControl(static_cast<unsigned char>(c));
        if (controls > 16 && controls * 20 > sample.size())
            FailFile(fileName_, "ist keine Textdatei und in keinem bekannten Tabellenformat.");
    }
    while (!text.empty() && (text.back() == '\x1A'))
        text.pop_back(); // DOS end-of-file mark
    std::size_t pos = 0;
    const char declared = DeclaredSeparator(text, pos);
    const char sep = declared ? declared : DetectSeparator(text);
    const bool dropBlanks = sep != 0 && BlanksFollowSeparator(std::string_view(text).substr(pos), sep);

    const std::size_t n = text.size();
    std::vector<std::string> cells;
    std::size_t used = 0; // cells in use; the strings keep their capacity from row to row
    std::size_t line = pos ? 2 : 1;
    bool any = false;
    auto atBreak = [&](std::size_t p) { return text[p] == '\r' || text[p] == '\n'; };
    while (pos < n) {
        used = 0;
        const std::size_t rowLine = line;
        for (;;) {
            if (used == cells.size()) {
                if (used >= kMaxCells) {
                    FailFile(fileName_,
                             "hat in Zeile " + std::to_string(rowLine) + " mehr als " + std::to_string(kMaxCells) +
                                 " Spalten.");
                }
                cells.emplace_back();
            }
            std::string& cell = cells[used++];
            cell.clear();
            if (dropBlanks && used > 1)
                while (pos < n && text[pos] == ' ')
                    ++pos;
            bool quotedDone = false;
            if (pos < n && text[pos] == '"') {
                std::string_view rest(text);
                std::size_t j = pos + 1;
                std::size_t breaks = 0;
                for (;;) {
                    const std::size_t q = rest.find('"', j);
                    if (q == std::string_view::npos)
                        break; // never closed: the quote is literal
                    for (std::size_t k = j; k < q; ++k)
                        breaks += text[k] == '\n' || (text[k] == '\r' && (k + 1 >= n || text[k + 1] != '\n'));
                    cell.append(rest.substr(j, q - j));
                    if (q + 1 < n && text[q + 1] == '"') {
                        cell += '"';
                        j = q + 2;
                    } else {
                        pos = q + 1;
                        quotedDone = true;
                        break;
                    }
                }
                if (quotedDone)
                    line += breaks;
                else
                    cell.clear();
            }
            const std::size_t start = pos;
            while (pos < n && text[pos] != sep && !atBreak(pos))
                ++pos;
            cell.append(text, start, pos - start);
            if (pos < n && text[pos] == sep && sep != 0) {
                ++pos;
                continue;
            }
            if (pos < n) { // line break
                if (text[pos] == '\r' && pos + 1 < n && text[pos + 1] == '\n')
                    ++pos;
                ++pos;
                ++line;
            }
            break;
        }
        bool blank = true;
        for (std::size_t i = 0; i < used && blank; ++i)
            blank = cells[i].empty();
        if (blank)
            continue;
        // The sink sees exactly the cells of this row.
        if (cells.size() != used) {
            std::vector<std::string> row(std::make_move_iterator(cells.begin()),
                                         std::make_move_iterator(cells.begin() + static_cast<std::ptrdiff_t>(used)));
            sink.Row(row);
            for (std::size_t i = 0; i < used; ++i)
                cells[i] = std::move(row[i]);
        } else {
            sink.Row(cells);
        }
        any = true;
    }
    if (!any)
        FailFile(fileName_, "enthält keine Daten.");
}

} // namespace artikel::convert
