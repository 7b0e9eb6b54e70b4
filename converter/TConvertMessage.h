#pragma once

// Building the user's messages of the source readers: written here in UTF-8, raised as
// Windows-1252 like all the program's text.

#include "converter/TConvertSink.h"
#include "platform/Win1252.h"

#include <string>
#include <string_view>

namespace artikel::convert {

// "Die Datei „name“ " + what (UTF-8 parts), as an EConvertError.
[[noreturn]] inline void FailFile(std::string_view fileName, std::string_view what)
{
    std::string text = "Die Datei „";
    text.append(fileName).append("“ ").append(what);
    throw EConvertError(Utf8ToWin1252(text));
}

} // namespace artikel::convert
