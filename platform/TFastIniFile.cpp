#include "platform/TFastIniFile.h"

#include "platform/EInOutError.h"
#include "platform/FileRetry.h"
#include "platform/Folders.h"
#include "platform/TFileStreamEx.h"
#include "platform/TextUtils.h"
#include "platform/Win1252.h"

#include <charconv>
#include <climits>
#include <optional>

namespace artikel {

namespace {

constexpr std::size_t kMaxCommentLength = 255;
constexpr std::size_t kKeyIndexThreshold = 249;

unsigned char Fold(unsigned char c, bool caseSensitive, bool localeFolding)
{
    if (caseSensitive)
        return c;
    if (localeFolding)
        return kAnsiUpper[c];
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

bool SameName(std::string_view a, std::string_view b, bool caseSensitive, bool localeFolding)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(static_cast<unsigned char>(a[i]), caseSensitive, localeFolding) !=
            Fold(static_cast<unsigned char>(b[i]), caseSensitive, localeFolding))
            return false;
    }
    return true;
}

// The position of the first ";" outside double quotes, or npos.
std::size_t CommentPos(std::string_view value)
{
    bool inQuotes = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '"')
            inQuotes = !inQuotes;
        else if (value[i] == ';' && !inQuotes)
            return i;
    }
    return std::string_view::npos;
}

// A value or key holds no line break and no NUL: they would split or cut the line on disk.
std::string OneLine(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    return out;
}

bool IsSectionHeader(std::string_view line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

} // namespace

// ---------------------------------------------------------------------------------------------

int TCustomIniFile::StrToIntDef(std::string_view text, int def)
{
    int base = 10;
    bool hex = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        hex = true;
    } else if (text.size() > 1 && text[0] == '$') {
        text.remove_prefix(1);
        hex = true;
    }
    if (text.empty())
        return def;
    if (hex) {
        base = 16;
        // Eight hex digits fill the 32 bits; "0xFFFFFFFF" is -1.
        unsigned int u = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), u, base);
        if (ec != std::errc() || end != text.data() + text.size())
            return def;
        return static_cast<int>(u);
    }
    std::string_view digits = text;
    if (digits.front() == '+')
        digits.remove_prefix(1);
    if (digits.empty() || (digits.front() == '-' && digits.size() == 1))
        return def;
    long long v = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, base);
    if (ec != std::errc() || end != digits.data() + digits.size() || v < INT_MIN || v > INT_MAX)
        return def;
    return static_cast<int>(v);
}

int TCustomIniFile::ReadInteger(std::string_view section, std::string_view key, int def)
{
    const std::string sentinel = "\x01";
    const std::string s = ReadString(section, key, sentinel);
    if (s == sentinel)
        return def;
    return StrToIntDef(s, def);
}

void TCustomIniFile::WriteInteger(std::string_view section, std::string_view key, int value)
{
    WriteString(section, key, std::to_string(value));
}

bool TCustomIniFile::ReadBool(std::string_view section, std::string_view key, bool def)
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

// ---------------------------------------------------------------------------------------------

void TSectionItems::Clear()
{
    for (std::unique_ptr<TSection>& head : buckets_) {
        while (head)
            head = std::move(head->next);
    }
    count_ = 0;
}

TSectionItems::TSection* TSectionItems::Add(std::string name, std::uint32_t hash, std::uint32_t firstLine)
{
    auto entry = std::make_unique<TSection>();
    entry->name = std::move(name);
    entry->firstLine = firstLine;
    std::unique_ptr<TSection>& bucket = buckets_[hash & 0xFF];
    entry->next = std::move(bucket);
    bucket = std::move(entry);
    ++count_;
    return bucket.get();
}

TSectionItems::TSection* TSectionItems::Find(std::string_view name, std::uint32_t hash, bool caseSensitive,
                                             bool localeFolding) const
{
    for (TSection* s = buckets_[hash & 0xFF].get(); s; s = s->next.get()) {
        if (SameName(s->name, name, caseSensitive, localeFolding))
            return s;
    }
    return nullptr;
}

void TSectionItems::LinesInsertedAt(std::uint32_t line)
{
    for (const std::unique_ptr<TSection>& head : buckets_) {
        for (TSection* s = head.get(); s; s = s->next.get()) {
            if (s->firstLine > line) {
                ++s->firstLine;
                s->keyIndex.reset();
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------

void TIniItems::Append(std::string raw, bool caseSensitive, bool localeFolding)
{
    TItem item;
    if (raw.empty()) {
        item.kind = TIniLineKind::Blank;
        ++statistics.blankLines;
    } else if (raw.front() == ';') {
        item.kind = TIniLineKind::Comment;
        ++statistics.commentLines;
    } else if (IsSectionHeader(raw)) {
        item.kind = TIniLineKind::Section;
        ++statistics.sectionHeaders;
        std::string name = raw.substr(1, raw.size() - 2);
        const std::uint32_t hash = TFastIniFile::HashName(name, caseSensitive, localeFolding);
        sections.Add(std::move(name), hash, static_cast<std::uint32_t>(lines.size() + 1));
    } else {
        item.kind = TIniLineKind::Unparsed;
        ++statistics.unparsedLines;
    }
    item.raw = std::move(raw);
    lines.push_back(std::move(item));
}

void TIniItems::InsertKey(std::uint32_t at, TItem item, TSectionItems::TSection* owner)
{
    const std::uint32_t hash = item.hash;
    lines.insert(lines.begin() + at, std::move(item));
    sections.LinesInsertedAt(at);
    if (owner && owner->keyIndex) {
        for (std::vector<std::uint32_t>& bucket : owner->keyIndex->buckets) {
            for (std::uint32_t& line : bucket) {
                if (line >= at)
                    ++line;
            }
        }
        owner->keyIndex->buckets[hash & 0xFF].push_back(at);
    }
}

// ---------------------------------------------------------------------------------------------

TFastIniFile::TFastIniFile(std::string fileName)
    : TCustomIniFile(std::move(fileName)),
      items_(std::make_unique<TIniItems>())
{}

TFastIniFile::~TFastIniFile()
{
    try {
        UpdateFile();
    } catch (...) {
        // A destructor cannot report; callers that care call UpdateFile first.
    }
}

std::uint32_t TFastIniFile::HashName(std::string_view name, bool caseSensitive, bool localeFolding)
{
    std::uint32_t h = 0;
    for (const char c : name)
        h = ((h << 2) | (h >> 30)) ^ Fold(static_cast<unsigned char>(c), caseSensitive, localeFolding);
    return h;
}

std::string_view TFastIniFile::StripComment(std::string_view value)
{
    const std::size_t pos = CommentPos(value);
    if (pos != std::string_view::npos)
        value = value.substr(0, pos);
    return TrimText(value);
}

std::string TFastIniFile::ComposeValue(std::string_view oldValue, std::string_view newValue)
{
    const std::size_t pos = CommentPos(oldValue);
    if (pos == std::string_view::npos)
        return std::string(newValue);
    const std::string_view comment = oldValue.substr(pos, kMaxCommentLength);
    std::string out(newValue);
    if (newValue.size() + 1 < pos)
        out.append(pos - newValue.size(), ' ');
    else
        out += ' ';
    out += comment;
    return out;
}

void TFastIniFile::EnsureLoaded()
{
    if (loaded_)
        return;
    std::string bytes;
    if (!FileName().empty() && FileExists(FileName())) {
        TFileStreamEx stream(FileName(), TFileStreamEx::TMode::Read);
        bytes = stream.ReadAll();
    }
    LoadFromBytes(bytes);
    loaded_ = true;
}

void TFastIniFile::LoadFromText(std::string_view text)
{
    LoadFromBytes(text);
    loaded_ = true;
    modified_ = false;
}

void TFastIniFile::LoadFromBytes(std::string_view bytes)
{
    if (const std::size_t nul = bytes.find('\0'); nul != std::string_view::npos)
        bytes = bytes.substr(0, nul);
    items_ = std::make_unique<TIniItems>();
    std::size_t start = 0;
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        items_->Append(std::string(bytes.substr(start, i - start)), caseSensitive_, localeFolding_);
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        items_->Append(std::string(bytes.substr(start)), caseSensitive_, localeFolding_);
    const std::size_t sections = items_->sections.Count();
    items_->keyIndexInUse = sections > 0 && items_->statistics.unparsedLines / sections > kKeyIndexThreshold;
}

void TFastIniFile::Reindex()
{
    // Hashes depend on the case rules: rebuild the section index and every key hash.
    TIniItems& items = *items_;
    items.sections.Clear();
    items.lastSection = nullptr;
    for (std::size_t i = 0; i < items.lines.size(); ++i) {
        TIniItems::TItem& item = items.lines[i];
        if (item.kind == TIniLineKind::Section) {
            std::string name = item.raw.substr(1, item.raw.size() - 2);
            const std::uint32_t hash = HashName(name, caseSensitive_, localeFolding_);
            items.sections.Add(std::move(name), hash, static_cast<std::uint32_t>(i + 1));
        } else if (item.kind == TIniLineKind::Key) {
            item.hash = HashName(item.key, caseSensitive_, localeFolding_);
        }
    }
}

void TFastIniFile::SetCaseSensitive(bool on)
{
    if (on == caseSensitive_)
        return;
    caseSensitive_ = on;
    if (loaded_)
        Reindex();
}

void TFastIniFile::SetLocaleCaseFolding(bool on)
{
    if (on == localeFolding_)
        return;
    localeFolding_ = on;
    if (loaded_)
        Reindex();
}

void TFastIniFile::ParseLine(TIniItems::TItem& item) const
{
    if (item.kind != TIniLineKind::Unparsed)
        return;
    const std::string_view raw = item.raw;
    const std::size_t eq = raw.find('=');
    if (eq == std::string_view::npos) {
        item.kind = TIniLineKind::NoEquals;
        return;
    }
    item.kind = TIniLineKind::Key;
    item.key = std::string(TrimText(raw.substr(0, eq)));
    item.value = std::string(TrimText(raw.substr(eq + 1)));
    item.hash = HashName(item.key, caseSensitive_, localeFolding_);
}

TSectionItems::TSection* TFastIniFile::FindSection(std::string_view section)
{
    TIniItems& items = *items_;
    if (items.lastSection && SameName(items.lastSection->name, section, caseSensitive_, localeFolding_))
        return items.lastSection;
    TSectionItems::TSection* found =
        items.sections.Find(section, HashName(section, caseSensitive_, localeFolding_), caseSensitive_, localeFolding_);
    if (found)
        items.lastSection = found;
    return found;
}

std::uint32_t TFastIniFile::SectionEnd(const TSectionItems::TSection* sec) const
{
    const std::vector<TIniItems::TItem>& lines = items_->lines;
    std::uint32_t i = sec->firstLine;
    while (i < lines.size() && lines[i].kind != TIniLineKind::Section)
        ++i;
    return i;
}

void TFastIniFile::BuildKeyIndex(TSectionItems::TSection* sec)
{
    auto index = std::make_unique<TSectionItems::TKeyIndex>();
    const std::uint32_t end = SectionEnd(sec);
    for (std::uint32_t i = sec->firstLine; i < end; ++i) {
        TIniItems::TItem& item = items_->lines[i];
        ParseLine(item);
        if (item.kind == TIniLineKind::Key)
            index->buckets[item.hash & 0xFF].push_back(i);
    }
    sec->keyIndex = std::move(index);
}

std::int64_t TFastIniFile::FindKey(TSectionItems::TSection* sec, std::string_view key)
{
    const std::uint32_t hash = HashName(key, caseSensitive_, localeFolding_);
    std::vector<TIniItems::TItem>& lines = items_->lines;
    if (items_->keyIndexInUse) {
        if (!sec->keyIndex)
            BuildKeyIndex(sec);
        const std::vector<std::uint32_t>& bucket = sec->keyIndex->buckets[hash & 0xFF];
        for (auto it = bucket.rbegin(); it != bucket.rend(); ++it) {
            const TIniItems::TItem& item = lines[*it];
            if (item.hash == hash && SameName(item.key, key, caseSensitive_, localeFolding_))
                return *it;
        }
        return -1;
    }
    for (std::size_t i = sec->firstLine; i < lines.size(); ++i) {
        TIniItems::TItem& item = lines[i];
        if (item.kind == TIniLineKind::Section)
            break;
        ParseLine(item);
        if (item.kind == TIniLineKind::Key && item.hash == hash &&
            SameName(item.key, key, caseSensitive_, localeFolding_))
            return static_cast<std::int64_t>(i);
    }
    return -1;
}

std::string TFastIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def)
{
    EnsureLoaded();
    TSectionItems::TSection* sec = FindSection(section);
    if (!sec)
        return std::string(def);
    const std::int64_t line = FindKey(sec, key);
    if (line < 0)
        return std::string(def);
    std::string_view v = items_->lines[static_cast<std::size_t>(line)].value;
    if (stripInlineComments_)
        v = StripComment(v);
    if (stripQuotes_ && v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

void TFastIniFile::WriteString(std::string_view section, std::string_view keyText, std::string_view valueText)
{
    EnsureLoaded();
    TIniItems& items = *items_;
    const std::string key(TrimText(OneLine(keyText)));
    const std::string value = OneLine(valueText);
    const std::string sectionName = OneLine(section);

    TSectionItems::TSection* sec = FindSection(sectionName);
    if (!sec) {
        if (!items.lines.empty() && items.lines.back().kind != TIniLineKind::Blank)
            items.Append({}, caseSensitive_, localeFolding_);
        std::string header = sectionName;
        header.insert(header.begin(), '[');
        header.push_back(']');
        items.Append(std::move(header), caseSensitive_, localeFolding_);
        modified_ = true;
        sec = FindSection(sectionName);
    }

    std::int64_t line = FindKey(sec, key);
    if (line < 0) {
        // After the last key line of the section, before its trailing comments and blank lines.
        const std::uint32_t end = SectionEnd(sec);
        std::uint32_t at = sec->firstLine;
        for (std::uint32_t i = sec->firstLine; i < end; ++i) {
            ParseLine(items.lines[i]);
            if (items.lines[i].kind == TIniLineKind::Key || items.lines[i].kind == TIniLineKind::NoEquals)
                at = i + 1;
        }
        TIniItems::TItem item;
        item.kind = TIniLineKind::Key;
        item.key = key;
        item.hash = HashName(key, caseSensitive_, localeFolding_);
        item.raw = key + "=";
        items.InsertKey(at, std::move(item), sec);
        modified_ = true;
        line = at;
    }

    TIniItems::TItem& item = items.lines[static_cast<std::size_t>(line)];
    const std::string stored = stripInlineComments_ ? ComposeValue(item.value, value) : value;
    if (stored == item.value)
        return;
    if (stripInlineComments_ && CommentPos(item.value) != std::string::npos && StripComment(item.value) == value)
        return; // the same value, only the comment's padding would differ
    item.value = stored;
    item.raw = item.key + "=" + item.value;
    modified_ = true;
}

bool TFastIniFile::SectionExists(std::string_view section)
{
    EnsureLoaded();
    return FindSection(section) != nullptr;
}

bool TFastIniFile::ValueExists(std::string_view section, std::string_view key)
{
    EnsureLoaded();
    TSectionItems::TSection* sec = FindSection(section);
    return sec && FindKey(sec, key) >= 0;
}

std::string TFastIniFile::Serialize()
{
    EnsureLoaded();
    std::size_t total = 0;
    for (const TIniItems::TItem& item : items_->lines)
        total += item.raw.size() + 2;
    std::string out;
    out.reserve(total);
    for (const TIniItems::TItem& item : items_->lines) {
        out += item.raw;
        out += "\r\n";
    }
    return out;
}

void TFastIniFile::UpdateFile()
{
    if (!modified_ || FileName().empty())
        return;
    const std::string bytes = Serialize();
    std::unique_ptr<TAtomicFileWriter> writer;
    std::optional<EInOutError> lastError;
    const bool opened = RetryFor10Seconds([&] {
        try {
            writer = std::make_unique<TAtomicFileWriter>(FileName());
            return true;
        } catch (const EInOutError& e) {
            lastError = e;
            return false;
        }
    });
    if (!opened)
        throw lastError ? *lastError
                        : EInOutError("Datei " + Utf8ToWin1252(FileName()) + " kann nicht erstellt werden", 0);
    writer->Write(bytes);
    writer->Commit();
    modified_ = false;
}

const TStatistics& TFastIniFile::Statistics()
{
    EnsureLoaded();
    return items_->statistics;
}

bool TFastIniFile::KeyIndexInUse()
{
    EnsureLoaded();
    return items_->keyIndexInUse;
}

std::size_t TFastIniFile::LineCount()
{
    EnsureLoaded();
    return items_->lines.size();
}

} // namespace artikel
