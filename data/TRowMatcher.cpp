#include "data/TRowMatcher.h"

#include "data/ParallelWork.h"
#include "data/TextMatch.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ARTIKEL_X86 1
#endif

namespace artikel {

namespace {

using u8 = unsigned char;

// Fewer rows than this are matched on one thread: starting another costs more.
constexpr size_t kParallelMinimum = 4096;

// Both byte values that the upper-case mapping folds together with c (c twice when alone).
void CaseVariants(u8 c, u8& a, u8& b)
{
    a = b = c;
    for (int x = 0; x < 256; ++x)
        if (x != c && kAnsiUpper[x] == kAnsiUpper[c])
            b = static_cast<u8>(x);
}

// Candidate positions h in [from, to) where text[h] is f1/f2 and text[h + lastOff] is l1/l2.
// onHit(h) returns where to go on (h + 1 to take the next candidate). Reads up to 31 bytes past
// to + lastOff: the caller guarantees that they are readable.
template <class OnHit>
void ScanScalar(const u8* text, size_t from, size_t to, size_t lastOff, const u8 v[4], OnHit& onHit)
{
    size_t i = from;
    while (i < to) {
        const u8 c = text[i];
        if ((c == v[0] || c == v[1]) && (text[i + lastOff] == v[2] || text[i + lastOff] == v[3]))
            i = onHit(i);
        else
            ++i;
    }
}

#ifdef ARTIKEL_X86
template <class OnHit>
void ScanSse2(const u8* text, size_t from, size_t to, size_t lastOff, const u8 v[4], OnHit& onHit)
{
    const __m128i f1 = _mm_set1_epi8(static_cast<char>(v[0])), f2 = _mm_set1_epi8(static_cast<char>(v[1]));
    const __m128i l1 = _mm_set1_epi8(static_cast<char>(v[2])), l2 = _mm_set1_epi8(static_cast<char>(v[3]));
    size_t i = from;
    while (i < to) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + lastOff));
        const __m128i m = _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(a, f1), _mm_cmpeq_epi8(a, f2)),
                                        _mm_or_si128(_mm_cmpeq_epi8(b, l1), _mm_cmpeq_epi8(b, l2)));
        uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(m));
        if (to - i < 16)
            mask &= (1u << (to - i)) - 1;
        // The next block, unless a hit sends the scan beyond it.
        size_t next = i + 16;
        while (mask) {
            const size_t h = i + static_cast<size_t>(__builtin_ctz(mask));
            const size_t resume = onHit(h);
            if (resume > h + 1) {
                if (resume < i + 16) {
                    // Keep the candidates of this block that lie at or after the resume point.
                    mask &= ~((1u << (resume - i)) - 1);
                    continue;
                }
                next = resume;
                break;
            }
            mask &= mask - 1;
        }
        i = next;
    }
}

template <class OnHit>
__attribute__((target("avx2"))) void ScanAvx2(const u8* text, size_t from, size_t to, size_t lastOff, const u8 v[4],
                                              OnHit& onHit)
{
    const __m256i f1 = _mm256_set1_epi8(static_cast<char>(v[0])), f2 = _mm256_set1_epi8(static_cast<char>(v[1]));
    const __m256i l1 = _mm256_set1_epi8(static_cast<char>(v[2])), l2 = _mm256_set1_epi8(static_cast<char>(v[3]));
    size_t i = from;
    while (i < to) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i + lastOff));
        const __m256i m = _mm256_and_si256(_mm256_or_si256(_mm256_cmpeq_epi8(a, f1), _mm256_cmpeq_epi8(a, f2)),
                                           _mm256_or_si256(_mm256_cmpeq_epi8(b, l1), _mm256_cmpeq_epi8(b, l2)));
        uint64_t mask = static_cast<uint32_t>(_mm256_movemask_epi8(m));
        if (to - i < 32)
            mask &= (uint64_t(1) << (to - i)) - 1;
        size_t next = i + 32;
        while (mask) {
            const size_t h = i + static_cast<size_t>(__builtin_ctzll(mask));
            const size_t resume = onHit(h);
            if (resume > h + 1) {
                if (resume < i + 32) {
                    mask &= ~((uint64_t(1) << (resume - i)) - 1);
                    continue;
                }
                next = resume;
                break;
            }
            mask &= mask - 1;
        }
        i = next;
    }
}

bool HaveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}
#endif

template <class OnHit>
void Scan(const u8* text, size_t from, size_t to, size_t lastOff, const u8 v[4], OnHit& onHit)
{
    if (from >= to)
        return;
#ifdef ARTIKEL_X86
    if (HaveAvx2())
        ScanAvx2(text, from, to, lastOff, v, onHit);
    else
        ScanSse2(text, from, to, lastOff, v, onHit);
#else
    ScanScalar(text, from, to, lastOff, v, onHit);
#endif
}

} // namespace

struct TRowMatcher::Plan {
    enum Kind {
        Never, // matches no cell
        AnyNonEmpty, // only stars: every cell matches
        Substring, // "*core*": core somewhere in the cell, "?" any one character
        Exact, // the whole cell, ignoring case
        Reference, // anything else: GlobMatch cell by cell
    };
    Kind kind = Reference;
    std::string token;
    std::string core;
    bool qWild = false;
    size_t anchorOff = 0;
    size_t anchorLen = 0;
    u8 variants[4] = {0, 0, 0, 0};
    // For the linear search once candidates are dense: the core's literal runs (between "?"s)
    // upper-cased with their prefix functions, or shift-and bit masks per byte value where
    // they are cheaper (short cores with many "?").
    struct Literal {
        size_t off = 0;
        std::string folded;
        std::vector<uint32_t> border;
    };
    std::vector<Literal> literals;
    std::vector<uint64_t> masks;
    size_t words = 0;
};

TRowMatcher::TRowMatcher(const TRowStore& store, int column, bool wildcard)
    : store_(store),
      column_(column),
      wildcard_(wildcard)
{
    threads_ = WorkerCount();
}

TRowMatcher::Plan TRowMatcher::MakePlan(const std::string& token) const
{
    Plan plan;
    plan.token = token;
    const bool hasNul = token.find('\0') != std::string::npos;
    if (!wildcard_) {
        plan.kind = token.empty() ? Plan::Never : (hasNul ? Plan::Reference : Plan::Exact);
        plan.core = token;
        plan.qWild = false;
    } else {
        if (token.find_first_not_of('*') == std::string::npos) {
            plan.kind = token.empty() ? Plan::Never : Plan::AnyNonEmpty;
            return plan;
        }
        if (hasNul)
            return plan;
        if (token.find('*') == std::string::npos) {
            // No star: the whole cell, "?" standing for any one character.
            plan.kind = Plan::Exact;
            plan.core = token;
        } else {
            const bool wrapped = token.size() >= 3 && token.front() == '*' && token.back() == '*' &&
                token.find('*', 1) == token.size() - 1;
            if (!wrapped)
                return plan;
            plan.kind = Plan::Substring;
            plan.core = token.substr(1, token.size() - 2);
        }
        plan.qWild = true;
    }
    if (plan.kind != Plan::Substring && plan.kind != Plan::Exact)
        return plan;
    // Anchor the search on the longest literal run of the core.
    size_t bestOff = 0, bestLen = 0;
    for (size_t i = 0; i < plan.core.size();) {
        if (plan.qWild && plan.core[i] == '?') {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < plan.core.size() && !(plan.qWild && plan.core[j] == '?'))
            ++j;
        if (j - i > bestLen) {
            bestLen = j - i;
            bestOff = i;
        }
        i = j;
    }
    if (bestLen == 0) {
        plan.kind = Plan::Reference;
        return plan;
    }
    plan.anchorOff = bestOff;
    plan.anchorLen = bestLen;
    PrepareLinear(plan);
    CaseVariants(static_cast<u8>(plan.core[bestOff]), plan.variants[0], plan.variants[1]);
    CaseVariants(static_cast<u8>(plan.core[bestOff + bestLen - 1]), plan.variants[2], plan.variants[3]);
    return plan;
}

void TRowMatcher::PrepareLinear(Plan& plan)
{
    const std::string& core = plan.core;
    const size_t m = core.size();
    for (size_t i = 0; i < m;) {
        if (plan.qWild && core[i] == '?') {
            ++i;
            continue;
        }
        Plan::Literal lit;
        lit.off = i;
        while (i < m && !(plan.qWild && core[i] == '?'))
            lit.folded.push_back(static_cast<char>(kAnsiUpper[static_cast<u8>(core[i++])]));
        lit.border.assign(lit.folded.size(), 0);
        for (size_t j = 1, k = 0; j < lit.folded.size(); ++j) {
            while (k > 0 && lit.folded[j] != lit.folded[k])
                k = lit.border[k - 1];
            if (lit.folded[j] == lit.folded[k])
                ++k;
            lit.border[j] = static_cast<uint32_t>(k);
        }
        plan.literals.push_back(std::move(lit));
    }
    const bool hasQ = plan.literals.size() != 1 || plan.literals[0].folded.size() != m;
    const size_t words = (m + 63) / 64;
    if (hasQ && words <= 2 * plan.literals.size()) {
        // Shift-and costs a word per 64 bytes of the core, the literal runs a pass each.
        plan.words = words;
        plan.masks.assign(256 * words, 0);
        for (size_t j = 0; j < m; ++j) {
            const u8 c = static_cast<u8>(core[j]);
            for (int t = 1; t < 256; ++t)
                if (c == '?' || kAnsiUpper[t] == kAnsiUpper[c])
                    plan.masks[size_t(t) * words + j / 64] |= uint64_t(1) << (j % 64);
        }
    }
}

bool TRowMatcher::CellMatches(const Plan& plan, std::string_view cell) const
{
    if (plan.kind == Plan::Never)
        return false;
    if (plan.kind == Plan::AnyNonEmpty)
        return true;
    return wildcard_ ? GlobMatch(cell, plan.token) : (!cell.empty() && SameTextNoCase(cell, plan.token));
}

bool TRowMatcher::RowMatchesReference(TRowId row, const std::string& token) const
{
    auto match = [&](std::string_view cell) {
        return wildcard_ ? GlobMatch(cell, token) : (!cell.empty() && SameTextNoCase(cell, token));
    };
    if (column_ >= 0 && !match(store_.Cell(row, column_)))
        return false;
    for (int slot = 0; slot < kRecordCells; ++slot) {
        const std::string_view cell = store_.Cell(row, slot);
        if (!cell.empty() && match(cell))
            return true;
    }
    return false;
}

bool TRowMatcher::RowMatches(TRowId row, const std::string& token) const
{
    return RowMatchesPlan(MakePlan(token), row);
}

namespace {

// Compares the core with the text at `start`; `cost` grows by the bytes compared.
template <class Plan>
inline bool CoreAt(const Plan& plan, const u8* text, size_t start, size_t& cost)
{
    const std::string& core = plan.core;
    const size_t n = core.size();
    for (size_t i = 0; i < n; ++i) {
        const u8 c = static_cast<u8>(core[i]);
        const u8 t = text[start + i];
        if (plan.qWild && c == '?') {
            if (t == 0) {
                cost += i + 1;
                return false;
            }
        } else if (kAnsiUpper[t] != kAnsiUpper[c]) {
            cost += i + 1;
            return false;
        }
    }
    cost += n;
    return true;
}

// Is the core at `start` a whole cell (cells end in NUL; the arena starts with a cell)?
inline bool WholeCellAt(const u8* text, size_t start, size_t n)
{
    return (start == 0 || text[start - 1] == 0) && text[start + n] == 0;
}

// Calls onFound(s) for every s in [from, to) where the literal starts (prefix function over
// upper-cased bytes); onFound returns where to go on (s + 1 for the next place). Reads text up to
// to + literal size - 1. Returns where the caller goes on (at least `to`).
template <class Literal, class OnFound>
size_t FindLiteral(const Literal& lit, const u8* text, size_t from, size_t to, OnFound& onFound)
{
    const u8* pat = reinterpret_cast<const u8*>(lit.folded.data());
    const size_t m = lit.folded.size();
    size_t i = from, j = 0; // j bytes of the literal match before i
    while (i - j < to) {
        const u8 c = kAnsiUpper[text[i]];
        while (j > 0 && pat[j] != c)
            j = lit.border[j - 1];
        if (pat[j] == c)
            ++j;
        ++i;
        if (j == m) {
            const size_t s = i - m;
            const size_t resume = onFound(s);
            if (resume > s + 1) {
                if (resume >= to)
                    return resume;
                i = resume;
                j = 0;
            } else {
                j = lit.border[m - 1];
            }
        }
    }
    return to;
}

// Calls onMatch(s) for every s in [from, to) where the core matches; onMatch returns where to go
// on (s + 1 for the next place). Linear in the text: the prefix function over the core, or over
// each literal run of a core with "?" (their places intersected as bit sets), or shift-and.
// Reads text up to to + core size - 1. Returns where the caller goes on (at least `to`).
template <class Plan, class OnMatch>
size_t FindLinear(const Plan& plan, const u8* text, size_t from, size_t to, OnMatch& onMatch)
{
    const size_t m = plan.core.size();
    if (from >= to)
        return to;
    if (plan.words == 0 && plan.literals.size() == 1 && plan.literals[0].folded.size() == m)
        return FindLiteral(plan.literals[0], text, from, to, onMatch);
    if (plan.words == 0) {
        const size_t n = to - from;
        std::vector<uint64_t> all((n + 63) / 64, ~uint64_t(0)), one(all.size());
        for (const auto& lit : plan.literals) {
            std::fill(one.begin(), one.end(), 0);
            auto mark = [&](size_t p) -> size_t {
                const size_t s = p - lit.off - from;
                one[s / 64] |= uint64_t(1) << (s % 64);
                return p + 1;
            };
            FindLiteral(lit, text, from + lit.off, to + lit.off, mark);
            for (size_t k = 0; k < all.size(); ++k)
                all[k] &= one[k];
        }
        // A "?" stands for a character, never for the end of a cell.
        size_t nul = from;
        for (size_t k = 0; k < all.size(); ++k) {
            while (uint64_t bits = all[k]) {
                const size_t s = from + k * 64 + static_cast<size_t>(__builtin_ctzll(bits));
                all[k] &= bits - 1;
                if (s >= to)
                    return to;
                if (nul < s)
                    nul = s;
                if (const void* z = std::memchr(text + nul, 0, s + m - nul)) {
                    nul = static_cast<size_t>(static_cast<const u8*>(z) - text);
                    continue;
                }
                nul = s + m;
                const size_t resume = onMatch(s);
                if (resume > s + 1) {
                    if (resume >= to)
                        return resume;
                    // Drop the places before the resume point.
                    const size_t r = resume - from;
                    for (size_t q = k; q < r / 64; ++q)
                        all[q] = 0;
                    all[r / 64] &= ~((uint64_t(1) << (r % 64)) - 1);
                    k = r / 64;
                }
            }
        }
        return to;
    }
    const size_t w = plan.words;
    const uint64_t top = uint64_t(1) << ((m - 1) % 64);
    std::vector<uint64_t> d(w, 0);
    for (size_t i = from; i + 1 < to + m; ++i) {
        const uint64_t* mask = plan.masks.data() + size_t(text[i]) * w;
        uint64_t carry = 1;
        for (size_t k = 0; k < w; ++k) {
            const uint64_t next = (d[k] << 1) | carry;
            carry = d[k] >> 63;
            d[k] = next & mask[k];
        }
        if (d[w - 1] & top) {
            const size_t s = i + 1 - m;
            const size_t resume = onMatch(s);
            if (resume > s + 1) {
                if (resume >= to)
                    return resume;
                std::fill(d.begin(), d.end(), 0);
                i = resume - 1;
            }
        }
    }
    return to;
}

// Calls onMatch(s) for every s in [from, to) where the core matches, as FindLinear does. The
// vectorised scan for the anchor's first and last bytes finds the candidates; where they come so
// thick that checking them costs more than a linear search, one takes over for a stretch.
template <class Plan, class OnMatch>
void FindCore(const Plan& plan, const u8* text, size_t from, size_t to, OnMatch& onMatch)
{
    if (from >= to)
        return;
    const size_t m = plan.core.size();
    const size_t slack = 4096 + 8 * m;
    size_t since = from, cost = 0;
    auto onHit = [&](size_t h) -> size_t {
        const size_t s = h - plan.anchorOff;
        if (CoreAt(plan, text, s, cost)) {
            const size_t resume = onMatch(s);
            if (resume > s + 1)
                return resume + plan.anchorOff;
        }
        if (cost > 4 * (s - since) + slack) {
            const size_t end = std::min(to, s + 65536 + 8 * m);
            const size_t resume = FindLinear(plan, text, s + 1, end, onMatch);
            since = resume;
            cost = 0;
            return resume + plan.anchorOff;
        }
        return h + 1;
    };
    Scan(text, from + plan.anchorOff, to + plan.anchorOff, plan.anchorLen - 1, plan.variants, onHit);
}

// Does the plan's core occur in the arena bytes [lo, hi) (one row or one cell)?
template <class Plan>
bool SpanMatches(const Plan& plan, const u8* text, size_t lo, size_t hi, bool whole)
{
    const size_t m = plan.core.size();
    if (hi - lo < m)
        return false;
    bool found = false;
    auto onMatch = [&](size_t s) -> size_t {
        if (whole && !WholeCellAt(text, s, m))
            return s + 1;
        found = true;
        return hi + 1;
    };
    FindCore(plan, text, lo, hi - m + 1, onMatch);
    return found;
}

} // namespace

bool TRowMatcher::RowMatchesPlan(const Plan& plan, TRowId row) const
{
    const bool fast = store_.IsArenaRow(row) && (plan.kind != Plan::Reference);
    if (!fast)
        return RowMatchesReference(row, plan.token);
    if (plan.kind == Plan::Never)
        return false;
    const u8* text = reinterpret_cast<const u8*>(store_.Arena());
    const bool whole = plan.kind == Plan::Exact;
    if (column_ >= 0) {
        const std::string_view cell = store_.Cell(row, column_);
        if (plan.kind == Plan::AnyNonEmpty) {
            // Every cell matches, the empty named one too: some non-empty cell must exist.
            return store_.HasNonEmptyCell(row);
        }
        // Cells of arena rows lie in the arena, NUL-terminated.
        const size_t lo = static_cast<size_t>(reinterpret_cast<const u8*>(cell.data()) - text);
        return !cell.empty() && SpanMatches(plan, text, lo, lo + cell.size(), whole);
    }
    if (plan.kind == Plan::AnyNonEmpty)
        return store_.HasNonEmptyCell(row);
    return SpanMatches(plan, text, store_.ArenaOffset(row), store_.ArenaEnd(row), whole);
}

void TRowMatcher::ScanArena(const Plan& plan, std::vector<uint8_t>& hitById) const
{
    const u8* text = reinterpret_cast<const u8*>(store_.Arena());
    const size_t used = store_.ArenaUsed();
    const size_t rows = store_.ArenaRowCount();
    hitById.assign(rows, 0);
    if (rows == 0 || used < plan.core.size())
        return;
    const bool whole = plan.kind == Plan::Exact;
    const size_t m = plan.core.size();
    ParallelFor(rows, threads_, kParallelMinimum, [&](size_t rb, size_t re) {
        const size_t lo = store_.ArenaOffset(static_cast<TRowId>(rb));
        const size_t hi = store_.ArenaEnd(static_cast<TRowId>(re - 1));
        if (hi - lo < m)
            return;
        size_t row = rb;
        // With a named column: how many cells of `row` end before `counted`.
        size_t counted = lo;
        int cellsBefore = 0;
        auto onMatch = [&](size_t start) -> size_t {
            if (whole && !WholeCellAt(text, start, m))
                return start + 1;
            if (store_.ArenaEnd(static_cast<TRowId>(row)) <= start) {
                while (store_.ArenaEnd(static_cast<TRowId>(row)) <= start)
                    ++row;
                counted = store_.ArenaOffset(static_cast<TRowId>(row));
                cellsBefore = 0;
            }
            if (column_ >= 0) {
                // Only a match inside the named cell counts: the cell index is the number of
                // cell ends (NULs) before the match in its row, counted on from the last match.
                for (; counted < start; ++counted)
                    cellsBefore += text[counted] == 0;
                if (cellsBefore != column_)
                    return start + 1;
            }
            hitById[row] = 1;
            // The rest of this row cannot change the answer.
            return store_.ArenaEnd(static_cast<TRowId>(row));
        };
        FindCore(plan, text, lo, hi - m + 1, onMatch);
    });
}

std::vector<uint8_t> TRowMatcher::Evaluate(const Plan& plan, const std::vector<TRowId>& rows) const
{
    std::vector<uint8_t> flags(rows.size(), 0);
    const size_t arenaRows = store_.ArenaRowCount();
    // When the rows to check are a good part of all rows, all arena rows are checked in arena
    // order (sequential memory, and one scan over all bytes where the token allows it): a sorted
    // view visits the arena at random.
    if (arenaRows > 0 && rows.size() * 8 >= arenaRows && plan.kind != Plan::Reference) {
        std::vector<uint8_t> hitById;
        if (plan.kind == Plan::Substring || plan.kind == Plan::Exact) {
            ScanArena(plan, hitById);
        } else {
            hitById.assign(arenaRows, 0);
            ParallelFor(arenaRows, threads_, kParallelMinimum, [&](size_t b, size_t e) {
                for (size_t id = b; id < e; ++id)
                    hitById[id] = RowMatchesPlan(plan, static_cast<TRowId>(id));
            });
        }
        ParallelFor(rows.size(), threads_, kParallelMinimum, [&](size_t b, size_t e) {
            for (size_t i = b; i < e; ++i) {
                const TRowId r = rows[i];
                flags[i] = store_.IsArenaRow(r) ? hitById[r] : RowMatchesReference(r, plan.token);
            }
        });
        return flags;
    }
    ParallelFor(rows.size(), threads_, kParallelMinimum, [&](size_t b, size_t e) {
        for (size_t i = b; i < e; ++i)
            flags[i] = RowMatchesPlan(plan, rows[i]);
    });
    return flags;
}

std::vector<TRowId> TRowMatcher::Select(const std::vector<TRowId>& rows, const std::vector<std::string>& tokens,
                                        size_t needed) const
{
    if (tokens.empty() || needed == 0)
        return {};
    if (needed >= tokens.size()) {
        // Every token: narrow the candidates token by token.
        std::vector<TRowId> candidates = rows;
        for (const std::string& token : tokens) {
            if (candidates.empty())
                break;
            const Plan plan = MakePlan(token);
            const std::vector<uint8_t> flags = Evaluate(plan, candidates);
            size_t k = 0;
            for (size_t i = 0; i < candidates.size(); ++i)
                if (flags[i])
                    candidates[k++] = candidates[i];
            candidates.resize(k);
        }
        return candidates;
    }
    // Any one token.
    std::vector<uint8_t> matched(rows.size(), 0);
    std::vector<TRowId> open = rows;
    std::vector<size_t> openIndex(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        openIndex[i] = i;
    for (const std::string& token : tokens) {
        if (open.empty())
            break;
        const Plan plan = MakePlan(token);
        const std::vector<uint8_t> flags = Evaluate(plan, open);
        size_t k = 0;
        for (size_t i = 0; i < open.size(); ++i) {
            if (flags[i]) {
                matched[openIndex[i]] = 1;
            } else {
                open[k] = open[i];
                openIndex[k] = openIndex[i];
                ++k;
            }
        }
        open.resize(k);
        openIndex.resize(k);
    }
    std::vector<TRowId> out;
    for (size_t i = 0; i < rows.size(); ++i)
        if (matched[i])
            out.push_back(rows[i]);
    return out;
}

} // namespace artikel
