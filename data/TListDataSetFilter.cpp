// Filtering, locating and sorting of TListDataSet.

#include "data/TListDataSet.h"

#include "data/TRowMatcher.h"
#include "data/TextMatch.h"

#include <algorithm>
#include <thread>

namespace artikel {

namespace {

std::string_view Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

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

// Closes a DisableControls bracket also when an error leaves the scope.
class TControlsGuard {
public:
    explicit TControlsGuard(TListDataSet& ds) : ds_(ds) { ds_.DisableControls(); }
    ~TControlsGuard() { ds_.EnableControls(); }
    TControlsGuard(const TControlsGuard&) = delete;
    TControlsGuard& operator=(const TControlsGuard&) = delete;

private:
    TListDataSet& ds_;
};

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
    const std::string_view words = Trim(stripped);
    std::string pattern;
    if (!words.empty()) {
        const std::vector<std::string> tokens = SplitAtBlanks(words);
        for (size_t i = 0; i < tokens.size(); ++i) {
            if (i)
                pattern.push_back(' ');
            pattern += wrapTokens ? "*" + tokens[i] + "*" : tokens[i];
        }
    }
    const bool kept = SelectRows(Trim(column), pattern, everyToken, true);
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
    SortRows(View(), slot);
    NotifyRefreshed();
}

void TListDataSet::SortRows(std::vector<TRowId>& rows, int slot) const
{
    // Each row gets the folded first 8 bytes of its cell as one number; most comparisons end
    // there. Ties fall back to the full comparison and then to the old position, which keeps
    // the sort stable. Only row references move.
    struct Item {
        uint64_t key;
        uint32_t pos;
    };
    const size_t n = rows.size();
    if (n < 2)
        return;
    std::vector<std::string_view> cells(n);
    std::vector<Item> items(n);
    auto prepare = [&](size_t b, size_t e) {
        for (size_t i = b; i < e; ++i) {
            const std::string_view c = store_.Cell(rows[i], slot);
            cells[i] = c;
            uint64_t key = 0;
            const size_t m = std::min<size_t>(c.size(), 8);
            for (size_t k = 0; k < 8; ++k)
                key = (key << 8) | (k < m ? kSortFold[static_cast<unsigned char>(c[k])] : 0u);
            items[i] = Item{key, static_cast<uint32_t>(i)};
        }
    };
    auto less = [&cells](const Item& a, const Item& b) {
        if (a.key != b.key)
            return a.key < b.key;
        const int c = SortTextCompare(cells[a.pos], cells[b.pos]);
        if (c != 0)
            return c < 0;
        return a.pos < b.pos;
    };
    const bool twoCores = n >= 65536 && std::thread::hardware_concurrency() >= 2;
    if (twoCores) {
        const size_t half = n / 2;
        std::thread other([&] {
            prepare(half, n);
            std::sort(items.begin() + static_cast<ptrdiff_t>(half), items.end(), less);
        });
        prepare(0, half);
        std::sort(items.begin(), items.begin() + static_cast<ptrdiff_t>(half), less);
        other.join();
        std::inplace_merge(items.begin(), items.begin() + static_cast<ptrdiff_t>(half), items.end(), less);
    } else {
        prepare(0, n);
        std::sort(items.begin(), items.end(), less);
    }
    std::vector<TRowId> sorted(n);
    for (size_t i = 0; i < n; ++i)
        sorted[i] = rows[items[i].pos];
    rows.swap(sorted);
}

} // namespace artikel
