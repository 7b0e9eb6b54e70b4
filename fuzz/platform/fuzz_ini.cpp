// Arbitrary bytes as a settings file: parse, look keys up, change some, write back, re-read.

#include "platform/FileRetry.h"
#include "platform/TFastIniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace artikel;

namespace {

std::string Normalized(std::string_view bytes)
{
    if (const std::size_t nul = bytes.find('\0'); nul != std::string_view::npos)
        bytes = bytes.substr(0, nul);
    std::string out;
    for (const std::string& line : SplitLines(bytes))
        out += line + "\r\n";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const unsigned flags = size ? data[0] : 0;

    TFastIniFile ini(""); // no file: nothing touches the disk
    ini.SetCaseSensitive(flags & 1);
    ini.SetLocaleCaseFolding(flags & 2);
    ini.SetStripQuotes(flags & 4);
    ini.LoadFromText(bytes);

    // Names to try: pieces of the input itself, so that existing sections and keys are hit.
    std::vector<std::string> names{"", "MODE", "a"};
    for (const std::string& line : SplitLines(bytes.substr(0, 2048))) {
        const std::size_t eq = line.find('=');
        names.push_back(line.substr(0, eq == std::string::npos ? std::min<std::size_t>(line.size(), 8) : eq));
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
            names.push_back(line.substr(1, line.size() - 2));
    }
    for (std::size_t i = 0; i + 1 < names.size() && i < 64; ++i) {
        (void)ini.ReadString(names[i], names[i + 1], "d");
        (void)ini.ReadInteger(names[i], names[i + 1], 0);
    }
    if (ini.Serialize() != Normalized(bytes))
        std::abort(); // reading alone changed the text

    // Keys that no key line can hold (an "=" inside, or read back as a comment or a header) are
    // not written: the program's keys are fixed dotted names.
    auto representable = [](const std::string& key) {
        const std::size_t first = key.find_first_not_of(" \t");
        return key.find('=') == std::string::npos &&
            (first == std::string::npos || (key[first] != ';' && key[first] != '['));
    };
    std::vector<std::pair<std::string, std::string>> written;
    for (std::size_t i = 0; i + 1 < names.size() && i < 16; i += 2) {
        if (!representable(names[i + 1]))
            continue;
        const std::string value = "v" + std::to_string(i) + (flags & 8 ? " ;x" : "");
        ini.WriteString(names[i], names[i + 1], value);
        written.emplace_back(names[i], names[i + 1]);
    }
    const std::string out = ini.Serialize();

    // The written text reads back the same as the object in memory reads it.
    TFastIniFile again("");
    again.SetCaseSensitive(flags & 1);
    again.SetLocaleCaseFolding(flags & 2);
    again.SetStripQuotes(flags & 4);
    again.LoadFromText(out);
    if (ini.KeyIndexInUse() != again.KeyIndexInUse())
        return 0; // duplicate keys may then resolve differently
    for (const auto& [section, key] : written) {
        if (ini.ReadString(section, key, "\x01") != again.ReadString(section, key, "\x01"))
            std::abort();
    }
    return 0;
}
