#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace artikel {

// Number of cells of a row; a load fills at most the first kMaxLoadedFields of them.
constexpr int kRecordCells = 101;
constexpr int kMaxLoadedFields = 100;

// A row that a caller builds and hands to a dataset (AddRecord); it owns its cell texts.
// An empty text means no value.
class TListRecordData {
public:
    std::string& operator[](size_t slot) { return Cells[slot]; }
    const std::string& operator[](size_t slot) const { return Cells[slot]; }

    std::array<std::string, kRecordCells> Cells;
};

} // namespace artikel
