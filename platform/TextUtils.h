#pragma once

#include <string_view>

namespace artikel {

// The text without the blanks and control characters (bytes up to " ") at both ends.
inline std::string_view TrimText(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace artikel
