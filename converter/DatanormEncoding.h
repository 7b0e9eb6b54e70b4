#pragma once

// The encoding of DATANORM text: nominally code page 850, in practice also Windows-1252 and
// UTF-8, and mixed within one file (a UTF-8 file with one cut sequence, lines of two code pages).

#include <string>
#include <string_view>

namespace artikel::convert {

enum class ETextEncoding {
    Ascii, // no byte above 0x7F
    Utf8, // the whole text is valid UTF-8
    Cp850, // one 8-bit code page for the whole text
    Win1252,
    Mixed, // decided per line: see DecodeMixedLines
};

// How strongly the bytes 0x80-0xFF of `text` read as CP850 rather than Windows-1252: positive
// for CP850, negative for Windows-1252. Each byte counts by what it is in either code page in
// German article text (umlauts and "ß" most, then signs such as "²", "°", "Ø", "µ", "€", other
// letters least; box drawing and unused bytes not at all), and a byte inside a word counts only
// where it is a letter.
int Cp850Evidence(std::string_view text);

ETextEncoding DetectTextEncoding(std::string_view bytes);

// Windows-1252 text of a mixed file, line by line: valid UTF-8 sequences as UTF-8 (the start of
// a cut one in such a line as "?"), other bytes by the code page the line's own bytes point to,
// else the one the whole file points to. Line breaks stay as they are.
std::string DecodeMixedLines(std::string_view bytes);

} // namespace artikel::convert
