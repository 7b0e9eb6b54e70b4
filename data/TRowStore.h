#pragma once

// The rows of a dataset. A load keeps all cell bytes in one arena: each row is its cells one
// after the other, each followed by a NUL (cells never contain one), and a row is just its arena
// offset and cell count. Rows added later (AddRecord) are separate owned records.

#include "data/TArenaBuffer.h"
#include "data/TListRecordData.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace artikel {

using TRowId = uint32_t;

class TRowStore {
public:
    // Bytes the arena keeps readable after its last row, so that vector loads may overrun.
    static constexpr size_t kArenaPadding = 64;

    TRowStore() = default;
    ~TRowStore();
    TRowStore(const TRowStore&) = delete;
    TRowStore& operator=(const TRowStore&) = delete;

    // Takes a malloc'ed arena whose first `used` bytes are rows, with kArenaPadding bytes of
    // room behind them, and its rows (arena offset and cell count each); the store must be empty.
    void AdoptArenaRows(TArenaBuffer arena, size_t used, std::vector<uint32_t> offsets, std::vector<uint8_t> counts);
    TRowId AddOwnedRow(std::unique_ptr<TListRecordData> row);
    // Frees the row's own cells (arena rows keep their bytes until Clear).
    void Release(TRowId row);
    void Clear();

    std::string_view Cell(TRowId row, int slot) const;
    // Number of stored cells (slots beyond are empty).
    int CellCount(TRowId row) const;
    bool IsArenaRow(TRowId row) const { return row < arenaRows_; }
    bool HasNonEmptyCell(TRowId row) const;

    size_t RowCount() const { return offsets_.size(); }
    size_t ArenaRowCount() const { return arenaRows_; }
    const char* Arena() const { return arena_.get(); }
    size_t ArenaUsed() const { return arenaUsed_; }
    uint32_t ArenaOffset(TRowId row) const { return offsets_[row]; }
    // End of an arena row's bytes.
    uint32_t ArenaEnd(TRowId row) const
    {
        return row + 1 < arenaRows_ ? offsets_[row + 1] : static_cast<uint32_t>(arenaUsed_);
    }
    const TListRecordData* Owned(TRowId row) const;

private:
    static constexpr uint8_t kOwned = 0xFF;

    TArenaBuffer arena_;
    size_t arenaUsed_ = 0;
    uint32_t arenaRows_ = 0;
    // Arena rows: offset and cell count. Owned rows: index into owned_ and kOwned.
    std::vector<uint32_t> offsets_;
    std::vector<uint8_t> counts_;
    std::vector<std::unique_ptr<TListRecordData>> owned_;
};

} // namespace artikel
