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

// Whether 8-bit text (no UTF-8) reads as CP850 rather than Windows-1252: umlauts and ß inside
// words decide (CP850's 0x81 0x84 0x94 0xE1 against Windows-1252's 0xFC 0xE4 0xF6 0xDF), then
// "m²"/"90°" and the bytes Windows-1252 leaves unassigned.
bool LooksLikeCp850(std::string_view bytes);

} // namespace artikel::convert
