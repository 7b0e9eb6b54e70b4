#pragma once

// Finds the rows that match the tokens of a filter or locate. A token is checked against the
// cells as a whole-cell wildcard pattern (when any token of the pattern has a "*") or for equality
// ignoring case. The common forms are found by a vectorised search over the whole arena of a load
// on both cores; everything else is checked cell by cell.

#include "data/TRowStore.h"

#include <string>
#include <vector>

namespace artikel {

class TRowMatcher {
public:
    TRowMatcher(const TRowStore& store, int column, bool wildcard);

    // The rows of `rows` (in their order) that match `needed` of the tokens: all of them when
    // `needed` equals their number, else any one.
    std::vector<TRowId> Select(const std::vector<TRowId>& rows, const std::vector<std::string>& tokens,
                               size_t needed) const;

    // The straightforward definition, row by row: does the token match the row?
    bool RowMatchesReference(TRowId row, const std::string& token) const;
    // The same through the fast machinery, for one row.
    bool RowMatches(TRowId row, const std::string& token) const;

    // Threads a scan may use (defaults to the hardware's, at most 2).
    void SetThreads(int threads) { threads_ = threads < 1 ? 1 : threads; }

private:
    struct Plan;
    Plan MakePlan(const std::string& token) const;
    static void PrepareLinear(Plan& plan);
    bool CellMatches(const Plan& plan, std::string_view cell) const;
    bool RowMatchesPlan(const Plan& plan, TRowId row) const;
    // One flag per entry of `rows`.
    std::vector<uint8_t> Evaluate(const Plan& plan, const std::vector<TRowId>& rows) const;
    void ScanArena(const Plan& plan, std::vector<uint8_t>& hitById) const;

    const TRowStore& store_;
    int column_;
    bool wildcard_;
    int threads_;
};

} // namespace artikel
