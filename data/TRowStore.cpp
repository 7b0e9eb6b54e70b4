#include "data/TRowStore.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace artikel {

TRowStore::~TRowStore() = default;

void TRowStore::AdoptArenaRows(TArenaBuffer arena, size_t used, std::vector<uint32_t> offsets,
                               std::vector<uint8_t> counts)
{
    // Arena rows come first and in arena order: the filter maps a byte position to its row.
    if (!offsets_.empty() || offsets.size() != counts.size())
        throw std::logic_error("arena rows must come first");
    arena_ = std::move(arena);
    arenaUsed_ = used;
    if (arena_)
        std::memset(arena_.get() + used, 0, kArenaPadding);
    offsets_ = std::move(offsets);
    counts_ = std::move(counts);
    arenaRows_ = static_cast<uint32_t>(offsets_.size());
}

TRowId TRowStore::AddOwnedRow(std::unique_ptr<TListRecordData> row)
{
    if (offsets_.size() >= 0xFFFFFFF0u)
        throw std::length_error("too many rows");
    offsets_.push_back(static_cast<uint32_t>(owned_.size()));
    counts_.push_back(kOwned);
    owned_.push_back(std::move(row));
    return static_cast<TRowId>(offsets_.size() - 1);
}

void TRowStore::Release(TRowId row)
{
    if (row < offsets_.size() && counts_[row] == kOwned)
        owned_[offsets_[row]].reset();
}

void TRowStore::Clear()
{
    arena_.reset();
    arenaUsed_ = 0;
    arenaRows_ = 0;
    std::vector<uint32_t>().swap(offsets_);
    std::vector<uint8_t>().swap(counts_);
    owned_.clear();
}

const TListRecordData* TRowStore::Owned(TRowId row) const
{
    if (row >= offsets_.size() || counts_[row] != kOwned)
        return nullptr;
    return owned_[offsets_[row]].get();
}

int TRowStore::CellCount(TRowId row) const
{
    if (row >= offsets_.size())
        return 0;
    return counts_[row] == kOwned ? kRecordCells : counts_[row];
}

std::string_view TRowStore::Cell(TRowId row, int slot) const
{
    if (row >= offsets_.size() || slot < 0 || slot >= kRecordCells)
        return {};
    if (counts_[row] == kOwned) {
        const TListRecordData* r = owned_[offsets_[row]].get();
        return r ? std::string_view((*r)[static_cast<size_t>(slot)]) : std::string_view();
    }
    if (slot >= counts_[row])
        return {};
    const char* p = arena_.get() + offsets_[row];
    for (int i = 0; i < slot; ++i)
        p += std::strlen(p) + 1;
    return std::string_view(p, std::strlen(p));
}

bool TRowStore::HasNonEmptyCell(TRowId row) const
{
    if (row >= offsets_.size())
        return false;
    if (counts_[row] == kOwned) {
        const TListRecordData* r = owned_[offsets_[row]].get();
        if (!r)
            return false;
        for (const std::string& c : r->Cells)
            if (!c.empty())
                return true;
        return false;
    }
    // Empty cells are bare NULs: a row has a non-empty cell when it has more bytes than cells.
    return ArenaEnd(row) - offsets_[row] > counts_[row];
}

} // namespace artikel
