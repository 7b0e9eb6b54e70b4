#pragma once

// Windows-1252 is the program's text encoding: every file and every cell is held as these bytes.
// This is the program's own table (no ICU), with the case mappings the comparison rules use.

#include <cstdint>
#include <string>
#include <string_view>

namespace artikel {

// Upper-case mapping: a-z -> A-Z, à-þ except ÷ -> À-Þ, š œ ž ÿ -> Š Œ Ž Ÿ; other bytes unchanged.
extern const unsigned char kAnsiUpper[256];
// Lower-case mapping: A-Z -> a-z, À-Þ except × -> à-þ, Š Œ Ž Ÿ -> š œ ž ÿ; other bytes unchanged.
extern const unsigned char kAnsiLower[256];

inline unsigned char AnsiUpperChar(unsigned char c) { return kAnsiUpper[c]; }
inline unsigned char AnsiLowerChar(unsigned char c) { return kAnsiLower[c]; }
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);

// Equal ignoring case by the upper-case mapping (lengths must match).
bool SameTextNoCase(std::string_view a, std::string_view b);
// Three-way comparison ignoring case by the upper-case mapping.
int CompareTextNoCase(std::string_view a, std::string_view b);
// True when text begins with prefix, ignoring case by the upper-case mapping (an empty prefix
// begins every text).
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// True when word occurs anywhere in text, ignoring case by the upper-case mapping (an empty word
// occurs in every text).
bool ContainsNoCase(std::string_view text, std::string_view word);

// The Unicode code point of a Windows-1252 byte. The five unassigned bytes (81 8D 8F 90 9D)
// map to the C1 control of the same value, as Windows does, so every byte survives a round trip.
char32_t Win1252ToUnicode(unsigned char c);
// The Windows-1252 byte of a code point, or -1 when the code page cannot hold it.
int UnicodeToWin1252(char32_t cp);

std::string Win1252ToUtf8(std::string_view ansi);
// Characters the code page cannot hold become `replacement`; malformed UTF-8 bytes too.
std::string Utf8ToWin1252(std::string_view utf8, char replacement = '?');
// Decodes UTF-16 code units to Windows-1252.
std::string Utf16ToWin1252(std::u16string_view utf16, char replacement = '?');
std::u16string Win1252ToUtf16(std::string_view ansi);

// True when the bytes are valid UTF-8 (an empty text is valid).
bool IsValidUtf8(std::string_view bytes);

} // namespace artikel
