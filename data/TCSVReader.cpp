#include "data/TCSVReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace artikel {

namespace {

constexpr size_t kDetectSampleSize = 10000;
// Bytes behind the final NUL that the vectorised scan may read.
constexpr size_t kScanPadding = TCSVReader::kBufferPadding;
constexpr char kQuote = '"';

char* AllocBuffer(size_t size)
{
    char* p = static_cast<char*>(std::malloc(size));
    if (!p)
        throw std::bad_alloc();
    return p;
}

} // namespace

TCSVOptions DetectCSVOptions(std::string_view sample)
{
    sample = sample.substr(0, std::min(sample.size(), kDetectSampleSize));
    if (size_t nul = sample.find('\0'); nul != std::string_view::npos)
        sample = sample.substr(0, nul);

    size_t tabs = 0, crs = 0, lfs = 0, commas = 0, semicolons = 0;
    bool crlf = false;
    const size_t n = sample.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = sample[i];
        const char next = i + 1 < n ? sample[i + 1] : '\0';
        switch (c) {
        case '\t': ++tabs; break;
        case '\r':
            ++crs;
            if (next == '\n')
                crlf = true;
            break;
        case '\n': ++lfs; break;
        // A list separator followed by a blank is prose ("Müller, Hans"), not a separator.
        case ',':
            if (i + 1 == n || (next != ' ' && next != ','))
                ++commas;
            break;
        case ';':
            if (i + 1 == n || (next != ' ' && next != ';'))
                ++semicolons;
            break;
        default: break;
        }
    }

    TCSVOptions options;
    size_t best = commas;
    options.Separator = ',';
    if (semicolons > best) {
        best = semicolons;
        options.Separator = ';';
    }
    if (tabs > best)
        options.Separator = '\t';

    if (crlf)
        options.LineBreak = "\r\n";
    else if (crs > 0)
        options.LineBreak = "\r";
    else if (lfs > 0)
        options.LineBreak = "\n";
    else
        options.LineBreak = "\r\n";
    return options;
}

TCSVOptions DetectCSVOptions(TStream& stream)
{
    const int64_t saved = stream.Position();
    const int64_t size = stream.Size();
    std::string sample(static_cast<size_t>(std::clamp<int64_t>(size, 0, kDetectSampleSize)), '\0');
    stream.SetPosition(0);
    int64_t got = 0;
    while (got < static_cast<int64_t>(sample.size())) {
        const int64_t n = stream.Read(sample.data() + got, static_cast<int64_t>(sample.size()) - got);
        if (n <= 0)
            break;
        got += n;
    }
    sample.resize(static_cast<size_t>(got));
    stream.SetPosition(saved);
    return DetectCSVOptions(std::string_view(sample));
}

std::string CSVQuote(std::string_view value, char quote)
{
    if (!quote)
        return std::string(value);
    std::string out;
    out.reserve(value.size() + 2 + static_cast<size_t>(std::count(value.begin(), value.end(), quote)));
    out.push_back(quote);
    for (char c : value) {
        out.push_back(c);
        if (c == quote)
            out.push_back(quote);
    }
    out.push_back(quote);
    return out;
}

TCSVReader::TCSVReader(TStream& source, char separator)
{
    const int64_t position = source.Position();
    const int64_t rest = std::max<int64_t>(0, source.Size() - position);
    size_ = static_cast<size_t>(rest) + 2;
    buffer_ = AllocBuffer(size_ + kScanPadding);
    int64_t got = 0;
    while (got < rest) {
        const int64_t n = source.Read(buffer_ + got, rest - got);
        if (n <= 0)
            break;
        got += n;
    }
    // A short read leaves a shorter buffer rather than uninitialised bytes.
    size_ = static_cast<size_t>(got) + 2;
    Init(separator);
}

TCSVReader::TCSVReader(std::string_view data, char separator)
{
    size_ = data.size() + 2;
    buffer_ = AllocBuffer(size_ + kScanPadding);
    if (!data.empty())
        std::memcpy(buffer_, data.data(), data.size());
    Init(separator);
}

TCSVReader::TCSVReader(TArenaBuffer buffer, size_t dataSize, char separator)
{
    buffer_ = buffer.release();
    size_ = dataSize + 2;
    Init(separator);
}

TCSVReader::TCSVReader(const TCSVReader& owner, const char* start)
{
    buffer_ = const_cast<char*>(start);
    size_ = static_cast<size_t>(owner.bufferEnd_ - start) + 1;
    bufferEnd_ = owner.bufferEnd_;
    owned_ = false;
    quote_ = owner.quote_;
    separator_ = owner.separator_;
    lineEnd_ = owner.lineEnd_;
    lineBreakLength_ = owner.lineBreakLength_;
    fields_.assign(100, TCSVRawField{});
    Reset();
}

TCSVReader::~TCSVReader()
{
    if (owned_)
        std::free(buffer_);
}

TArenaBuffer TCSVReader::ReleaseBuffer()
{
    if (!owned_)
        return nullptr;
    TArenaBuffer b(buffer_);
    buffer_ = nullptr;
    lineStart_ = bufferEnd_ = nullptr;
    atLastLine_ = endReached_ = true;
    fieldCount_ = 0;
    return b;
}

void TCSVReader::Init(char separator)
{
    // The sentinel terminates a last line without a line break of its own.
    buffer_[size_ - 2] = '\r';
    buffer_[size_ - 1] = '\0';
    std::memset(buffer_ + size_, 0, kScanPadding);
    bufferEnd_ = buffer_ + size_ - 1;
    quote_ = kQuote;
    separator_ = separator ? separator : kSystemListSeparator;
    lineEnd_ = '\r';
    lineBreakLength_ = 2;
    fields_.assign(100, TCSVRawField{});
    Reset();
}

void TCSVReader::Reset()
{
    lineStart_ = buffer_;
    currentLine_ = buffer_;
    atLastLine_ = false;
    endReached_ = false;
    fieldCount_ = 0;
}

void TCSVReader::SetLineEnd(char lineEnd)
{
    if (lineEnd != lineEnd_) {
        lineEnd_ = lineEnd;
        if (buffer_ && owned_)
            buffer_[size_ - 2] = lineEnd;
    }
}

void TCSVReader::First()
{
    Reset();
    Next();
}

inline void TCSVReader::AddField(const char* start, const char* end, bool literal)
{
    if (static_cast<size_t>(fieldCount_) == fields_.size())
        fields_.resize(fields_.size() * 2 + 1);
    TCSVRawField& f = fields_[static_cast<size_t>(fieldCount_++)];
    f.Start = start;
    f.Length = static_cast<uint32_t>(end - start);
    f.Literal = literal;
}

namespace {

// Steps over a quoted run starting at the opening quote. Returns the byte after the closing
// quote, or nullptr when the data ends (NUL) before the run closes.
inline char* SkipQuoted(char* p, char quote)
{
    ++p;
    for (;;) {
        // Only quotes and the NUL matter inside a run.
        while (*p != quote && *p != '\0')
            ++p;
        if (*p == '\0')
            return nullptr;
        if (p[1] == quote) {
            p += 2;
            continue;
        }
        return p + 1;
    }
}

} // namespace

bool TCSVReader::StartLine()
{
    fieldCount_ = 0;
    lineQuoted_ = false;
    currentLine_ = lineStart_;
    if (atLastLine_) {
        if (endReached_)
            throw ECSVError("Try to read past eof");
        endReached_ = true;
        return false;
    }
    if (!buffer_) {
        endReached_ = true;
        return false;
    }
    return true;
}

inline void TCSVReader::EndLine(char* at, const char* fieldStart, bool literal)
{
    if (at != lineStart_)
        AddField(fieldStart, at, literal);
    lineStart_ = at;
    if (at[1] == '\0') {
        atLastLine_ = true;
        endReached_ = true;
    } else {
        lineStart_ += lineBreakLength_;
    }
}

void TCSVReader::Next()
{
    if (!StartLine())
        return;

    const char sep = separator_;
    const char le = lineEnd_;
    const char quote = quote_;
    char* p = lineStart_;
    char* fieldStart = p;
    bool literal = false;

    // A quote that never closes would swallow the rest of the data; instead the field is read
    // again with its opening quote as an ordinary byte, so no later line is lost.
    auto openQuoted = [&](char* at) {
        if (char* after = SkipQuoted(at, quote)) {
            lineQuoted_ = true;
            return after;
        }
        literal = true;
        return at + 1;
    };

    if (*p == quote)
        p = openQuoted(p);
#if defined(__SSE2__)
    // Sixteen bytes at a time: a mask of the bytes that end a field, a line or the data.
    const __m128i vsep = _mm_set1_epi8(sep), vle = _mm_set1_epi8(le), vnul = _mm_setzero_si128();
    for (;;) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(block, vsep), _mm_cmpeq_epi8(block, vle)), _mm_cmpeq_epi8(block, vnul))));
        char* next = p + 16;
        while (mask) {
            char* q = p + __builtin_ctz(mask);
            const char c = *q;
            if (c == '\0') {
                endReached_ = true;
                return;
            }
            if (c == le) {
                EndLine(q, fieldStart, literal);
                return;
            }
            AddField(fieldStart, q, literal);
            fieldStart = q + 1;
            literal = false;
            if (q[1] == quote) {
                next = openQuoted(q + 1);
                break;
            }
            mask &= mask - 1;
        }
        p = next;
    }
#else
    for (;;) {
        const char c = *p;
        if (c == '\0') {
            endReached_ = true;
            return;
        }
        if (c == le) {
            EndLine(p, fieldStart, literal);
            return;
        }
        if (c == sep) {
            AddField(fieldStart, p, literal);
            ++p;
            fieldStart = p;
            literal = false;
            if (*p == quote)
                p = openQuoted(p);
            continue;
        }
        ++p;
    }
#endif
}

size_t TCSVReader::UnquotedLength(const TCSVRawField& raw)
{
    if (raw.Length == 0)
        return 0;
    if (raw.Literal || raw.Start[0] != kQuote)
        return raw.Length;
    if (raw.Length < 2)
        return 0;
    size_t n = 0;
    const char* p = raw.Start + 1;
    const char* end = raw.Start + raw.Length - 1;
    while (p < end) {
        if (*p == kQuote && p + 1 < end && p[1] == kQuote)
            p += 2;
        else
            ++p;
        ++n;
    }
    return n;
}

size_t TCSVReader::Unquote(const TCSVRawField& raw, char* dst)
{
    if (raw.Length == 0)
        return 0;
    if (raw.Literal || raw.Start[0] != kQuote) {
        if (dst != raw.Start)
            std::memmove(dst, raw.Start, raw.Length);
        return raw.Length;
    }
    if (raw.Length < 2)
        return 0;
    const char* p = raw.Start + 1;
    const char* end = raw.Start + raw.Length - 1;
    char* out = dst;
    // dst <= p always holds, so the copy never overtakes the bytes still to be read.
    while (p < end) {
        const char* q = static_cast<const char*>(std::memchr(p, kQuote, static_cast<size_t>(end - p)));
        const char* stop = q ? q : end;
        const size_t n = static_cast<size_t>(stop - p);
        if (out != p)
            std::memmove(out, p, n);
        out += n;
        p = stop;
        if (!q)
            break;
        *out++ = kQuote;
        p += (p + 1 < end && p[1] == kQuote) ? 2 : 1;
    }
    return static_cast<size_t>(out - dst);
}

std::string TCSVReader::Field(int index) const
{
    if (index < 0 || index >= fieldCount_)
        return std::string();
    const TCSVRawField& raw = fields_[static_cast<size_t>(index)];
    std::string s(UnquotedLength(raw), '\0');
    if (!s.empty())
        Unquote(raw, s.data());
    return s;
}

} // namespace artikel
