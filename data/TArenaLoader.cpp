#include "data/TArenaLoader.h"

#include "data/ParallelWork.h"
#include "data/TCSVReader.h"
#include "data/TReadOnlyFile.h"
#include "data/TRowStore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace artikel {

namespace {

// Huge pages where the system gives them: the buffer is touched end to end and kept.
TArenaBuffer AllocArena(size_t size)
{
    constexpr size_t kHuge = size_t(2) << 20;
    if (size >= 4 * kHuge) {
        const size_t rounded = (size + kHuge - 1) / kHuge * kHuge;
        if (void* p = std::aligned_alloc(kHuge, rounded)) {
            ::madvise(p, rounded, MADV_HUGEPAGE);
            return TArenaBuffer(static_cast<char*>(p));
        }
    }
    char* p = static_cast<char*>(std::malloc(size));
    if (!p)
        throw std::bad_alloc();
    return TArenaBuffer(p);
}

// The database file is read with pread into memory of our own (see TReadOnlyFile): a mapping
// would turn a file that another program shortens during the load into SIGBUS. Row offsets are
// 32 bits.
constexpr uint64_t kMaxFileSize = 0xFFFFFFFF;

// Copies a line to `dst` (never after `src`; the ranges may overlap) with every separator made
// a NUL, and a NUL behind it.
void MoveLineAsCells(char* dst, const char* src, size_t len, char sep)
{
    size_t i = 0;
#if defined(__SSE2__)
    // Stores stay within [dst, dst + len): bytes from there on may still be unread input.
    const __m128i vsep = _mm_set1_epi8(sep);
    for (; i + 16 <= len; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_andnot_si128(_mm_cmpeq_epi8(v, vsep), v));
    }
#endif
    for (; i < len; ++i) {
        const char c = src[i];
        dst[i] = c == sep ? '\0' : c;
    }
    dst[len] = '\0';
}

struct TRows {
    std::vector<uint32_t> offsets;
    std::vector<uint8_t> counts;
    size_t written = 0;
    bool tooMany = false;
};

// Turns the reader's lines, from its current one, into rows whose cells go to `out`. With
// `stop`, ends before the first line that does not lie wholly before it and returns whether
// that line begins exactly there; without, reads to the end and returns false.
bool ParseRows(TCSVReader& reader, char* out, const char* stop, TRows& rows)
{
    const char sep = reader.Separator();
    size_t w = rows.written;
    bool atStop = false;
    while (!reader.Eof()) {
        if (stop && (reader.CurrentLineStart() >= stop || reader.NextLineStart() > stop)) {
            atStop = reader.CurrentLineStart() == stop;
            break;
        }
        const int n = reader.FieldCount();
        rows.offsets.push_back(static_cast<uint32_t>(w));
        if (n > kMaxLoadedFields) {
            rows.tooMany = true;
            rows.counts.push_back(0);
        } else {
            if (n > 0 && !reader.LineHasQuotes()) {
                // Plain line: its fields cannot hold a separator, so moving the line and
                // turning each separator into a NUL gives the cells.
                const TCSVRawField& last = reader.RawField(n - 1);
                const char* start = reader.RawField(0).Start;
                const size_t len = static_cast<size_t>(last.Start + last.Length - start);
                MoveLineAsCells(out + w, start, len, sep);
                w += len + 1;
            } else {
                for (int i = 0; i < n; ++i) {
                    const size_t len = TCSVReader::Unquote(reader.RawField(i), out + w);
                    out[w + len] = '\0';
                    w += len + 1;
                }
            }
            rows.counts.push_back(static_cast<uint8_t>(n));
        }
        reader.Next();
    }
    rows.written = w;
    return atStop;
}

// The file's bytes in a fresh arena, ending with a line break; with two cores both halves are
// read (and their pages faulted in) at once.
struct TFileBytes {
    TArenaBuffer buffer;
    size_t size = 0;
    TCSVOptions options;
};

TFileBytes ReadDatabaseFile(const std::filesystem::path& fileName, size_t parallelMinimum)
{
    TReadOnlyFile file(fileName, kMaxFileSize);
    const size_t size = file.Size();
    TFileBytes bytes;
    bytes.buffer = AllocArena(size + 4 + std::max(TRowStore::kArenaPadding, TCSVReader::kBufferPadding));
    char* to = bytes.buffer.get();
    size_t got = 0;
    if (WorkerCount() >= 2 && size >= parallelMinimum && size >= 2) {
        const size_t half = size / 2;
        size_t second = 0;
        bool secondFailed = false;
        bool firstFailed = false;
        RunBoth([&] { firstFailed = !file.ReadAt(to, 0, half, got); },
                [&] { secondFailed = !file.ReadAt(to + half, half, size - half, second); });
        if (firstFailed || (got == half && secondFailed))
            throw EStreamError("OSError");
        // A file cut short meanwhile ends where the first hole is.
        if (got == half)
            got += second;
    } else if (size && !file.ReadAt(to, 0, size, got)) {
        throw EStreamError("OSError");
    }
    bytes.size = got;
    const std::string_view data(to, got);
    bytes.options = DetectCSVOptions(data);
    // The last line must end with a line break to be read.
    const std::string& lb = bytes.options.LineBreak;
    if (!(got >= lb.size() && data.substr(got - lb.size()) == lb)) {
        std::memcpy(to + got, lb.data(), lb.size());
        bytes.size += lb.size();
    }
    return bytes;
}

// Where a second core may start parsing: after a line end near the middle. That is a guess: when
// the first half's lines do not end exactly there (a quoted field spans it), the guess is dropped.
const char* GuessSplit(const TCSVReader& reader, const char* arena, size_t dataSize)
{
    const char* from = std::max<const char*>(reader.NextLineStart(), arena + dataSize / 2);
    if (const void* le = std::memchr(from, reader.LineEnd(), static_cast<size_t>(arena + dataSize - from))) {
        const char* candidate = static_cast<const char*>(le) + reader.LineBreakLength();
        if (candidate < arena + dataSize)
            return candidate;
    }
    return nullptr;
}

// Parses the rows from `split` on another core while this one parses up to it. The second half
// writes into a buffer of its own, so the shared bytes stay as they were until the guess is
// confirmed; then its rows are appended, else the first half reads on to the end.
void ParseInTwoHalves(TCSVReader& reader, char* arena, size_t dataSize, const char* split, TRows& first)
{
    TRows second;
    TArenaBuffer secondOut = AllocArena(static_cast<size_t>(arena + dataSize - split) + 2 + TRowStore::kArenaPadding);
    std::exception_ptr secondError;
    bool confirmed = false;
    RunBoth([&] { confirmed = ParseRows(reader, arena, split, first); },
            [&] {
                try {
                    TCSVReader part(reader, split);
                    part.First();
                    ParseRows(part, secondOut.get(), nullptr, second);
                } catch (...) {
                    // Matters only when the split was right: a wrong guess is parsed again.
                    secondError = std::current_exception();
                }
            });
    if (confirmed && secondError)
        std::rethrow_exception(secondError);
    if (!confirmed) {
        ParseRows(reader, arena, nullptr, first);
        return;
    }
    std::memcpy(arena + first.written, secondOut.get(), second.written);
    const uint32_t shift = static_cast<uint32_t>(first.written);
    first.offsets.reserve(first.offsets.size() + second.offsets.size());
    for (uint32_t o : second.offsets)
        first.offsets.push_back(o + shift);
    first.counts.insert(first.counts.end(), second.counts.begin(), second.counts.end());
    first.written += second.written;
    first.tooMany = first.tooMany || second.tooMany;
}

} // namespace

TArenaLoad LoadArena(const std::filesystem::path& fileName, size_t parallelMinimum)
{
    TArenaLoad load;
    TFileBytes bytes = ReadDatabaseFile(fileName, parallelMinimum);
    const size_t dataSize = bytes.size;
    load.Separator = bytes.options.Separator;

    TCSVReader reader(std::move(bytes.buffer), dataSize, bytes.options.Separator);
    if (bytes.options.LineBreak.size() == 1) {
        reader.SetLineEnd(bytes.options.LineBreak[0]);
        reader.SetLineBreakLength(1);
    }
    char* arena = reader.Buffer();

    reader.First();
    if (!reader.Eof()) {
        if (reader.FieldCount() > kMaxLoadedFields)
            load.TooManyFields = true;
        else
            for (int i = 0; i < reader.FieldCount(); ++i)
                load.Headers[static_cast<size_t>(i)] = reader.Field(i);
        reader.Next();
    }

    TRows rows;
    rows.offsets.reserve(dataSize / 96);
    rows.counts.reserve(dataSize / 96);
    const char* split = WorkerCount() >= 2 && dataSize >= parallelMinimum && !reader.Eof()
        ? GuessSplit(reader, arena, dataSize)
        : nullptr;
    if (split)
        ParseInTwoHalves(reader, arena, dataSize, split, rows);
    else
        ParseRows(reader, arena, nullptr, rows);

    TArenaBuffer cells = reader.ReleaseBuffer();
    // Give back what the raw text needed beyond the cells.
    if (char* shrunk = static_cast<char*>(std::realloc(cells.get(), rows.written + TRowStore::kArenaPadding))) {
        (void)cells.release(); // realloc took it over
        cells.reset(shrunk);
    }
    std::memset(cells.get() + rows.written, 0, TRowStore::kArenaPadding);
    load.Arena = std::move(cells);
    load.Used = rows.written;
    load.Offsets = std::move(rows.offsets);
    load.Counts = std::move(rows.counts);
    load.TooManyFields = load.TooManyFields || rows.tooMany;
    return load;
}

} // namespace artikel
