#pragma once

// Code page 850 (DOS Western Europe), the nominal encoding of DATANORM files.

#include <string>
#include <string_view>

namespace artikel::convert {

// Windows-1252 byte for every CP850 byte. Box-drawing characters become plain ASCII look-alikes,
// 0xFF (non-breaking space) a blank, characters Windows-1252 lacks "?". 0xD5 is taken as the euro
// sign of CP858, which German price files use far more often than the dotless i of plain CP850.
extern const unsigned char kCp850ToWin1252[256];

std::string Cp850ToWin1252(std::string_view cp850);

} // namespace artikel::convert
