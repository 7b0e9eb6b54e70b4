// Filtering, locating and sorting of TListDataSet.

#include "data/ParallelWork.h"
#include "data/TListDataSet.h"
#include "data/TRowMatcher.h"
#include "data/TextMatch.h"
#include "platform/TextUtils.h"

#include <algorithm>
#include <functional>

namespace artikel {

namespace {

std::vector<std::string> SplitAtBlanks(std::string_view s)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t blank = s.find(' ', start);
        if (blank == std::string_view::npos) {
            parts.emplace_back(s.substr(start));
            return parts;
        }
        parts.emplace_back(s.substr(start, blank - start));
        start = blank + 1;
    }
}

} // namespace

bool TListDataSet::ApplyFilter(std::string_view findText, bool wrapTokens, bool everyToken)
{
    std::string_view column, value = findText;
    if (const size_t eq = findText.find('='); eq != std::string_view::npos) {
        column = findText.substr(0, eq);
        value = findText.substr(eq + 1, 100);
    }
    std::string stripped;
    stripped.reserve(value.size());
    for (char c : value)
        if (c != '*')
            stripped.push_back(c);
    // Empty search words drop the filter: no tokens, no pattern.
    const std::string_view words = TrimText(stripped);
    std::string pattern;
    if (!words.empty()) {
        const std::vector<std::string> tokens = SplitAtBlanks(words);
        for (size_t i = 0; i < tokens.size(); ++i) {
            if (i)
                pattern.push_back(' ');
            pattern += wrapTokens ? "*" + tokens[i] + "*" : tokens[i];
        }
    }
    const bool kept = SelectRows(TrimText(column), pattern, everyToken, true);
    filterText_ = std::string(findText);
    return kept;
}

bool TListDataSet::SelectRows(std::string_view column, std::string_view pattern, bool everyToken, bool keepAsFilter)
{
    TControlsGuard guard(*this);
    filtered_ = false;
    std::vector<TRowId>().swap(filteredRows_);
    NotifyRefreshed();
    if (!open_)
        return false;
    if (pattern.empty()) {
        RefreshView(true);
        return false;
    }
    const bool wildcard = pattern.find('*') != std::string_view::npos;
    int columnIndex = -1;
    if (!column.empty() && column != "*") {
        columnIndex = ColumnIndex(column);
        if (columnIndex < 0)
            throw EDataSetError(std::string(column) + " not found");
    }
    const std::vector<std::string> tokens = SplitAtBlanks(pattern);
    const size_t needed = everyToken ? tokens.size() : 1;

    TRowMatcher matcher(store_, columnIndex, wildcard);
    std::vector<TRowId> rows = matcher.Select(allRows_, tokens, needed);
    if (!keepAsFilter) {
        if (rows.empty())
            return false;
        // The first qualifying row of all rows becomes current.
        const auto it = std::find(allRows_.begin(), allRows_.end(), rows.front());
        SetRecNo(static_cast<int>(it - allRows_.begin()) + 1);
        return true;
    }
    const bool any = !rows.empty();
    filteredRows_ = std::move(rows);
    filteredInAllRowsOrder_ = true;
    filtered_ = true;
    RefreshView(true);
    return any;
}

int TListDataSet::ClearFilter()
{
    TControlsGuard guard(*this);
    const int kept = static_cast<int>(filteredRows_.size());
    filterText_.clear();
    filtered_ = false;
    std::vector<TRowId>().swap(filteredRows_);
    NotifyRefreshed();
    if (open_)
        RefreshView(false);
    return kept;
}

bool TListDataSet::Locate(std::string_view fieldName, std::string_view value)
{
    return SelectRows(fieldName, value, true, false);
}

void TListDataSet::SortByColumn(std::string_view fieldName)
{
    sortColumn_ = std::string(fieldName);
    if (!open_)
        return;
    TControlsGuard guard(*this);
    const int slot = ColumnIndex(fieldName);
    if (slot < 0)
        throw EDataSetError(std::string(fieldName) + " not found");
    // A filter keeps the order of all rows: when those are sorted by this column already, so
    // are the kept rows, and the stable sort would change nothing (typing with a sort in force).
    const bool inOrder = allRowsSortedBy_ == slot && (!filtered_ || filteredInAllRowsOrder_);
    if (!inOrder)
        SortRows(View(), slot);
    if (filtered_)
        filteredInAllRowsOrder_ = inOrder;
    else
        allRowsSortedBy_ = slot;
    NotifyRefreshed();
}

namespace {

struct TSortItem {
    uint64_t key;
    uint32_t pos;
};

inline bool operator<(const TSortItem& a, const TSortItem& b) { return a.key != b.key ? a.key < b.key : a.pos < b.pos; }

// Seven folded bytes of the text from `offset`, then how many bytes remain there (at most 8).
// Comparing such keys as numbers is comparing the texts by SortTextCompare over those bytes;
// equal keys with a remainder of 8 need the next seven bytes to decide.
inline uint64_t ChunkKey(std::string_view text, size_t offset)
{
    uint64_t key = 0;
    const size_t rest = text.size() > offset ? text.size() - offset : 0;
    const size_t m = std::min<size_t>(rest, 7);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data()) + offset;
    for (size_t k = 0; k < 7; ++k)
        key = (key << 8) | (k < m ? kSortFold[p[k]] : 0u);
    return (key << 8) | std::min<size_t>(rest, 8);
}

constexpr uint64_t kMoreFollows = 8;

// Sorts items[b, e) whose texts agree on their first `offset` bytes, by the rest of their
// texts, keeping the order of `pos` among equal texts.
void SortRange(std::vector<TSortItem>& items, const std::vector<std::string_view>& cells, size_t b, size_t e,
               size_t offset)
{
    struct Range {
        size_t b, e, offset;
    };
    std::vector<Range> work{{b, e, offset}};
    while (!work.empty()) {
        const Range r = work.back();
        work.pop_back();
        if (r.offset > 0)
            for (size_t i = r.b; i < r.e; ++i)
                items[i].key = ChunkKey(cells[items[i].pos], r.offset);
        std::sort(items.begin() + static_cast<ptrdiff_t>(r.b), items.begin() + static_cast<ptrdiff_t>(r.e));
        // Runs of equal keys whose texts go on are decided by their next bytes.
        for (size_t i = r.b; i < r.e;) {
            size_t j = i + 1;
            while (j < r.e && items[j].key == items[i].key)
                ++j;
            if (j - i > 1 && (items[i].key & 0xFF) == kMoreFollows)
                work.push_back({i, j, r.offset + 7});
            i = j;
        }
    }
}

// Many rows often share few distinct texts (a maker, a product name). Then the distinct texts
// are sorted, each row gets its text's rank, and a counting sort by rank keeps the rows' order
// among equal texts. Returns false, having done nothing, when the texts are mostly distinct.
bool SortByRanks(std::vector<TSortItem>& items, const std::vector<std::string_view>& cells)
{
    const size_t n = cells.size();
    const size_t sample = std::max<size_t>(n / 16, 1024);
    std::vector<uint32_t> table(1024, 0); // distinct index + 1; 0 is free
    std::vector<uint64_t> hashes;
    std::vector<uint32_t> representative; // position of the first row with the text
    std::vector<uint32_t> idOf(n);
    size_t mask = table.size() - 1;
    auto grow = [&] {
        std::vector<uint32_t> bigger(table.size() * 2, 0);
        const size_t m = bigger.size() - 1;
        for (uint32_t v : table)
            if (v) {
                size_t h = hashes[v - 1] & m;
                while (bigger[h])
                    h = (h + 1) & m;
                bigger[h] = v;
            }
        table.swap(bigger);
        mask = m;
    };
    const std::hash<std::string_view> hasher;
    for (size_t i = 0; i < n; ++i) {
        const std::string_view c = cells[i];
        const uint64_t h = hasher(c);
        size_t at = h & mask;
        for (;;) {
            const uint32_t v = table[at];
            if (!v) {
                hashes.push_back(h);
                representative.push_back(static_cast<uint32_t>(i));
                table[at] = static_cast<uint32_t>(representative.size());
                idOf[i] = static_cast<uint32_t>(representative.size() - 1);
                if (representative.size() * 2 > table.size())
                    grow();
                break;
            }
            if (hashes[v - 1] == h && cells[representative[v - 1]] == c) {
                idOf[i] = v - 1;
                break;
            }
            at = (at + 1) & mask;
        }
        if (i + 1 == sample && representative.size() * 4 > sample)
            return false;
    }
    if (representative.size() * 4 > n)
        return false;

    // Sort the distinct texts; texts that compare equal (only case or umlauts differ) share a rank.
    const size_t d = representative.size();
    std::vector<std::string_view> texts(d);
    std::vector<TSortItem> distinct(d);
    for (size_t k = 0; k < d; ++k) {
        texts[k] = cells[representative[k]];
        distinct[k] = TSortItem{ChunkKey(texts[k], 0), static_cast<uint32_t>(k)};
    }
    SortRange(distinct, texts, 0, d, 0);
    std::vector<uint32_t> rank(d);
    uint32_t r = 0;
    for (size_t k = 0; k < d; ++k) {
        if (k > 0 && SortTextCompare(texts[distinct[k - 1].pos], texts[distinct[k].pos]) != 0)
            ++r;
        rank[distinct[k].pos] = r;
    }
    std::vector<uint32_t> start(static_cast<size_t>(r) + 2, 0);
    for (size_t i = 0; i < n; ++i)
        ++start[rank[idOf[i]] + 1];
    for (size_t k = 1; k < start.size(); ++k)
        start[k] += start[k - 1];
    for (size_t i = 0; i < n; ++i)
        items[start[rank[idOf[i]]]++] = TSortItem{0, static_cast<uint32_t>(i)};
    return true;
}

} // namespace

void TListDataSet::SortRows(std::vector<TRowId>& rows, int slot) const
{
    // Rows are sorted as (key, old position) pairs, so equal texts keep their order (a stable
    // sort); only row references move.
    const size_t n = rows.size();
    if (n < 2)
        return;
    std::vector<std::string_view> cells(n);
    std::vector<TSortItem> items(n);
    // Finding a cell walks the row's earlier cells: each is looked up once.
    bool haveCells = false;
    auto prepare = [&](size_t b, size_t e) {
        for (size_t i = b; i < e; ++i) {
            if (!haveCells)
                cells[i] = store_.Cell(rows[i], slot);
            items[i] = TSortItem{ChunkKey(cells[i], 0), static_cast<uint32_t>(i)};
        }
    };
    const bool twoCores = n >= 65536 && WorkerCount() >= 2;
    if (n >= 4096) {
        for (size_t i = 0; i < n; ++i)
            cells[i] = store_.Cell(rows[i], slot);
        haveCells = true;
        if (SortByRanks(items, cells)) {
            std::vector<TRowId> sorted(n);
            for (size_t i = 0; i < n; ++i)
                sorted[i] = rows[items[i].pos];
            rows.swap(sorted);
            return;
        }
    }
    if (twoCores) {
        // Each core sorts one half; the halves are merged, then runs that tie on the first
        // bytes are refined.
        const size_t half = n / 2;
        RunBoth(
            [&] {
                prepare(0, half);
                std::sort(items.begin(), items.begin() + static_cast<ptrdiff_t>(half));
            },
            [&] {
                prepare(half, n);
                std::sort(items.begin() + static_cast<ptrdiff_t>(half), items.end());
            });
        std::inplace_merge(items.begin(), items.begin() + static_cast<ptrdiff_t>(half), items.end());
        std::vector<std::pair<size_t, size_t>> runs;
        for (size_t i = 0; i < n;) {
            size_t j = i + 1;
            while (j < n && items[j].key == items[i].key)
                ++j;
            if (j - i > 1 && (items[i].key & 0xFF) == kMoreFollows)
                runs.emplace_back(i, j);
            i = j;
        }
        // Split the refinement work between the cores by the number of rows.
        size_t total = 0;
        for (const auto& r : runs)
            total += r.second - r.first;
        size_t split = 0, acc = 0;
        while (split < runs.size() && acc * 2 < total)
            acc += runs[split].second - runs[split].first, ++split;
        RunBoth(
            [&] {
                for (size_t k = 0; k < split; ++k)
                    SortRange(items, cells, runs[k].first, runs[k].second, 7);
            },
            [&] {
                for (size_t k = split; k < runs.size(); ++k)
                    SortRange(items, cells, runs[k].first, runs[k].second, 7);
            });
    } else {
        prepare(0, n);
        SortRange(items, cells, 0, n, 0);
    }
    std::vector<TRowId> sorted(n);
    for (size_t i = 0; i < n; ++i)
        sorted[i] = rows[items[i].pos];
    rows.swap(sorted);
}

} // namespace artikel
