#pragma once

// The CSV dialect of the program's databases: the double quote is the only quote character, a
// field is quoted only when it begins with a quote, an inner quote is doubled, quoted fields may
// hold separators and line breaks, and a NUL byte ends the data.

#include "data/TArenaBuffer.h"
#include "data/TStream.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace artikel {

class ECSVError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The detected dialect of a CSV file.
struct TCSVOptions {
    std::string LineBreak = "\r\n"; // "\r\n", "\r" or "\n"
    char Separator = ','; // ',', ';' or '\t'
};

// Detection over the first 10000 bytes of the sample (a NUL ends it early).
TCSVOptions DetectCSVOptions(std::string_view sample);
// Detection over the first 10000 bytes of the stream, read from position 0; the position is kept.
TCSVOptions DetectCSVOptions(TStream& stream);

// The value for CSV output: with a non-zero `quote`, inner quotes doubled and the whole enclosed
// in quotes; with 0, the value unchanged.
std::string CSVQuote(std::string_view value, char quote = '"');

// One field of the current line, as it stands in the reader's buffer.
struct TCSVRawField {
    const char* Start = nullptr;
    uint32_t Length = 0;
    // An opening quote that never closed: the field is its bytes as they stand.
    bool Literal = false;
};

// The separator used when 0 is given: the list separator of German regional settings.
constexpr char kSystemListSeparator = ';';

// Splits CSV data into lines and fields without copying. The reader owns a copy of the data with
// a line-end sentinel and a NUL behind it.
class TCSVReader {
public:
    // Zero bytes the reader keeps behind the final NUL of its buffer, for vector loads.
    static constexpr size_t kBufferPadding = 64;

    // Reads the rest of `source` (from its position to its end) into the reader's buffer.
    TCSVReader(TStream& source, char separator);
    // Copies `data` into the reader's buffer.
    TCSVReader(std::string_view data, char separator);
    // Adopts a malloc'ed buffer of at least `dataSize` + 2 + kBufferPadding bytes whose first
    // `dataSize` bytes are the data; the reader writes the sentinel, NUL and padding behind them.
    TCSVReader(TArenaBuffer buffer, size_t dataSize, char separator);
    // Reads, without owning or changing it, the part of another reader's buffer that begins at
    // `start` (a line start inside `owner`'s data); its line end is the owner's.
    TCSVReader(const TCSVReader& owner, const char* start);
    ~TCSVReader();
    TCSVReader(const TCSVReader&) = delete;
    TCSVReader& operator=(const TCSVReader&) = delete;

    void First();
    void Next();
    bool Eof() const { return endReached_; }
    int FieldCount() const { return fieldCount_; }
    // Some field of the current line is quoted (and needs unquoting).
    bool LineHasQuotes() const { return lineQuoted_; }
    // Field `index` (0-based) of the current line, unquoted.
    std::string Field(int index) const;
    const TCSVRawField& RawField(int index) const { return fields_[static_cast<size_t>(index)]; }

    // The byte that ends a line (CR by default) and how many bytes a line break spans (2 by
    // default; 1 for a single-character line break).
    void SetLineEnd(char lineEnd);
    void SetLineBreakLength(int length) { lineBreakLength_ = length; }
    char LineEnd() const { return lineEnd_; }
    int LineBreakLength() const { return lineBreakLength_; }
    // Where the current line began, and where the next one begins.
    const char* CurrentLineStart() const { return currentLine_; }
    const char* NextLineStart() const { return lineStart_; }
    char Separator() const { return separator_; }

    // The buffer (data, sentinel, NUL) and its size; it stays owned by the reader.
    char* Buffer() { return buffer_; }
    size_t BufferSize() const { return size_; }
    // Hands the buffer to the caller; the reader is spent. Empty for a reader of another's buffer.
    TArenaBuffer ReleaseBuffer();

    // Writes the unquoted text of a raw field to `dst` (which may be the field's own start:
    // the text never grows) and returns its length.
    static size_t Unquote(const TCSVRawField& raw, char* dst);
    // Length of the unquoted text.
    static size_t UnquotedLength(const TCSVRawField& raw);

private:
    void Init(char separator);
    void Reset();
    void AddField(const char* start, const char* end, bool literal);
    // Next() in steps: the checks before a line (false: nothing more to read), and the end of a
    // line at its line end `at`: its last field, and where the next line starts.
    bool StartLine();
    void EndLine(char* at, const char* fieldStart, bool literal);

    char* buffer_ = nullptr;
    char* lineStart_ = nullptr;
    char* currentLine_ = nullptr;
    bool owned_ = true;
    char* bufferEnd_ = nullptr;
    size_t size_ = 0;
    char quote_ = '"';
    char separator_ = ',';
    bool atLastLine_ = false;
    bool endReached_ = false;
    int fieldCount_ = 0;
    bool lineQuoted_ = false;
    char lineEnd_ = '\r';
    int lineBreakLength_ = 2;
    std::vector<TCSVRawField> fields_;
};

} // namespace artikel
