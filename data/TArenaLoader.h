#pragma once

// Reads a CSV database into one arena of cells (the layout of TRowStore): the file is copied
// once into a buffer, tokenized there, and each line's cells are written back into the same
// buffer, unquoted, behind the read position. Big files are split between two cores.

#include "data/TArenaBuffer.h"
#include "data/TListRecordData.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace artikel {

struct TArenaLoad {
    // Used bytes of rows, then TRowStore::kArenaPadding readable bytes.
    TArenaBuffer Arena;
    size_t Used = 0;
    std::vector<uint32_t> Offsets;
    std::vector<uint8_t> Counts;
    std::array<std::string, kRecordCells> Headers;
    char Separator = ',';
    // Some line had more than kMaxLoadedFields fields (its row is empty, or no headers).
    bool TooManyFields = false;
};

// Raises EStreamError("OSError") when the file cannot be read. Files of at least
// `parallelMinimum` bytes are parsed on two threads.
TArenaLoad LoadArena(const std::filesystem::path& fileName, size_t parallelMinimum);

} // namespace artikel
