#include "converter/TDatanormReader.h"

#include "converter/ConvertText.h"
#include "converter/Cp850.h"
#include "converter/DatanormEncoding.h"
#include "converter/DatanormFields.h"
#include "converter/TArticleIndex.h"
#include "data/TReadOnlyFile.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <fstream>
#include <optional>
#include <unordered_map>

namespace artikel::convert {

using namespace datanorm;

namespace {

constexpr uint32_t kNoLine = 0xFFFFFFFFu;
// A long text longer than this is cut at a line end: far beyond any real article text, and it
// keeps blocks inserted over and over from blowing up the output.
constexpr size_t kMaxLongText = 32000;

// A byte range of one added file (files are numbered from 1; 0 is no range).
struct TRef {
    uint32_t file = 0;
    uint32_t len = 0;
    uint64_t off = 0;
    bool empty() const { return file == 0 || len == 0; }
};

std::string FileLabel(const std::string& name) { return "\x84" + name + "\x93"; }

// Byte -> Windows-1252 of text fields. No control character is written raw: DOS writers use
// 0x07 as a bullet (its glyph in the DOS code pages), so it and its kin become "\x95"; a tab is a
// blank. In CP850 text 0x14 and 0x15 are the DOS glyphs of "\xB6" and "\xA7".
using TTextTable = std::array<unsigned char, 256>;

TTextTable MakeTextTable(const unsigned char* base)
{
    TTextTable t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<size_t>(i)] = base ? base[i] : static_cast<unsigned char>(i);
    for (int i = 0; i < 0x20; ++i)
        t[static_cast<size_t>(i)] = 0x95;
    t[0x00] = ' ';
    t['\t'] = ' ';
    t[0x7F] = ' ';
    if (base) {
        t[0x14] = 0xB6;
        t[0x15] = 0xA7;
    }
    return t;
}

const TTextTable kAnsiText = MakeTextTable(nullptr);
const TTextTable kCp850Text = MakeTextTable(kCp850ToWin1252);

namespace col {
// The columns of the table, in their order.
enum EColumn : size_t {
    Number,
    Text,
    LongText,
    Unit,
    PriceUnit,
    Price,
    PricePerUnit,
    PriceKind,
    RebateGroup,
    RebateGroupText,
    Rebate,
    MainGroup,
    Group,
    GroupText,
    Ean,
    Matchcode,
    AltNumber,
    Packing,
    CatalogPage,
    Maker,
    MakerNumber,
    MakerType, // 5.0 only
    Scales, // where the delivery has scale prices or surcharges (Z records)
    Metal, // where the delivery gives metal weights (4.0 B records)
    Supplier, // with several deliveries in one table
    Count
};
} // namespace col

constexpr const char* kColumnNames[] = {"Artikelnummer",
                                        "Text",
                                        "Langtext",
                                        "Einheit",
                                        "Preiseinheit",
                                        "Preis",
                                        "PreisOhnePreiseinheit",
                                        "Preisart",
                                        "Rabattgruppe",
                                        "Rabattgruppentext",
                                        "Rabatt",
                                        "Hauptwarengruppe",
                                        "Warengruppe",
                                        "Warengruppentext",
                                        "EAN",
                                        "Matchcode",
                                        "AlternativArtikelnummer",
                                        "Verpackungsmenge",
                                        "Katalogseite",
                                        "Hersteller",
                                        "HerstellerArtikelnummer",
                                        "HerstellerTyp",
                                        "Staffelpreise",
                                        "Metallzuschlag",
                                        "Lieferant"};
static_assert(std::size(kColumnNames) == col::Count, "one name per column");

} // namespace

struct TDatanormReader::Impl {
    struct File {
        std::string name; // Windows-1252, for messages
        std::string order; // lower-case name: article files are read in this order
        TFileView map;
        std::string owned;
        const char* data = nullptr;
        size_t size = 0;
        const unsigned char* table = kAnsiText.data(); // bytes -> Windows-1252 text (see kAnsiText)
        TDatanormProbe probe;
        int version = 0;
    };

    struct Article {
        TRef a;
        TRef b;
        TRef number; // after a renumbering
        TRef pRebateGroup;
        int64_t aCents = 0;
        int64_t pList = -1;
        int64_t pNet = -1;
        double pRebateFactor = 1.0;
        // Each price has its own unit: a list price per 1 and a net price per 1000 occur together.
        // 0 for a price update: the unit of the A record.
        uint32_t aUnit = 1;
        uint32_t pListUnit = 0;
        uint32_t pNetUnit = 0;
        uint32_t dBegin = 0, dEnd = 0;
        uint32_t zBegin = 0, zEnd = 0; // scale records, see scales
        uint8_t aFlag = 0;
        bool hasA = false;
        bool deleted = false;
        bool pRebate = false;
    };

    struct TextLine {
        uint32_t block;
        uint32_t line;
        TRef text;
    };

    struct DPart {
        uint32_t article;
        uint32_t line;
        char kind;
        uint32_t block;
        TRef text;
    };

    struct Rebate {
        int flag = 1;
        int64_t value = 0;
        TRef text;
    };

    std::deque<File> files; // stable addresses: fields point into them
    std::vector<File*> fileAt; // file number - 1 -> file; cheaper to index than the deque
    std::deque<std::string> keyArena;
    TArticleIndex index; // article number -> index into articles
    std::vector<Article> articles;
    std::unordered_map<std::string, uint32_t> textIds, eIds;
    std::vector<TextLine> tLines, eLines;
    std::vector<uint32_t> tStart, eStart; // per block id: first line; size ids + 1
    std::vector<DPart> dParts;
    std::vector<TRef> pendingPrices; // P records in the order read
    struct Scale {
        uint32_t article;
        int64_t step; // field 4; -1 none
        int64_t from; // the quantity from which it applies
        TRef line;
    };
    std::vector<Scale> scales;
    int unreadableScales = 0;
    bool anyMetal = false;
    TRef header; // the first file's header record, for the supplier's name
    std::string name; // of the delivery where its header names no supplier
    std::unordered_map<std::string, Rebate> rebates;
    std::unordered_map<std::string, TRef> mainGroups, groups, groupsByMain;
    int unknownRecords = 0;
    mutable bool longTextCut = false;
    mutable int cutLongTexts = 0;
    int orphanPrices = 0;
    bool anyFive = false;
    bool anyArticleRecord = false;
    bool anyPriceRecord = false;
    std::vector<std::string> notes;

    // --- bytes and text -------------------------------------------------------------------
    std::string_view Raw(const TRef& r) const
    {
        if (r.file == 0)
            return {};
        const File& f = *fileAt[r.file - 1];
        return std::string_view(f.data + r.off, r.len);
    }

    TRef RefOf(uint32_t fileNo, std::string_view field) const
    {
        const File& f = *fileAt[fileNo - 1];
        TRef r;
        if (field.empty())
            return r;
        r.file = fileNo;
        r.off = static_cast<uint64_t>(field.data() - f.data);
        r.len = static_cast<uint32_t>(field.size());
        return r;
    }

    // Appends the field as Windows-1252 text.
    void AppendText(std::string& out, uint32_t fileNo, std::string_view raw) const
    {
        const size_t at = out.size();
        out.append(raw);
        const unsigned char* table = fileNo ? fileAt[fileNo - 1]->table : nullptr;
        if (table) {
            for (size_t i = at; i < out.size(); ++i)
                out[i] = static_cast<char>(table[static_cast<unsigned char>(out[i])]);
        }
    }

    void SetText(std::string& out, uint32_t fileNo, std::string_view raw) const
    {
        out.clear();
        AppendText(out, fileNo, raw);
    }

    // Trimmed after decoding: a CP850 non-breaking space is a blank only then.
    void SetTrimmed(std::string& out, uint32_t fileNo, std::string_view raw) const
    {
        SetText(out, fileNo, Trim(raw));
        const std::string_view t = Trim(out);
        if (t.size() != out.size()) {
            const size_t from = static_cast<size_t>(t.data() - out.data());
            out.erase(from + t.size());
            out.erase(0, from);
        }
    }

    // The key of an article number: its bytes where they are plain ASCII or already
    // Windows-1252, else a translated copy, so that files of different encodings agree.
    std::string_view ArticleKey(uint32_t fileNo, std::string_view raw)
    {
        raw = Trim(raw);
        const unsigned char* table = fileAt[fileNo - 1]->table;
        if (table == kAnsiText.data() ||
            std::all_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            return raw;
        std::string& s = keyArena.emplace_back();
        SetText(s, fileNo, raw);
        return s;
    }

    std::string TextKey(uint32_t fileNo, std::string_view raw) const
    {
        std::string k = NormalizeKey(raw);
        const unsigned char* table = fileAt[fileNo - 1]->table;
        for (char& c : k)
            c = static_cast<char>(table[static_cast<unsigned char>(c)]);
        return k;
    }

    uint32_t BlockId(std::unordered_map<std::string, uint32_t>& ids, std::string key)
    {
        const auto [it, added] = ids.try_emplace(std::move(key), static_cast<uint32_t>(ids.size()));
        (void)added;
        return it->second;
    }

    Article* Find(std::string_view key)
    {
        const uint32_t i = index.Find(key);
        return i == TArticleIndex::kNone ? nullptr : &articles[i];
    }

    uint32_t FindOrAdd(std::string_view key)
    {
        const uint32_t i = index.FindOrAdd(key);
        if (i == articles.size())
            articles.emplace_back();
        return i;
    }

    // --- files ----------------------------------------------------------------------------
    void Prepare(File& f)
    {
        std::string_view bytes(f.data, f.size);
        const bool bom = bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
        const std::string_view body = SkipBom(bytes);
        ETextEncoding encoding = DetectTextEncoding(body);
        // A byte-order mark promises UTF-8: its valid sequences are kept even where others are not.
        if (bom && (encoding == ETextEncoding::Cp850 || encoding == ETextEncoding::Win1252))
            encoding = ETextEncoding::Mixed;
        if (bom && encoding == ETextEncoding::Ascii)
            encoding = ETextEncoding::Utf8;
        switch (encoding) {
        case ETextEncoding::Utf8: f.owned = Utf8ToWin1252(body); break;
        case ETextEncoding::Mixed: f.owned = DecodeMixedLines(body); break;
        case ETextEncoding::Cp850: f.table = kCp850Text.data(); break;
        default: break;
        }
        if (encoding == ETextEncoding::Utf8 || encoding == ETextEncoding::Mixed) {
            f.data = f.owned.data();
            f.size = f.owned.size();
        }
        const size_t headSize = std::min<size_t>(f.size, 64 * 1024);
        std::string_view head(f.data, headSize);
        if (headSize < f.size) {
            const size_t p = head.find_last_of("\r\n");
            if (p != std::string_view::npos)
                head = head.substr(0, p);
        }
        f.probe = ProbeDatanorm(head);
    }

    // --- records --------------------------------------------------------------------------
    void OnArticle(uint32_t fileNo, int version, std::string_view line, const TFields& f)
    {
        anyArticleRecord = true;
        const std::string_view key = ArticleKey(fileNo, f[a4::kNumber]);
        if (key.empty()) {
            ++unknownRecords;
            return;
        }
        Article& a = articles[FindOrAdd(key)];
        const char vkz = UpperAscii(Trim(f[a4::kVkz]).empty() ? 'N' : Trim(f[a4::kVkz]).front());
        if (vkz == 'L') {
            a.deleted = true;
            return;
        }
        a.deleted = false;
        a.hasA = true;
        a.a = RefOf(fileNo, line);
        int64_t cents = 0;
        if (version == 5) {
            int64_t flag = ParseInt(f[a5::kPriceFlag], 1);
            int64_t unit = ParseInt(f[a5::kPriceUnit], 1);
            // Some writers swap the two fields: a "price flag" of 10, 100 or 1000 is the unit.
            if (flag == 10 || flag == 100 || flag == 1000) {
                std::swap(flag, unit);
                if (flag != 1 && flag != 2 && flag != 9)
                    flag = 1;
            }
            a.aFlag = static_cast<uint8_t>(flag == 2 || flag == 9 ? flag : 1);
            a.aUnit = unit >= 1 && unit <= 1'000'000'000 ? static_cast<uint32_t>(unit) : 1;
            ParseCents(f[a5::kPrice], cents);
        } else {
            const int64_t flag = ParseInt(f[a4::kPriceFlag], 1);
            a.aFlag = static_cast<uint8_t>(flag == 2 ? 2 : 1);
            static constexpr uint32_t kUnits[] = {1, 10, 100, 1000};
            const int64_t code = ParseInt(f[a4::kPriceUnit], 0);
            a.aUnit = code >= 0 && code <= 3 ? kUnits[code] : 1;
            ParseCents(f[a4::kPrice], cents);
        }
        a.aCents = cents;
    }

    void OnExtra4(uint32_t fileNo, std::string_view line, const TFields& f)
    {
        const std::string_view key = ArticleKey(fileNo, f[b4::kNumber]);
        if (key.empty())
            return;
        const char vkz = UpperAscii(Trim(f[b4::kVkz]).empty() ? 'N' : Trim(f[b4::kVkz]).front());
        if (vkz == 'L')
            return;
        articles[FindOrAdd(key)].b = RefOf(fileNo, line);
        if (ParseInt(f[b4::kMetalWeight], 0) != 0)
            anyMetal = true;
    }

    // Z: a scale price or a surcharge or discount from a quantity on. Only the layout of 5.0 is
    // known; a record that does not fit it is counted, not guessed at.
    void OnScale(uint32_t fileNo, std::string_view line, const TFields& f)
    {
        if (UpperAscii(Trim(f[z::kVkz]).empty() ? 'N' : Trim(f[z::kVkz]).front()) == 'L')
            return;
        const std::string_view key = ArticleKey(fileNo, f[z::kNumber]);
        const int64_t kind = ParseInt(f[z::kKind], -1);
        int64_t value = 0;
        if (key.empty() || kind < 1 || kind > 3 || !ParseCents(f[z::kValue], value)) {
            ++unreadableScales;
            return;
        }
        scales.push_back(
            Scale{FindOrAdd(key), ParseInt(f[z::kStep], -1), ParseInt(f[z::kFrom], 0), RefOf(fileNo, line)});
    }

    void OnChange5(uint32_t fileNo, const TFields& f)
    {
        const char vkz = UpperAscii(Trim(f[b5::kVkz]).empty() ? ' ' : Trim(f[b5::kVkz]).front());
        const std::string_view key = ArticleKey(fileNo, f[b5::kNumber]);
        if (key.empty())
            return;
        const uint32_t slot = index.Find(key);
        if (slot == TArticleIndex::kNone)
            return;
        if (vkz == 'L') {
            articles[slot].deleted = true;
        } else if (vkz == 'A') {
            const std::string_view next = ArticleKey(fileNo, f[b5::kNewNumber]);
            if (next.empty() || next == key)
                return;
            // An article that already has the new number gives way to the renumbered one.
            if (Article* old = Find(next))
                old->deleted = true;
            index.Rename(slot, next);
            articles[slot].number = RefOf(fileNo, Trim(f[b5::kNewNumber]));
        }
    }

    void AddTextLine(std::vector<TextLine>& lines, uint32_t block, uint32_t fileNo, std::string_view no,
                     std::string_view text)
    {
        const int64_t n = ParseInt(no, -1);
        const uint32_t lineNo = n >= 0 && n < kNoLine ? static_cast<uint32_t>(n) : kNoLine;
        if (lineNo == kNoLine && text.empty())
            return;
        lines.push_back(TextLine{block, lineNo, RefOf(fileNo, text)});
    }

    void OnTextBlock(uint32_t fileNo, int version, const TFields& f, bool eBlock)
    {
        anyArticleRecord = true;
        if (Trim(f[t4::kTextNo]).empty())
            return;
        auto& ids = eBlock ? eIds : textIds;
        auto& lines = eBlock ? eLines : tLines;
        const uint32_t block = BlockId(ids, TextKey(fileNo, f[t4::kTextNo]));
        if (version == 5) {
            const std::string_view kind = Trim(f[t5::kKind]);
            if (!kind.empty() && kind != "1")
                return;
            AddTextLine(lines, block, fileNo, f[t5::kLine], f[t5::kText]);
        } else {
            AddTextLine(lines, block, fileNo, f[t4::kLine1], f[t4::kText1]);
            if (!Trim(f[t4::kLine2]).empty() || !Trim(f[t4::kText2]).empty())
                AddTextLine(lines, block, fileNo, f[t4::kLine2], f[t4::kText2]);
        }
    }

    void AddDPart(uint32_t article, uint32_t fileNo, std::string_view no, std::string_view kind, std::string_view block,
                  std::string_view text)
    {
        const std::string_view k = Trim(kind);
        const char c = k.empty() ? 'F' : UpperAscii(k.front());
        DPart d{article, kNoLine, c, 0, RefOf(fileNo, text)};
        const int64_t n = ParseInt(no, -1);
        if (n >= 0 && n < kNoLine)
            d.line = static_cast<uint32_t>(n);
        if (c == 'T' || c == 'E') {
            if (Trim(block).empty())
                return;
            d.block = BlockId(c == 'T' ? textIds : eIds, TextKey(fileNo, block));
        } else if (Trim(text).empty() && d.line == kNoLine) {
            return;
        }
        dParts.push_back(d);
    }

    void OnArticleText(uint32_t fileNo, int version, const TFields& f)
    {
        anyArticleRecord = true;
        const std::string_view key = ArticleKey(fileNo, f[d4::kNumber]);
        if (key.empty())
            return;
        const uint32_t slot = FindOrAdd(key);
        if (version == 5) {
            AddDPart(slot, fileNo, f[d5::kLine], f[d5::kKind], f[d5::kBlock], f[d5::kText]);
        } else {
            for (size_t o : {d4::kPart1, d4::kPart2}) {
                if (o == d4::kPart2 && Trim(f[o]).empty() && Trim(f[o + 3]).empty())
                    break;
                AddDPart(slot, fileNo, f[o], f[o + 1], f[o + 2], f[o + 3]);
            }
        }
    }

    // One price of a P record: article, price flag, price in cents, its own unit (5.0; 0 = none),
    // rebate group and three (flag, value) rebates.
    void ApplyPrice(uint32_t fileNo, std::string_view number, std::string_view flagText, std::string_view priceText,
                    std::string_view unitText, std::string_view group,
                    const std::array<std::string_view, 6>& rebatePairs)
    {
        anyPriceRecord = true;
        const std::string_view key = ArticleKey(fileNo, number);
        if (key.empty())
            return;
        Article* a = Find(key);
        if (!a || !a->hasA) {
            ++orphanPrices;
            return;
        }
        const int64_t flag = ParseInt(flagText, 1);
        int64_t cents = 0;
        if (flag == 1 || flag == 2) {
            if (ParseCents(priceText, cents) && cents != 0) {
                (flag == 1 ? a->pList : a->pNet) = cents;
                const int64_t unit = ParseInt(unitText, 0);
                (flag == 1 ? a->pListUnit : a->pNetUnit) =
                    unit >= 1 && unit <= 1'000'000'000 ? static_cast<uint32_t>(unit) : 0;
            }
        }
        if (!Trim(group).empty())
            a->pRebateGroup = RefOf(fileNo, Trim(group));
        double factor = 1.0;
        bool any = false;
        for (size_t i = 0; i < 3; ++i) {
            const std::string_view rf = Trim(rebatePairs[i * 2]);
            const std::string_view rv = Trim(rebatePairs[i * 2 + 1]);
            if (rf.empty() || rv.empty())
                continue;
            if (rf == "0") {
                a->pRebateGroup = RefOf(fileNo, rv);
                continue;
            }
            const int64_t v = ParseInt(rv, -1);
            const int rebateFlag = static_cast<int>(ParseInt(rf, 1));
            if (!PlausibleRebate(rebateFlag, v))
                continue;
            factor *= RebateFactor(rebateFlag, v);
            any = true;
        }
        if (any) {
            a->pRebate = true;
            a->pRebateFactor = factor;
        }
    }

    // Values beyond these are no rebates but broken fields.
    static bool PlausibleRebate(int flag, int64_t value)
    {
        switch (flag) {
        case 2: return value > 0 && value <= 10000;
        case 3: return value > 0 && value <= 100000;
        default: return value > 0 && value <= 10000;
        }
    }

    static double RebateFactor(int flag, int64_t value)
    {
        switch (flag) {
        case 2: return static_cast<double>(value) / 1000.0; // multiplier, 3 decimals
        case 3: return 1.0 + static_cast<double>(value) / 10000.0; // surcharge in percent
        default: return 1.0 - static_cast<double>(value) / 10000.0; // rebate in percent
        }
    }

    void OnPrice(uint32_t fileNo, int version, const TFields& f)
    {
        if (version == 5) {
            constexpr size_t r = p5::kRebates;
            ApplyPrice(fileNo, f[p5::kNumber], f[p5::kFlag], f[p5::kPrice], f[p5::kUnit], f[p5::kRebateGroup],
                       {f[r], f[r + 1], f[r + 2], f[r + 3], f[r + 4], f[r + 5]});
            return;
        }
        for (size_t b = 0; b < p4::kBlocks; ++b) {
            const size_t o = p4::kFirstBlock + b * p4::kBlockSize;
            if (Trim(f[o + p4::kNumber]).empty())
                continue;
            const size_t r = o + p4::kRebates;
            ApplyPrice(fileNo, f[o + p4::kNumber], f[o + p4::kFlag], f[o + p4::kPrice], {}, {},
                       {f[r], f[r + 1], f[r + 2], f[r + 3], f[r + 4], f[r + 5]});
        }
    }

    void OnRebate(uint32_t fileNo, int version, const TFields& f)
    {
        const size_t o = version == 5 ? r5::kGroup : r4::kGroup;
        const std::string group = TextKey(fileNo, f[o]);
        if (group.empty())
            return;
        Rebate r;
        r.flag = static_cast<int>(ParseInt(f[o + 1], 1));
        r.value = ParseInt(f[o + 2], 0);
        r.text = RefOf(fileNo, Trim(f[o + 3]));
        rebates[group] = r;
    }

    void OnGroup(uint32_t fileNo, int version, const TFields& f)
    {
        if (version == 5) {
            const std::string main = TextKey(fileNo, f[s5::kMain]);
            const std::string sub = TextKey(fileNo, f[s5::kGroup]);
            const TRef text = RefOf(fileNo, Trim(f[s5::kText]));
            if (sub.empty()) {
                if (!main.empty())
                    mainGroups[main] = text;
            } else {
                groupsByMain[main + '\x01' + sub] = text;
                groups[sub] = text;
            }
            return;
        }
        const std::string main = TextKey(fileNo, f[s4::kMain]);
        const std::string sub = TextKey(fileNo, f[s4::kGroup]);
        if (!main.empty() && !Trim(f[s4::kMainText]).empty())
            mainGroups[main] = RefOf(fileNo, Trim(f[s4::kMainText]));
        if (!sub.empty()) {
            const TRef text = RefOf(fileNo, Trim(f[s4::kGroupText]));
            groupsByMain[main + '\x01' + sub] = text;
            groups[sub] = text;
        }
    }

    void ReadFile(uint32_t fileNo)
    {
        File& file = *fileAt[fileNo - 1];
        const int version = file.version;
        TFields f;
        bool first = true;
        int records = 0;
        int64_t endCount = -1;
        bool withHeader = false;
        ForEachLine(file.data, file.size, [&](std::string_view line) {
            const bool wasFirst = first;
            first = false;
            const char r = line[0];
            if (r == 'V' && wasFirst) {
                withHeader = true;
                if (header.empty())
                    header = RefOf(fileNo, line);
                return true;
            }
            if (line.size() < 2 || line[1] != ';') {
                ++unknownRecords;
                return true;
            }
            SplitFields(line, f);
            ++records;
            switch (r) {
            case 'A': OnArticle(fileNo, version, line, f); break;
            case 'B':
                if (version == 5)
                    OnChange5(fileNo, f);
                else
                    OnExtra4(fileNo, line, f);
                break;
            case 'T': OnTextBlock(fileNo, version, f, false); break;
            case 'E':
                if (version == 5)
                    endCount = ParseInt(f[e5::kCount], -1);
                else
                    OnTextBlock(fileNo, version, f, true);
                break;
            case 'D': OnArticleText(fileNo, version, f); break;
            case 'P':
                // Applied once every article of the delivery is known: price records come
                // before their articles too.
                anyPriceRecord = true;
                pendingPrices.push_back(RefOf(fileNo, line));
                break;
            case 'R': OnRebate(fileNo, version, f); break;
            case 'S': OnGroup(fileNo, version, f); break;
            case 'Z': OnScale(fileNo, line, f); break;
            case 'C':
            case 'K':
            case 'J':
            case 'W': break;
            default: ++unknownRecords; break;
            }
            return true;
        });
        // Writers count the records with or without the header and the end record themselves.
        const int64_t body = records - 1;
        const bool counted = endCount == body || endCount == body + 1 || (withHeader && endCount == body + 2);
        if (endCount >= 0 && !counted)
            notes.push_back("Die Datei " + FileLabel(file.name) + " ist vermutlich unvollst\xE4ndig: laut Endesatz " +
                            std::to_string(endCount) + " Datens\xE4tze, gelesen " + std::to_string(records - 1) + ".");
    }

    // --- long texts -----------------------------------------------------------------------
    static void SortLines(std::vector<TextLine>& lines, std::vector<uint32_t>& start, size_t blocks)
    {
        std::stable_sort(lines.begin(), lines.end(), [](const TextLine& x, const TextLine& y) {
            return x.block != y.block ? x.block < y.block : x.line < y.line;
        });
        // A repeated line number keeps its last text. Dropped here once, not skipped on every
        // use: a block inserted into many articles would otherwise be walked in full each time.
        size_t kept = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].line != kNoLine && i + 1 < lines.size() && lines[i + 1].block == lines[i].block &&
                lines[i + 1].line == lines[i].line)
                continue;
            lines[kept++] = lines[i];
        }
        lines.resize(kept);
        start.assign(blocks + 1, 0);
        for (const TextLine& l : lines)
            ++start[l.block + 1];
        for (size_t i = 1; i < start.size(); ++i)
            start[i] += start[i - 1];
    }

    void AppendLine(std::string& out, uint32_t fileNo, std::string_view text) const
    {
        text = TrimRight(text);
        if (out.size() + text.size() + 2 > kMaxLongText) {
            longTextCut = true;
            return;
        }
        out.append("\r\n");
        AppendText(out, fileNo, text);
        while (out.back() == ' ')
            out.pop_back();
    }

    // The block's lines in line order (see SortLines).
    template <class Fn>
    void ForBlockLines(const std::vector<TextLine>& lines, const std::vector<uint32_t>& start, uint32_t block,
                       Fn&& fn) const
    {
        if (block + 1 >= start.size())
            return;
        for (uint32_t i = start[block]; i < start[block + 1] && !longTextCut; ++i)
            fn(lines[i].text);
    }

    void AppendBlock(std::string& out, uint32_t block) const
    {
        ForBlockLines(tLines, tStart, block, [&](const TRef& t) { AppendLine(out, t.file, Raw(t)); });
    }

    void AppendFilledBlock(std::string& out, uint32_t block, const TRef& values) const
    {
        std::string vals;
        SetText(vals, values.file, Raw(values));
        size_t vpos = 0;
        auto nextValue = [&]() -> std::string_view {
            if (vpos > vals.size())
                return {};
            size_t e = vals.find('$', vpos);
            if (e == std::string::npos)
                e = vals.size();
            std::string_view v = Trim(std::string_view(vals).substr(vpos, e - vpos));
            vpos = e + 1;
            return v;
        };
        bool anyLine = false;
        ForBlockLines(eLines, eStart, block, [&](const TRef& t) {
            anyLine = true;
            std::string line;
            SetText(line, t.file, TrimRight(Raw(t)));
            std::string filled;
            for (size_t i = 0; i < line.size();) {
                if (line[i] == '$') {
                    while (i < line.size() && line[i] == '$')
                        ++i;
                    filled.append(nextValue());
                } else {
                    filled.push_back(line[i++]);
                }
            }
            const std::string_view text = TrimRight(filled);
            if (out.size() + text.size() + 2 > kMaxLongText) {
                longTextCut = true;
                return;
            }
            out.append("\r\n");
            out.append(text);
        });
        if (!anyLine && !vals.empty()) {
            for (char& c : vals)
                if (c == '$')
                    c = ' ';
            AppendLine(out, 0, Trim(vals));
        }
    }

    void BuildLongText(std::string& out, const Article& a, std::string_view textKey, uint32_t fileNo) const
    {
        out.clear();
        longTextCut = false;
        if (!Trim(textKey).empty()) {
            const auto it = textIds.find(TextKey(fileNo, textKey));
            if (it != textIds.end())
                AppendBlock(out, it->second);
        }
        for (uint32_t i = a.dBegin; i < a.dEnd && !longTextCut; ++i) {
            const DPart& d = dParts[i];
            if (d.kind == 'T')
                AppendBlock(out, d.block);
            else if (d.kind == 'E')
                AppendFilledBlock(out, d.block, d.text);
            else
                AppendLine(out, d.text.file, Raw(d.text));
        }
        // No empty lines at either end; the first line has no break in front.
        size_t b = 0;
        while (b < out.size() && (out[b] == '\r' || out[b] == '\n'))
            ++b;
        size_t e = out.size();
        while (e > b && (out[e - 1] == '\r' || out[e - 1] == '\n' || out[e - 1] == ' '))
            --e;
        out.erase(e);
        out.erase(0, b);
        if (longTextCut)
            ++cutLongTexts;
    }

    // --- output ---------------------------------------------------------------------------
    void LookUpGroupText(std::string& out, const std::string& main, const std::string& sub) const
    {
        out.clear();
        const TRef* t = nullptr;
        if (!sub.empty()) {
            auto it = groupsByMain.find(main + '\x01' + sub);
            if (it != groupsByMain.end())
                t = &it->second;
            else if (auto g = groups.find(sub); g != groups.end())
                t = &g->second;
        }
        if (!t && !main.empty()) {
            if (auto m = mainGroups.find(main); m != mainGroups.end())
                t = &m->second;
        }
        if (t)
            SetText(out, t->file, Raw(*t));
    }

    // The cells of the row being written, addressed by column: hidden columns share one scratch
    // cell, so the row goes to the sink as it is, without copying or moving cells around.
    struct TRow {
        std::vector<std::string> shown;
        std::array<std::string*, col::Count> at{};
        std::string hidden;

        explicit TRow(const std::vector<col::EColumn>& columns)
            : shown(columns.size())
        {
            at.fill(&hidden);
            for (size_t i = 0; i < columns.size(); ++i)
                at[columns[i]] = &shown[i];
        }
        TRow(const TRow&) = delete;
        TRow& operator=(const TRow&) = delete;
        std::string& operator[](col::EColumn c) { return *at[c]; }
    };

    // The records of the article being written.
    struct TRowSource {
        const Article* a = nullptr;
        uint32_t fa = 0; // file of the A record
        uint32_t fb = 0; // file of the B record (4.0), 0 without one
        bool five = false;
        TFields af, bf;
    };

    void SetCell(TRow& cells, col::EColumn c, uint32_t fileNo, std::string_view raw) const
    {
        SetTrimmed(cells[c], fileNo, raw);
    }

    // Article number, short texts joined by a blank, long text, quantity unit.
    void FillTexts(const TRowSource& r, TRow& cells, std::string& scratch) const
    {
        const Article& a = *r.a;
        if (!a.number.empty())
            SetCell(cells, col::Number, a.number.file, Raw(a.number));
        else
            SetCell(cells, col::Number, r.fa, r.af[a4::kNumber]);
        std::string& text = cells[col::Text];
        SetCell(cells, col::Text, r.fa, r.af[r.five ? a5::kShortText1 : a4::kShortText1]);
        SetTrimmed(scratch, r.fa, r.af[r.five ? a5::kShortText2 : a4::kShortText2]);
        if (!scratch.empty()) {
            if (!text.empty())
                text.push_back(' ');
            text.append(scratch);
        }
        BuildLongText(cells[col::LongText], a, r.af[r.five ? a5::kTextKey : a4::kTextKey], r.fa);
        SetCell(cells, col::Unit, r.fa, r.af[r.five ? a5::kUnit : a4::kUnit]);
    }

    // The price shown: a net price before a list price, a price update before the article's own;
    // each divided by its own unit.
    void FillPrice(const Article& a, TRow& cells) const
    {
        int64_t cents = 0;
        uint32_t unit = a.aUnit;
        const char* kind = "";
        if (a.pNet > 0 || (a.pNet < 0 && a.aFlag == 2 && a.aCents != 0)) {
            cents = a.pNet > 0 ? a.pNet : a.aCents;
            if (a.pNet > 0 && a.pNetUnit)
                unit = a.pNetUnit;
            kind = "Nettopreis";
        } else if (a.pList > 0 || (a.aFlag == 1 && a.aCents != 0)) {
            cents = a.pList > 0 ? a.pList : a.aCents;
            if (a.pList > 0 && a.pListUnit)
                unit = a.pListUnit;
            kind = "Listenpreis";
        } else if (a.aFlag == 9) {
            kind = "auf Anfrage";
        } else if (a.aCents != 0) {
            cents = a.aCents;
            kind = a.aFlag == 2 ? "Nettopreis" : "Listenpreis";
        }
        cells[col::PriceUnit] = std::to_string(unit);
        if (cents != 0) {
            FormatFixed(cells[col::Price], cents, 2);
            FormatPerUnit(cells[col::PricePerUnit], cents, unit);
        } else {
            cells[col::Price].clear();
            cells[col::PricePerUnit].clear();
        }
        cells[col::PriceKind] = kind;
    }

    void FillRebate(const TRowSource& r, TRow& cells) const
    {
        const Article& a = *r.a;
        // A price update may name another group than the article.
        if (!a.pRebateGroup.empty())
            SetCell(cells, col::RebateGroup, a.pRebateGroup.file, Raw(a.pRebateGroup));
        else
            SetCell(cells, col::RebateGroup, r.fa, r.af[r.five ? a5::kRebateGroup : a4::kRebateGroup]);
        cells[col::RebateGroupText].clear();
        cells[col::Rebate].clear();
        double factor = 1.0;
        bool rebate = false;
        if (!cells[col::RebateGroup].empty()) {
            const auto it = rebates.find(NormalizeKey(cells[col::RebateGroup]));
            if (it != rebates.end()) {
                SetText(cells[col::RebateGroupText], it->second.text.file, Raw(it->second.text));
                if (it->second.flag != 0 && PlausibleRebate(it->second.flag, it->second.value)) {
                    factor = RebateFactor(it->second.flag, it->second.value);
                    rebate = true;
                }
            }
        }
        // Net prices are not rebated: only a rebate the price update names itself applies.
        if (cells[col::PriceKind] == "Nettopreis")
            rebate = false;
        if (a.pRebate) {
            factor = a.pRebateFactor;
            rebate = true;
        }
        if (rebate)
            FormatFixed(cells[col::Rebate], static_cast<int64_t>(std::llround((1.0 - factor) * 10000.0)), 2);
    }

    void FillGroupsAndExtras(const TRowSource& r, TRow& cells) const
    {
        const uint32_t fa = r.fa, fb = r.fb;
        const TFields &af = r.af, &bf = r.bf;
        SetCell(cells, col::MainGroup, fa, af[r.five ? a5::kMainGroup : a4::kMainGroup]);
        if (r.five)
            SetCell(cells, col::Group, fa, af[a5::kGroup]);
        else
            SetCell(cells, col::Group, fb, bf[b4::kGroup]);
        LookUpGroupText(cells[col::GroupText], NormalizeKey(cells[col::MainGroup]), NormalizeKey(cells[col::Group]));
        if (r.five) {
            SetCell(cells, col::Ean, fa, af[a5::kEan]);
            SetCell(cells, col::Matchcode, fa, af[a5::kMatchcode]);
            SetCell(cells, col::AltNumber, fa, af[a5::kAltNumber]);
            SetCell(cells, col::Packing, fa, af[a5::kPacking]);
            SetCell(cells, col::CatalogPage, fa, af[a5::kCatalogPage]);
            SetCell(cells, col::Maker, fa, af[a5::kMaker]);
            SetCell(cells, col::MakerNumber, fa, af[a5::kMakerNumber]);
            SetCell(cells, col::MakerType, fa, af[a5::kMakerType]);
        } else {
            SetCell(cells, col::Ean, fb, bf[b4::kEan]);
            SetCell(cells, col::Matchcode, fb, bf[b4::kMatchcode]);
            SetCell(cells, col::AltNumber, fb, bf[b4::kAltNumber]);
            SetCell(cells, col::Packing, fb, bf[b4::kPacking]);
            SetCell(cells, col::CatalogPage, fb, bf[b4::kCatalogPage]);
            cells[col::Maker].clear();
            cells[col::MakerNumber].clear();
            cells[col::MakerType].clear();
        }
    }

    // "ab 10 Stck: 1,23; ab 100 Stck: 1,10": scale prices (each per its own unit), surcharges and
    // discounts ("+0,50", "-5,00 %": percent with two implied decimals, as in the rebates).
    void FillScales(const Article& a, TRow& cells) const
    {
        std::string& out = cells[col::Scales];
        out.clear();
        TFields f;
        std::string value;
        for (uint32_t i = a.zBegin; i < a.zEnd; ++i) {
            const Scale& sc = scales[i];
            SplitFields(Raw(sc.line), f);
            const int64_t kind = ParseInt(f[z::kKind], 1);
            int64_t cents = 0;
            ParseCents(f[z::kValue], cents);
            if (kind == 1 && cents == 0)
                continue; // a step without a price
            if (!out.empty())
                out += "; ";
            const std::string from = NormalizeKey(f[z::kFrom]);
            if (!from.empty() && from != "0") {
                out += "ab ";
                AppendText(out, sc.line.file, from);
                if (!cells[col::Unit].empty())
                    out += ' ' + cells[col::Unit];
                out += ": ";
            }
            if (kind != 1)
                out += Trim(f[z::kSign]) == "-" ? '-' : '+';
            FormatFixed(value, cents < 0 ? -cents : cents, 2);
            out += value;
            if (kind == 3) {
                out += " %";
            } else if (kind == 1) {
                const int64_t unit = ParseInt(f[z::kUnit], 1);
                if (unit > 1)
                    out += " je " + std::to_string(unit);
            }
        }
    }

    // Metal weight and base of a 4.0 article, as delivered: the writers' scaling of both differs.
    void FillMetal(const TRowSource& r, TRow& cells) const
    {
        std::string& out = cells[col::Metal];
        out.clear();
        if (!r.fb || ParseInt(r.bf[b4::kMetalWeight], 0) == 0)
            return;
        out = "Gewicht ";
        AppendText(out, r.fb, NormalizeKey(r.bf[b4::kMetalWeight]));
        const std::string base = NormalizeKey(r.bf[b4::kMetalBase]);
        if (!base.empty() && base != "0") {
            out += ", Basis ";
            AppendText(out, r.fb, base);
        }
        const std::string_view flag = Trim(r.bf[b4::kMetalFlag]);
        if (!flag.empty()) {
            out += " (Kennzeichen ";
            AppendText(out, r.fb, flag);
            out += ')';
        }
    }

    // The optional columns one delivery needs.
    struct TLayout {
        bool maker = false;
        bool scales = false;
        bool metal = false;
        bool supplier = false;
    };

    TLayout Layout() const
    {
        TLayout l;
        l.maker = anyFive;
        l.metal = anyMetal;
        l.scales = std::any_of(articles.begin(), articles.end(),
                               [](const Article& a) { return a.hasA && !a.deleted && a.zEnd > a.zBegin; });
        return l;
    }

    // The columns written, in their order.
    static std::vector<col::EColumn> ShownColumns(const TLayout& l)
    {
        std::vector<col::EColumn> shown;
        for (size_t c = 0; c < col::Count; ++c) {
            const auto e = static_cast<col::EColumn>(c);
            if (!l.maker && (e == col::Maker || e == col::MakerNumber || e == col::MakerType))
                continue;
            if ((!l.scales && e == col::Scales) || (!l.metal && e == col::Metal) || (!l.supplier && e == col::Supplier))
                continue;
            shown.push_back(e);
        }
        return shown;
    }

    static void WriteHeader(TConvertSink& sink, const std::vector<col::EColumn>& shown)
    {
        std::vector<std::string> row;
        for (col::EColumn c : shown)
            row.emplace_back(kColumnNames[c]);
        sink.Row(row);
    }

    // The supplier the header names (4.0: info text 1; 5.0: the creator), else the delivery's name.
    std::string Supplier() const
    {
        std::string out;
        const std::string_view h = Raw(header);
        if (h.size() > 1 && h[1] == ';') {
            TFields f;
            SplitFields(h, f);
            SetTrimmed(out, header.file, f[v5::kName]);
            if (out.empty())
                SetTrimmed(out, header.file, f[v5::kShortName]);
        } else if (h.size() > v4::kInfo1At) {
            SetTrimmed(out, header.file, h.substr(v4::kInfo1At, v4::kInfo1Len));
        }
        return out.empty() ? name : out;
    }

    void WriteRows(TConvertSink& sink, const std::vector<col::EColumn>& shown)
    {
        TRow cells(shown);
        const std::string supplier = Supplier();
        std::string scratch;
        TRowSource r;
        for (const Article& a : articles) {
            if (!a.hasA || a.deleted)
                continue;
            r.a = &a;
            r.fa = a.a.file;
            r.five = fileAt[r.fa - 1]->version == 5;
            SplitFields(Raw(a.a), r.af);
            r.bf.n = 0;
            r.fb = r.five ? 0 : a.b.file;
            if (r.fb)
                SplitFields(Raw(a.b), r.bf);
            FillTexts(r, cells, scratch);
            FillPrice(a, cells);
            FillRebate(r, cells);
            FillGroupsAndExtras(r, cells);
            FillScales(a, cells);
            FillMetal(r, cells);
            cells[col::Supplier] = supplier;
            sink.Row(cells.shown);
        }
    }

    // Reads every file and orders what belongs to an article.
    void Read()
    {
        if (files.empty())
            throw EConvertError("Es wurde keine DATANORM-Datei angegeben.");
        for (File& f : files) {
            if (!f.probe.isDatanorm)
                throw EConvertError("Die Datei " + FileLabel(f.name) + " ist keine DATANORM-Datei.");
            if (f.probe.version == 3)
                throw EConvertError(
                    "Die Datei " + FileLabel(f.name) +
                    " liegt im Format DATANORM 3.0 vor. Diese Version wird nicht unterst\xFCtzt; bitte fordern Sie "
                    "beim Lieferanten eine Lieferung in DATANORM 4.0 oder 5.0 an.");
        }
        // Article files in ascending name order, then price files, then look-up tables.
        std::vector<uint32_t> order(files.size());
        for (uint32_t i = 0; i < order.size(); ++i)
            order[i] = i + 1;
        auto rank = [&](uint32_t no) {
            switch (fileAt[no - 1]->probe.kind) {
            case EDatanormKind::Articles: return 0;
            case EDatanormKind::Prices: return 1;
            default: return 2;
            }
        };
        std::stable_sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
            if (rank(x) != rank(y))
                return rank(x) < rank(y);
            return fileAt[x - 1]->order < fileAt[y - 1]->order;
        });
        int deliveryVersion = 0;
        for (uint32_t no : order)
            if (!deliveryVersion && fileAt[no - 1]->probe.version)
                deliveryVersion = fileAt[no - 1]->probe.version;
        if (!deliveryVersion)
            deliveryVersion = 4;
        size_t bytes = 0;
        for (File& f : files) {
            f.version = f.probe.version ? f.probe.version : deliveryVersion;
            anyFive = anyFive || f.version == 5;
            bytes += f.size;
        }
        articles.reserve(bytes / 140 + 16);
        index.Reserve(bytes / 140 + 16);

        for (uint32_t no : order)
            ReadFile(no);
        TFields pf;
        for (const TRef& p : pendingPrices) {
            SplitFields(Raw(p), pf);
            OnPrice(p.file, fileAt[p.file - 1]->version, pf);
        }

        if (!anyArticleRecord ||
            std::none_of(articles.begin(), articles.end(), [](const Article& a) { return a.hasA; })) {
            if (anyPriceRecord)
                throw EConvertError(
                    "Die Lieferung " + FileLabel(fileAt[order.front() - 1]->name) +
                    " enth\xE4lt nur Preis\xE4nderungen (DATPREIS), aber keine Artikel. Bitte importieren Sie die "
                    "Artikeldatei (DATANORM.001) zusammen mit der Preisdatei.");
            throw EConvertError("Die Lieferung " + FileLabel(fileAt[order.front() - 1]->name) +
                                " enth\xE4lt keine Artikel (keine A-S\xE4tze).");
        }

        SortLines(tLines, tStart, textIds.size());
        SortLines(eLines, eStart, eIds.size());
        std::stable_sort(dParts.begin(), dParts.end(), [](const DPart& x, const DPart& y) {
            return x.article != y.article ? x.article < y.article : x.line < y.line;
        });
        MarkArticleRuns(dParts, &Article::dBegin, &Article::dEnd);
        SortScales();
    }

    // A repeated step of an article keeps its last record; then ordered by quantity.
    void SortScales()
    {
        std::stable_sort(scales.begin(), scales.end(), [](const Scale& x, const Scale& y) {
            return x.article != y.article ? x.article < y.article : x.step < y.step;
        });
        size_t kept = 0;
        for (size_t i = 0; i < scales.size(); ++i) {
            if (scales[i].step >= 0 && i + 1 < scales.size() && scales[i + 1].article == scales[i].article &&
                scales[i + 1].step == scales[i].step)
                continue;
            scales[kept++] = scales[i];
        }
        scales.resize(kept);
        std::stable_sort(scales.begin(), scales.end(), [](const Scale& x, const Scale& y) {
            return x.article != y.article ? x.article < y.article : x.from < y.from;
        });
        MarkArticleRuns(scales, &Article::zBegin, &Article::zEnd);
    }

    // Items sorted by article: each article gets the [begin, end) range of its run.
    template <class Item>
    void MarkArticleRuns(const std::vector<Item>& items, uint32_t Article::*begin, uint32_t Article::*end)
    {
        for (uint32_t i = 0; i < items.size();) {
            uint32_t j = i;
            while (j < items.size() && items[j].article == items[i].article)
                ++j;
            articles[items[i].article].*begin = i;
            articles[items[i].article].*end = j;
            i = j;
        }
    }

    void Convert(TConvertSink& sink)
    {
        Read();
        const auto shown = ShownColumns(Layout());
        WriteHeader(sink, shown);
        WriteRows(sink, shown);
        WriteNotes(sink, {});
    }

    // The notes of the delivery, each after `prefix`.
    void WriteNotes(TConvertSink& sink, const std::string& prefix) const
    {
        auto note = [&](const std::string& n) { sink.Note(prefix + n); };
        if (unknownRecords == 1)
            note("1 Datensatz unbekannter Art wurde \xFC"
                 "bersprungen.");
        else if (unknownRecords > 1)
            note(std::to_string(unknownRecords) +
                 " Datens\xE4tze unbekannter Art wurden \xFC"
                 "bersprungen.");
        if (orphanPrices == 1)
            note("1 Preis\xE4nderung betraf keinen Artikel der Lieferung und wurde \xFC"
                 "bersprungen.");
        else if (orphanPrices > 1)
            note(std::to_string(orphanPrices) +
                 " Preis\xE4nderungen betrafen keine Artikel der Lieferung und wurden \xFC"
                 "bersprungen.");
        if (unreadableScales == 1)
            note("1 Staffel- oder Zuschlagssatz (Z) hat einen unbekannten Aufbau und wurde \xFC"
                 "bersprungen.");
        else if (unreadableScales > 1)
            note(std::to_string(unreadableScales) +
                 " Staffel- oder Zuschlagss\xE4tze (Z) haben einen unbekannten Aufbau und wurden \xFC"
                 "bersprungen.");
        if (cutLongTexts)
            note("Langtexte von " + std::to_string(cutLongTexts) +
                 " Artikeln waren l\xE4nger als 32.000 Zeichen und wurden gek\xFCrzt.");
        for (const std::string& n : notes)
            note(n);
    }
};

TDatanormReader::TDatanormReader()
    : impl_(std::make_unique<Impl>())
{}
TDatanormReader::~TDatanormReader() = default;

void TDatanormReader::AddFile(const std::filesystem::path& file)
{
    Impl::File& f = impl_->files.emplace_back();
    impl_->fileAt.push_back(&f);
    f.name = NativeToWin1252(file.filename());
    f.order = AnsiLowerCase(f.name);
    if (!f.map.Open(file))
        throw EConvertError("Die Datei " + FileLabel(f.name) + " kann nicht gelesen werden.");
    f.data = f.map.Data();
    f.size = f.map.Size();
    if (f.size >= 0xFFFFFFFFull * 64)
        throw EConvertError("Die Datei " + FileLabel(f.name) + " ist zu gro\xDF.");
    impl_->Prepare(f);
}

void TDatanormReader::AddBuffer(std::string name, std::string bytes)
{
    Impl::File& f = impl_->files.emplace_back();
    impl_->fileAt.push_back(&f);
    f.name = std::move(name);
    f.order = AnsiLowerCase(f.name);
    f.owned = std::move(bytes);
    f.data = f.owned.data();
    f.size = f.owned.size();
    impl_->Prepare(f);
}

void TDatanormReader::Convert(TConvertSink& sink) { impl_->Convert(sink); }

void TDatanormReader::SetName(std::string name) { impl_->name = std::move(name); }

void TDatanormReader::ConvertDeliveries(std::vector<std::unique_ptr<TDatanormReader>>& deliveries, TConvertSink& sink)
{
    Impl::TLayout layout;
    layout.supplier = true;
    for (auto& d : deliveries) {
        d->impl_->Read();
        const Impl::TLayout l = d->impl_->Layout();
        layout.maker = layout.maker || l.maker;
        layout.scales = layout.scales || l.scales;
        layout.metal = layout.metal || l.metal;
    }
    const auto shown = Impl::ShownColumns(layout);
    Impl::WriteHeader(sink, shown);
    for (auto& d : deliveries)
        d->impl_->WriteRows(sink, shown);
    for (auto& d : deliveries)
        d->impl_->WriteNotes(sink, d->impl_->Supplier() + ": ");
}

} // namespace artikel::convert
