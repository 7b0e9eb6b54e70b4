#pragma once

// Small text helpers of the converter's messages.

#include "platform/Win1252.h"

#include <filesystem>
#include <string>

namespace artikel::convert {

// A path or file name as Windows-1252 text for a message (native names are UTF-8 here).
inline std::string NativeToWin1252(const std::filesystem::path& p) { return Utf8ToWin1252(p.string()); }

} // namespace artikel::convert
