#include "converter/TBiffWorkbook.h"

#include "converter/Cp850.h"
#include "converter/TConvertMessage.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string_view>

namespace artikel::convert {
namespace {

enum RecordType : std::uint16_t {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
};

enum CellKind : std::uint8_t { kSstText, kInlineText, kNumberValue, kBoolValue, kErrorValue };

std::uint16_t Le16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(u[0] | (u[1] << 8));
}

std::uint32_t Le32(const char* p)
{
    return static_cast<std::uint32_t>(Le16(p)) | (static_cast<std::uint32_t>(Le16(p + 2)) << 16);
}

double LeDouble(const char* p)
{
    const std::uint64_t bits = static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// An RK value: a 30-bit integer or the upper 30 bits of a double, optionally divided by 100.
double RkValue(std::uint32_t rk)
{
    double v;
    if (rk & 2) {
        v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 1) ? v / 100.0 : v;
}

// One record with the CONTINUE records that follow it.
struct Record {
    std::uint16_t type = 0;
    std::size_t pos = 0;
    std::vector<std::string_view> parts;
    std::string_view Body() const { return parts.empty() ? std::string_view() : parts.front(); }
};

class RecordReader {
public:
    RecordReader(std::string_view stream, std::size_t pos)
        : s_(stream),
          pos_(pos)
    {}
    bool Next(Record& r)
    {
        if (pos_ > s_.size() || s_.size() - pos_ < 4)
            return false;
        r.pos = pos_;
        r.type = Le16(s_.data() + pos_);
        r.parts.clear();
        r.parts.push_back(Take());
        while (s_.size() - pos_ >= 4 && Le16(s_.data() + pos_) == kContinue)
            r.parts.push_back(Take());
        return true;
    }

private:
    // The body of the record at pos_; a length beyond the stream is cut to what is there.
    std::string_view Take()
    {
        const std::size_t len = Le16(s_.data() + pos_ + 2);
        pos_ += 4;
        const std::size_t n = std::min(len, s_.size() - pos_);
        const std::string_view body = s_.substr(pos_, n);
        pos_ += n;
        return body;
    }
    std::string_view s_;
    std::size_t pos_;
};

// Reads a record body across its CONTINUE parts.
class Cursor {
public:
    explicit Cursor(const std::vector<std::string_view>& parts)
        : parts_(parts)
    {}

    bool U8(unsigned& v)
    {
        if (!Settle())
            return false;
        v = static_cast<unsigned char>(parts_[seg_][off_++]);
        return true;
    }
    bool U16(unsigned& v)
    {
        unsigned lo = 0, hi = 0;
        if (!U8(lo) || !U8(hi))
            return false;
        v = lo | (hi << 8);
        return true;
    }
    bool U32(std::uint32_t& v)
    {
        unsigned lo = 0, hi = 0;
        if (!U16(lo) || !U16(hi))
            return false;
        v = lo | (static_cast<std::uint32_t>(hi) << 16);
        return true;
    }
    bool Skip(std::size_t n)
    {
        while (n > 0) {
            if (!Settle())
                return false;
            const std::size_t k = std::min(n, parts_[seg_].size() - off_);
            off_ += k;
            n -= k;
        }
        return true;
    }
    std::string_view Bytes(std::size_t n)
    {
        if (!Settle())
            return {};
        const std::size_t k = std::min(n, parts_[seg_].size() - off_);
        const std::string_view out = parts_[seg_].substr(off_, k);
        off_ += k;
        return out;
    }

    // `count` characters of a BIFF8 string; where they run on into a CONTINUE record, that
    // record begins with a new flags byte saying whether they are one or two bytes wide.
    bool Chars(std::size_t count, bool wide, std::string& out)
    {
        while (count > 0) {
            if (seg_ >= parts_.size())
                return false;
            const std::string_view p = parts_[seg_];
            const std::size_t avail = (p.size() - off_) / (wide ? 2 : 1);
            if (avail == 0) {
                if (++seg_ >= parts_.size())
                    return false;
                off_ = 0;
                if (parts_[seg_].empty())
                    continue;
                wide = (parts_[seg_][off_++] & 1) != 0;
                continue;
            }
            const std::size_t n = std::min(avail, count);
            const char* d = p.data() + off_;
            for (std::size_t i = 0; i < n; ++i) {
                if (wide)
                    AppendUnit(out, Le16(d + 2 * i));
                else if (d[i] != 0)
                    out += d[i]; // one-byte characters: 1252 bytes kept as they are (some writers store those)
            }
            off_ += n * (wide ? 2 : 1);
            count -= n;
        }
        return true;
    }

private:
    static void AppendUnit(std::string& out, unsigned unit)
    {
        if (unit == 0 || (unit >= 0xDC00 && unit <= 0xDFFF))
            return; // the low half of a pair: its '?' is out already
        const int b = UnicodeToWin1252(static_cast<char32_t>(unit));
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    bool Settle()
    {
        while (seg_ < parts_.size() && off_ >= parts_[seg_].size()) {
            ++seg_;
            off_ = 0;
        }
        return seg_ < parts_.size();
    }
    const std::vector<std::string_view>& parts_;
    std::size_t seg_ = 0;
    std::size_t off_ = 0;
};

// A BIFF8 string after its character count: flags, optional run and extension sizes, the
// characters, then the runs and extension data, which are skipped.
bool UnicodeBody(Cursor& c, std::size_t count, std::string& out)
{
    unsigned flags = 0, runs = 0;
    std::uint32_t ext = 0;
    if (!c.U8(flags))
        return false;
    if ((flags & 0x08) && !c.U16(runs))
        return false;
    if ((flags & 0x04) && !c.U32(ext))
        return false;
    if (!c.Chars(count, (flags & 0x01) != 0, out))
        return false;
    c.Skip(std::size_t{runs} * 4);
    c.Skip(ext);
    return true;
}

constexpr char16_t kMacRoman[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

const char* ErrorText(unsigned code)
{
    // As a German spreadsheet program shows them.
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#WERT!";
    case 0x17: return "#BEZUG!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#ZAHL!";
    case 0x2A: return "#NV";
    default: return "#NV";
    }
}

bool IsCellRecord(std::uint16_t type)
{
    switch (type) {
    case kFormula:
    case kMulRk:
    case kRString:
    case kLabelSst:
    case kNumber:
    case kLabel:
    case kBoolErr:
    case kRk:
    case 0x0201 /* BLANK */:
    case 0x00BE /* MULBLANK */:
    case kBof:
    case kEof: return true;
    default: return false;
    }
}

} // namespace

TBiffWorkbook::TBiffWorkbook(std::string fileName, std::string stream, bool biff8Hint)
    : fileName_(std::move(fileName)),
      stream_(std::move(stream)),
      biff8_(biff8Hint)
{
    ReadGlobals();
}

std::string TBiffWorkbook::ByteText(std::string_view bytes) const
{
    std::string out;
    if (codePage_ == 850 || codePage_ == 858)
        return Cp850ToWin1252(bytes);
    if (codePage_ == 10000 || codePage_ == 32768) { // Mac Roman, as Excel for the Mac wrote it
        out.reserve(bytes.size());
        for (char ch : bytes) {
            const auto c = static_cast<unsigned char>(ch);
            if (c < 0x80) {
                out += ch;
            } else {
                const int b = UnicodeToWin1252(kMacRoman[c - 0x80]);
                out += b < 0 ? '?' : static_cast<char>(b);
            }
        }
        return out;
    }
    return std::string(bytes);
}

void TBiffWorkbook::ReadGlobals()
{
    RecordReader reader(stream_, 0);
    Record r;
    if (!reader.Next(r))
        FailFile(fileName_, "ist keine lesbare Excel-Arbeitsmappe (.xls): die Mappe ist leer.");
    if (r.type == 0x0009 || r.type == 0x0209 || r.type == 0x0409)
        FailFile(fileName_,
                 "ist im Format einer Excel-Version vor Excel 5 gespeichert; bitte als .xlsx oder .csv speichern.");
    if (r.type != kBof || r.Body().size() < 4)
        FailFile(fileName_, "ist keine lesbare Excel-Arbeitsmappe (.xls).");
    const unsigned version = Le16(r.Body().data());
    if (version == 0x0600)
        biff8_ = true;
    else if (version == 0x0500)
        biff8_ = false;

    struct Bound {
        std::string name;
        std::uint32_t offset;
        unsigned state, type;
    };
    std::vector<Bound> bound;
    std::map<int, std::string> codes;
    std::vector<int> xfFormatIds;
    std::size_t end = stream_.size();
    while (reader.Next(r)) {
        const std::string_view b = r.Body();
        Cursor c(r.parts);
        switch (r.type) {
        case kFilePass: FailFile(fileName_, "ist verschlüsselt oder kennwortgeschützt.");
        case kCodePage:
            if (b.size() >= 2)
                codePage_ = Le16(b.data());
            break;
        case kDateMode:
            if (b.size() >= 2)
                date1904_ = Le16(b.data()) == 1;
            break;
        case kFormat: {
            unsigned id = 0, count = 0;
            std::string code;
            if (!c.U16(id))
                break;
            if (biff8_) {
                if (!c.U16(count) || !UnicodeBody(c, count, code))
                    break;
            } else {
                if (!c.U8(count))
                    break;
                code = ByteText(c.Bytes(count));
            }
            codes[static_cast<int>(id)] = std::move(code);
            break;
        }
        case kXf:
            if (b.size() >= 4)
                xfFormatIds.push_back(Le16(b.data() + 2));
            break;
        case kBoundSheet: {
            if (b.size() < 7)
                break;
            Bound s{{}, Le32(b.data()), static_cast<unsigned char>(b[4]) & 3u, static_cast<unsigned char>(b[5])};
            unsigned count = 0;
            c.Skip(6);
            if (!c.U8(count))
                break;
            if (biff8_) {
                if (!UnicodeBody(c, count, s.name))
                    break;
            } else {
                s.name = ByteText(c.Bytes(count));
            }
            bound.push_back(std::move(s));
            break;
        }
        case kSst: {
            c.Skip(8);
            unsigned count = 0;
            std::string text;
            while (c.U16(count)) {
                text.clear();
                if (!UnicodeBody(c, count, text))
                    break;
                shared_.Add(text);
            }
            break;
        }
        case kEof: end = r.pos; break;
        default: break;
        }
        if (end != stream_.size())
            break;
    }

    for (int id : xfFormatIds) {
        const auto it = codes.find(id);
        xfFormats_.push_back(it != codes.end() ? TCellFormat::FromCode(it->second) : TCellFormat::FromBuiltinId(id));
    }

    // The sheets' substreams in stream order, for workbooks whose sheet offsets are wrong.
    std::vector<std::pair<std::size_t, unsigned>> substreams; // offset, BOF sheet type
    {
        RecordReader scan(stream_, std::min(end + 4, stream_.size()));
        int depth = 0;
        while (scan.Next(r)) {
            if (r.type == kBof) {
                if (depth == 0)
                    substreams.emplace_back(r.pos, r.Body().size() >= 4 ? Le16(r.Body().data() + 2) : 0x0010u);
                ++depth;
            } else if (r.type == kEof && depth > 0) {
                --depth;
            }
        }
    }
    auto bofTypeAt = [&](std::size_t offset, unsigned& type) {
        if (offset > stream_.size() || stream_.size() - offset < 8 || Le16(stream_.data() + offset) != kBof)
            return false;
        type = Le16(stream_.data() + offset + 6);
        return true;
    };
    if (bound.empty()) { // a writer that left out the sheet list: number the sheets found
        for (std::size_t i = 0; i < substreams.size(); ++i)
            bound.push_back({"Tabelle" + std::to_string(i + 1), static_cast<std::uint32_t>(substreams[i].first), 0,
                             substreams[i].second == 0x0020 ? 2u : 0u});
    }
    for (std::size_t i = 0; i < bound.size(); ++i) {
        allNames_.push_back(bound[i].name);
        if (bound[i].type != 0)
            continue; // chart, macro sheet or module
        std::size_t offset = bound[i].offset;
        unsigned type = 0;
        if (!bofTypeAt(offset, type)) {
            if (i >= substreams.size())
                continue;
            offset = substreams[i].first;
            type = substreams[i].second;
        }
        if (type == 0x0020 || type == 0x0040)
            continue;
        sheets_.push_back({bound[i].name, bound[i].state != 0, offset});
    }
}

std::string TBiffWorkbook::CellText(const Cell& cell) const
{
    switch (cell.kind) {
    case kSstText: return cell.a < shared_.Size() ? std::string(shared_.At(cell.a)) : std::string();
    case kInlineText: return texts_.substr(cell.a, cell.b);
    case kNumberValue:
        return FormatCellNumber(cell.number, cell.xf < xfFormats_.size() ? xfFormats_[cell.xf] : TCellFormat{},
                                date1904_);
    case kBoolValue: return cell.b ? "WAHR" : "FALSCH";
    case kErrorValue: return ErrorText(cell.b);
    default: return {};
    }
}

std::size_t TBiffWorkbook::ReadSheet(std::size_t index, TConvertSink& sink)
{
    dropped_ = false;
    texts_.clear();
    if (index >= sheets_.size())
        return 0;
    std::vector<Cell> cells;
    RecordReader reader(stream_, sheets_[index].offset);
    Record r;
    int depth = 0;
    std::size_t pendingString = SIZE_MAX; // a formula cell whose text follows in a STRING record
    auto add = [&](const char* head, std::uint8_t kind, std::uint32_t a, std::uint32_t b, double number) {
        const unsigned col = Le16(head + 2);
        if (col >= kMaxColumns) {
            dropped_ = true;
            return;
        }
        cells.push_back({Le16(head), static_cast<std::uint16_t>(col), Le16(head + 4), kind, a, b, number});
    };
    auto inlineText = [&](Cursor& c) {
        const std::size_t start = texts_.size();
        unsigned count = 0;
        if (biff8_) {
            if (c.U16(count))
                UnicodeBody(c, count, texts_);
        } else if (c.U16(count)) {
            texts_ += ByteText(c.Bytes(count));
        }
        return std::pair<std::uint32_t, std::uint32_t>(static_cast<std::uint32_t>(start),
                                                       static_cast<std::uint32_t>(texts_.size() - start));
    };
    while (reader.Next(r)) {
        if (r.type == kBof)
            ++depth;
        else if (r.type == kEof && --depth <= 0)
            break;
        if (depth != 1)
            continue; // the records of a chart embedded in the sheet
        if (IsCellRecord(r.type))
            pendingString = SIZE_MAX;
        const std::string_view b = r.Body();
        const char* d = b.data();
        switch (r.type) {
        case kLabelSst:
            if (b.size() >= 10)
                add(d, kSstText, Le32(d + 6), 0, 0);
            break;
        case kNumber:
            if (b.size() >= 14)
                add(d, kNumberValue, 0, 0, LeDouble(d + 6));
            break;
        case kRk:
            if (b.size() >= 10)
                add(d, kNumberValue, 0, 0, RkValue(Le32(d + 6)));
            break;
        case kMulRk: {
            if (b.size() < 6)
                break;
            const unsigned row = Le16(d), first = Le16(d + 2);
            const std::size_t count = (b.size() - 6) / 6; // row, first column, (format, RK)..., last column
            for (std::size_t i = 0; i < count; ++i) {
                char head[6];
                const char* e = d + 4 + 6 * i;
                const unsigned col = first + static_cast<unsigned>(i);
                if (col > 0xFFFF)
                    break;
                head[0] = static_cast<char>(row & 0xFF);
                head[1] = static_cast<char>(row >> 8);
                head[2] = static_cast<char>(col & 0xFF);
                head[3] = static_cast<char>(col >> 8);
                head[4] = e[0];
                head[5] = e[1];
                add(head, kNumberValue, 0, 0, RkValue(Le32(e + 2)));
            }
            break;
        }
        case kBoolErr:
            if (b.size() >= 8)
                add(d, d[7] ? kErrorValue : kBoolValue, 0, static_cast<unsigned char>(d[6]), 0);
            break;
        case kLabel:
        case kRString: {
            if (b.size() < 6)
                break;
            Cursor c(r.parts);
            c.Skip(6);
            const auto [start, length] = inlineText(c);
            add(d, kInlineText, start, length, 0);
            break;
        }
        case kFormula: {
            if (b.size() < 14)
                break;
            const char* v = d + 6;
            if (Le16(v + 6) != 0xFFFF) {
                add(d, kNumberValue, 0, 0, LeDouble(v));
            } else if (v[0] == 0) {
                add(d, kInlineText, 0, 0, 0);
                if (!cells.empty() && Le16(d + 2) < kMaxColumns)
                    pendingString = cells.size() - 1;
            } else if (v[0] == 1) {
                add(d, kBoolValue, 0, v[2] != 0, 0);
            } else if (v[0] == 2) {
                add(d, kErrorValue, 0, static_cast<unsigned char>(v[2]), 0);
            }
            break;
        }
        case kString:
            if (pendingString != SIZE_MAX) {
                Cursor c(r.parts);
                const auto [start, length] = inlineText(c);
                cells[pendingString].a = start;
                cells[pendingString].b = length;
                pendingString = SIZE_MAX;
            }
            break;
        default: break;
        }
    }

    const auto before = [](const Cell& x, const Cell& y) { return x.row != y.row ? x.row < y.row : x.col < y.col; };
    if (!std::is_sorted(cells.begin(), cells.end(), before))
        std::stable_sort(cells.begin(), cells.end(), before);
    std::size_t delivered = 0;
    std::vector<std::string> row;
    std::uint32_t current = 0;
    auto flush = [&] {
        if (!row.empty()) {
            sink.Row(row);
            ++delivered;
        }
        row.clear();
    };
    for (const Cell& cell : cells) {
        if (cell.row != current) {
            flush();
            current = cell.row;
        }
        std::string text = CellText(cell);
        if (text.empty())
            continue;
        if (row.size() <= cell.col)
            row.resize(std::size_t{cell.col} + 1);
        row[cell.col] = std::move(text);
    }
    flush();
    return delivered;
}

} // namespace artikel::convert
