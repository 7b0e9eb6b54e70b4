#pragma once

// What the grid's copy commands put on the clipboard. A copied row block is CSV with a header
// line (every value quoted, "," between, CR LF after every line), and the same cells as an HTML
// table so that a spreadsheet pastes them into cells. Texts are Windows-1252 bytes.

#include <string>
#include <vector>

namespace artikel {

class TI_DBGrid;
class TListDataSet;

// The fields of the grid's columns that are shown and bound to a field of its dataset, in display
// order: the columns a row copy holds.
std::vector<std::string> CopiedColumnFields(const TI_DBGrid& grid);

struct TCopiedRows {
    std::string text; // the CSV text
    std::string html; // a complete HTML document holding one table (UTF-8)
};

// The header and one line per view row of `rows`, in the order given. CR and LF are removed from
// the values of the data lines.
TCopiedRows CopyRowsText(const TListDataSet& dataSet, const std::vector<std::string>& fields,
                         const std::vector<int>& rows);

} // namespace artikel
