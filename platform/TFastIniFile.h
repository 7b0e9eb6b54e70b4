#pragma once

// An INI file kept in memory as its list of lines. Sections are found through a hashed index,
// key lines are parsed only when a lookup reaches them, and a write changes single lines: lines
// that no write changed go back to disk byte for byte. Text is Windows-1252 bytes.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace artikel {

// The typed operations on top of the two string operations of an INI file.
class TCustomIniFile {
public:
    explicit TCustomIniFile(std::string fileName)
        : fileName_(std::move(fileName))
    {}
    TCustomIniFile(const TCustomIniFile&) = delete;
    TCustomIniFile& operator=(const TCustomIniFile&) = delete;
    virtual ~TCustomIniFile() = default;

    const std::string& FileName() const { return fileName_; }

    virtual std::string ReadString(std::string_view section, std::string_view key, std::string_view def) = 0;
    virtual void WriteString(std::string_view section, std::string_view key, std::string_view value) = 0;
    // Writes the file back when something changed; raises EInOutError when that fails.
    virtual void UpdateFile() = 0;

    // Decimal, or hexadecimal after "0x"/"0X" (or "$"); anything else, or out of range, gives def.
    int ReadInteger(std::string_view section, std::string_view key, int def);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    bool ReadBool(std::string_view section, std::string_view key, bool def);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // The integer rule of ReadInteger on a text.
    static int StrToIntDef(std::string_view text, int def);

private:
    std::string fileName_;
};

// Counters of the line kinds, kept while lines are added or removed.
struct TStatistics {
    std::uint32_t blankLines = 0;
    std::uint32_t commentLines = 0;
    std::uint32_t unparsedLines = 0;
    std::uint32_t sectionHeaders = 0;
};

enum class TIniLineKind : std::uint8_t {
    Key = 0, // parsed key line
    NoEquals = 1, // parsed, has no "=": never matches a key
    Unparsed = 2,
    Section = 3,
    Comment = 4,
    Blank = 5,
};

// The section index: 256 buckets of singly linked entries, new entries in front. A section's
// key index (256 buckets of line numbers) exists only while the file uses key indexes and the
// section has been searched since the last change that moved its lines.
class TSectionItems {
public:
    struct TKeyIndex {
        std::array<std::vector<std::uint32_t>, 256> buckets;
    };
    struct TSection {
        std::string name;
        std::uint32_t firstLine = 0; // the line after the header
        std::unique_ptr<TKeyIndex> keyIndex;
        std::unique_ptr<TSection> next;
    };

    TSectionItems() = default;
    TSectionItems(const TSectionItems&) = delete;
    TSectionItems& operator=(const TSectionItems&) = delete;
    ~TSectionItems() { Clear(); }

    // Frees the entries one by one (a long bucket list must not recurse).
    void Clear();
    TSection* Add(std::string name, std::uint32_t hash, std::uint32_t firstLine);
    TSection* Find(std::string_view name, std::uint32_t hash, bool caseSensitive, bool localeFolding) const;
    // Every section whose first line lies after line moves down by one; their key indexes go.
    void LinesInsertedAt(std::uint32_t line);
    std::size_t Count() const { return count_; }

private:
    std::array<std::unique_ptr<TSection>, 256> buckets_;
    std::size_t count_ = 0;
};

// The lines of an INI file.
class TIniItems {
public:
    struct TItem {
        TIniLineKind kind = TIniLineKind::Unparsed;
        std::uint32_t hash = 0; // of the key name (kind Key)
        std::string raw; // the line as read; key "=" value once the value changed
        std::string key; // kind Key: the trimmed key name
        std::string value; // kind Key: the trimmed value, inline comment included
    };

    std::vector<TItem> lines;
    TSectionItems sections;
    TStatistics statistics;
    bool keyIndexInUse = false;
    TSectionItems::TSection* lastSection = nullptr;

    void Append(std::string raw, bool caseSensitive, bool localeFolding);
    // Inserts a parsed key line; later sections move down, the key index of the section that
    // receives it is updated, those of later sections are discarded.
    void InsertKey(std::uint32_t at, TItem item, TSectionItems::TSection* owner);
};

class TFastIniFile : public TCustomIniFile {
public:
    // Nothing is read until the first operation.
    explicit TFastIniFile(std::string fileName);
    // Writes the file back when modified; a failure is swallowed (call UpdateFile to see it).
    ~TFastIniFile() override;

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) override;
    // Line breaks and NUL bytes in the value become blanks: a value is one line.
    void WriteString(std::string_view section, std::string_view key, std::string_view value) override;
    // Writes atomically (temporary file, flush, rename), retrying every 10 ms for up to 10 s
    // while the file is held. On failure the file on disk is untouched, the changes stay in
    // memory (modified stays set) and EInOutError is raised.
    void UpdateFile() override;

    // Forgets that something changed, so that destruction writes nothing (after a failed save).
    void DiscardChanges() { modified_ = false; }

    bool SectionExists(std::string_view section);
    bool ValueExists(std::string_view section, std::string_view key);

    bool Modified() const { return modified_; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool on);
    bool StripInlineComments() const { return stripInlineComments_; }
    void SetStripInlineComments(bool on) { stripInlineComments_ = on; }
    bool LocaleCaseFolding() const { return localeFolding_; }
    void SetLocaleCaseFolding(bool on);
    bool StripQuotes() const { return stripQuotes_; }
    void SetStripQuotes(bool on) { stripQuotes_ = on; }

    // After loading (the first operation loads).
    const TStatistics& Statistics();
    bool KeyIndexInUse();
    std::size_t LineCount();

    // The bytes UpdateFile would write.
    std::string Serialize();
    // Takes text as the file's content instead of reading the file (nothing is marked modified).
    void LoadFromText(std::string_view text);

    // The hash of a name: rotate left by 2, XOR the (folded) byte.
    static std::uint32_t HashName(std::string_view name, bool caseSensitive, bool localeFolding);
    // A stored value as read: cut at the first ";" outside double quotes, trimmed.
    static std::string_view StripComment(std::string_view value);
    // The stored text when newValue replaces oldValue, keeping oldValue's inline comment in its
    // column (at most 255 characters of it).
    static std::string ComposeValue(std::string_view oldValue, std::string_view newValue);

private:
    void EnsureLoaded();
    void LoadFromBytes(std::string_view bytes);
    void Reindex();
    TSectionItems::TSection* FindSection(std::string_view section);
    // The line of the key in the section, or -1.
    std::int64_t FindKey(TSectionItems::TSection* sec, std::string_view key);
    std::uint32_t SectionEnd(const TSectionItems::TSection* sec) const;
    void ParseLine(TIniItems::TItem& item) const;
    void BuildKeyIndex(TSectionItems::TSection* sec);

    bool loaded_ = false;
    bool caseSensitive_ = false;
    std::unique_ptr<TIniItems> items_;
    bool stripInlineComments_ = true;
    bool modified_ = false;
    bool localeFolding_ = true;
    bool stripQuotes_ = false;
};

} // namespace artikel
