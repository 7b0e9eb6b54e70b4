#include "catalog/CatalogHelpers.h"

#include "data/TextMatch.h"
#include "platform/Folders.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <filesystem>
#include <random>

namespace artikel {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Sign(int v) { return (v > 0) - (v < 0); }

// Digit runs by value, however long they are.
int CompareDigitRuns(std::string_view a, std::string_view b)
{
    const auto strip = [](std::string_view s) {
        const size_t nz = s.find_first_not_of('0');
        return nz == std::string_view::npos ? std::string_view() : s.substr(nz);
    };
    a = strip(a);
    b = strip(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return Sign(a.compare(b));
}

size_t RunEnd(std::string_view s, size_t i)
{
    const bool digits = IsDigit(s[i]);
    while (i < s.size() && IsDigit(s[i]) == digits)
        ++i;
    return i;
}

// Depth guard against folder cycles the link check cannot see (bind mounts).
constexpr int kMaxFolderDepth = 64;

void ListInto(const std::filesystem::path& folder, std::string_view mask, int depth, std::vector<std::string>& out)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<std::string> files;
    std::vector<std::string> folders;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code sec;
        const fs::file_status st = it->symlink_status(sec);
        if (sec)
            continue;
        // Regular files only: a link is never followed (a catalog file is always in its own
        // folder), and reading a named pipe, socket or device would block or mislead.
        if (fs::is_directory(st))
            folders.push_back(name);
        else if (fs::is_regular_file(st) && GlobMatch(name, mask))
            files.push_back(name);
    }
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    const std::string prefix = IncludeBackslash(folder.string());
    for (const auto& f : files)
        out.push_back(prefix + f);
    if (depth >= kMaxFolderDepth)
        return;
    for (const auto& d : folders)
        ListInto(folder / d, mask, depth + 1, out);
}

} // namespace

std::string NewGuidText()
{
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::random_device rd;
    unsigned char bytes[16];
    for (int i = 0; i < 16; i += 4) {
        const std::uint32_t v = rd();
        for (int k = 0; k < 4; ++k)
            bytes[i + k] = static_cast<unsigned char>(v >> (8 * k));
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40); // version 4 (random)
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    std::string out;
    out.reserve(36);
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += '-';
        out += kHexDigits[bytes[i] >> 4];
        out += kHexDigits[bytes[i] & 0x0F];
    }
    return out;
}

int NaturalCompareText(std::string_view a, std::string_view b)
{
    if (a.size() == b.size() && SameTextNoCase(a, b))
        return 0;
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const size_t ie = RunEnd(a, i);
        const size_t je = RunEnd(b, j);
        const std::string_view ra = a.substr(i, ie - i);
        const std::string_view rb = b.substr(j, je - j);
        const int c = IsDigit(a[i]) && IsDigit(b[j]) ? CompareDigitRuns(ra, rb) : CompareTextNoCase(ra, rb);
        if (c != 0)
            return Sign(c);
        i = ie;
        j = je;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return Sign(CompareTextNoCase(a, b));
}

std::vector<std::string> ListFilesRecursive(const std::string& folder, std::string_view mask)
{
    std::vector<std::string> out;
    if (folder.empty())
        return out;
    try {
        ListInto(std::filesystem::path(folder), mask, 0, out);
    } catch (const std::exception&) {
        // A listing is best effort: what was found so far stands.
    }
    return out;
}

} // namespace artikel
