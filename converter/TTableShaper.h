#pragma once

// Where the table of a sheet or text file begins: suppliers put title lines ("Preisliste 2024",
// "Stand: 01.01.2024") and blank lines above the header row. TTableShaper sits between a
// spreadsheet/text reader and the writer, holds back the first rows until it has found the
// header row, drops the title rows above it and names them in a note.

#include "converter/TConvertSink.h"

#include <cstddef>
#include <string>
#include <vector>

namespace artikel::convert {

using TRows = std::vector<std::vector<std::string>>;

// Non-empty cells of a row (cells of blanks only count as empty).
std::size_t FilledCells(const std::vector<std::string>& row);

// Index of the header row among the first rows of a table: a row much narrower than the rows
// below it, followed by a row that holds no number (another title line or the header), is a
// title line and skipped. 0 when nothing is to be skipped.
std::size_t FindHeaderRow(const TRows& rows);

class TTableShaper : public TConvertSink {
public:
    // Rows looked at before the header is decided, and the most title rows skipped.
    static constexpr std::size_t kLookahead = 40;
    static constexpr std::size_t kMaxSkipped = 20;

    explicit TTableShaper(TConvertSink& out);

    void Row(const std::vector<std::string>& cells) override;
    void Note(const std::string& message) override;
    // Hands on what is still held back; call once the reader has delivered every row.
    void Finish();

private:
    void Decide();

    TConvertSink& out_;
    TRows held_;
    std::vector<std::string> heldNotes_;
    bool decided_ = false;
};

} // namespace artikel::convert
