#pragma once

// Reads a CSV or plain text file of unknown origin: detects the encoding (UTF-8 with or without
// BOM, UTF-16 LE/BE, else Windows-1252 or the DOS code page 850) and the separator (",", ";", TAB
// or "|", or the one an Excel "sep=X" first line declares), splits quoted fields (with separators
// and line breaks inside) and hands the rows, as Windows-1252, to a sink. "a, b, c" (a separator
// followed by blanks on every line) is split at the separator with the blanks dropped.

#include "converter/TConvertSink.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace artikel::convert {

enum class TTextEncoding { Utf8Bom, Utf8, Utf16Le, Utf16Be, Win1252, Cp850 };

class TTextCsvReader {
public:
    // fileName names the source in messages (UTF-8 / native).
    explicit TTextCsvReader(std::string fileName);

    void ReadFile(const std::filesystem::path& file, TConvertSink& sink);
    // Raises EConvertError when the bytes are empty or not text.
    void ReadBytes(std::string_view bytes, TConvertSink& sink);

    static TTextEncoding DetectEncoding(std::string_view bytes);
    // The text as Windows-1252 (BOM removed, NUL bytes dropped, unmappable characters "?").
    static std::string DecodeToWin1252(std::string_view bytes, TTextEncoding encoding);
    // The separator of Windows-1252 text; 0 when no candidate occurs (a single column).
    static char DetectSeparator(std::string_view text);
    // Whether the separator is followed by blanks on every line of the text ("a, b, c").
    static bool BlanksFollowSeparator(std::string_view text, char sep);

    // Largest number of cells of a row before the file is refused.
    static constexpr std::size_t kMaxCells = 16384;

private:
    std::string fileName_;
};

} // namespace artikel::convert
