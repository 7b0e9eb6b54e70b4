#include "platform/FileLinks.h"

#include "platform/FileRetry.h"
#include "platform/Folders.h"
#include "platform/TextUtils.h"
#include "platform/Win1252.h"

#include <array>
#include <filesystem>
#include <unistd.h>

namespace artikel {

namespace {

std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view by)
{
    std::string out;
    size_t pos = 0;
    while (!what.empty()) {
        const size_t hit = text.find(what, pos);
        if (hit == std::string_view::npos)
            break;
        out.append(text.substr(pos, hit - pos)).append(by);
        pos = hit + what.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string ReplaceFirst(std::string_view text, std::string_view what, std::string_view by)
{
    const size_t hit = text.find(what);
    if (hit == std::string_view::npos)
        return std::string(text);
    std::string out(text.substr(0, hit));
    return out.append(by).append(text.substr(hit + what.size()));
}

std::string ReplaceChar(std::string_view text, char from, char to)
{
    std::string out(text);
    for (char& c : out)
        if (c == from)
            c = to;
    return out;
}

struct TRoot {
    std::string_view placeholder;
    const std::string& root;
};

std::array<TRoot, 2> Roots(const TLinkRoots& roots)
{
    return {TRoot{kServerPlaceholder, roots.server}, TRoot{kDbPlaceholder, roots.db}};
}

// The text with both placeholders replaced by their roots.
std::string ExpandPlaceholders(std::string_view text, const TLinkRoots& roots)
{
    std::string out(text);
    for (const TRoot& r : Roots(roots))
        out = ReplaceAll(out, r.placeholder, r.root);
    return out;
}

bool ContainsPlaceholder(std::string_view text)
{
    return text.find(kServerPlaceholder) != std::string_view::npos ||
        text.find(kDbPlaceholder) != std::string_view::npos;
}

std::string WithoutLinkPrefix(std::string_view link)
{
    if (StartsWithNoCase(link, kFileLinkPrefix))
        link.remove_prefix(kFileLinkPrefix.size());
    return std::string(link);
}

bool IsLinkBlank(char c) { return c == ' ' || c == '\r' || c == '\n'; }

} // namespace

std::string AliasFileName(const std::string& clientRoot, std::string_view globalRoot)
{
    std::string store(globalRoot);
    for (char& c : store)
        if (c == '/' || c == '\\' || c == ':')
            c = '_';
    return IncludeBackslash(clientRoot) + kAliasFolder + store + "-alias.txt";
}

TLinkRoots LoadLinkRoots(const std::string& clientRoot, std::string_view globalRoot)
{
    TLinkRoots roots;
    roots.db = IncludeBackslash(globalRoot);
    const std::string file = AliasFileName(clientRoot, globalRoot);
    try {
        std::vector<std::string> lines;
        if (LoadStringsRetry(lines, file) && !lines.empty())
            roots.server = IncludeBackslash(Win1252ToUtf8(TrimText(lines.front())));
        SaveStringsRetry({Utf8ToWin1252(roots.server)}, file);
    } catch (const std::exception&) {
        // An unreadable or unwritable alias file leaves links without the server root.
    }
    return roots;
}

bool IsWebAddress(std::string_view text)
{
    static constexpr std::array<std::string_view, 12> kPrefixes{
        "http:", "https:", "ftp:",    "telnet:", "gopher:", "prospero:",
        "nntp:", "wais:",  "mailto:", "news:",   "www.",    "ftp."};
    for (std::string_view p : kPrefixes)
        if (StartsWithNoCase(text, p))
            return true;
    return text.find('@') != std::string_view::npos && text.find(":\\") == std::string_view::npos;
}

std::string PathToLink(std::string_view path, const TLinkRoots& roots, const TFileExistsFn& exists)
{
    std::string text(path);
    if (!ContainsPlaceholder(text)) {
        for (const TRoot& r : Roots(roots)) {
            if (r.root.empty() || text.find(r.root) == std::string::npos)
                continue;
            std::string candidate = ReplaceAll(text, r.root, r.placeholder);
            if (exists(ExpandPlaceholders(candidate, roots)))
                text = std::move(candidate);
        }
    }
    return std::string(kFileLinkPrefix) + ReplaceChar(text, ' ', '*');
}

std::optional<std::string> LinkToPath(std::string_view link, const TLinkRoots& roots, const TFileExistsFn& exists)
{
    const std::string text = ReplaceChar(WithoutLinkPrefix(link), '*', ' ');
    if (text.empty() || IsWebAddress(text))
        return std::nullopt;
    for (const TRoot& r : Roots(roots)) {
        std::string candidate = ReplaceAll(text, r.placeholder, r.root);
        if (exists(candidate))
            return candidate;
    }
    // A network path of another machine ("//server/share/..." or "\\server\share\...") under a
    // root of this one.
    for (const TRoot& r : Roots(roots)) {
        if (r.root.empty())
            continue;
        for (std::string_view twin : {std::string_view("//"), std::string_view("\\\\")}) {
            if (text.find(twin) == std::string::npos)
                continue;
            std::string candidate = ReplaceFirst(text, twin, r.root);
            if (twin[0] == '\\')
                candidate = ReplaceChar(candidate, '\\', '/');
            if (exists(candidate))
                return candidate;
        }
    }
    return std::nullopt;
}

std::vector<std::string> FindFileLinks(std::string_view text)
{
    std::vector<std::string> links;
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsLinkBlank(text[pos]))
            ++pos;
        size_t end = pos;
        while (end < text.size() && !IsLinkBlank(text[end]))
            ++end;
        const std::string_view word = text.substr(pos, end - pos);
        if (StartsWithNoCase(word, kFileLinkPrefix))
            links.emplace_back(word);
        pos = end;
    }
    return links;
}

std::string LinksText(const std::vector<std::string>& paths, const TLinkRoots& roots, const TFileExistsFn& exists)
{
    std::string out;
    for (const std::string& p : paths) {
        if (!out.empty())
            out += "\r\n";
        out += PathToLink(p, roots, exists);
    }
    return out;
}

TLinkTarget ClassifyLink(std::string_view link, const TLinkRoots& roots, const TFileExistsFn& exists)
{
    const std::string text(TrimText(link));
    // A file named in a link: as written, else as the link rules read it.
    auto fileOf = [&](const std::string& raw) {
        if (exists(raw) || DirectoryExists(raw))
            return raw;
        return LinkToPath(raw, roots, exists).value_or(raw);
    };
    for (std::string_view scheme :
         {std::string_view("fileselect://"), std::string_view("SHOpenFolderAndSelectItems://")})
        if (StartsWithNoCase(text, scheme))
            return {TLinkTarget::Kind::SelectInFolder, fileOf(text.substr(scheme.size()))};
    if (IsWebAddress(text))
        return {TLinkTarget::Kind::Address, text};
    if (StartsWithNoCase(text, kFileLinkPrefix))
        return {TLinkTarget::Kind::File, fileOf(text.substr(kFileLinkPrefix.size()))};
    if (text.find("://") != std::string::npos)
        return {TLinkTarget::Kind::Address, text};
    return {TLinkTarget::Kind::File, fileOf(text)};
}

std::string OpenFileExPath(const std::string& clientRoot, const std::string& programFolder)
{
    const std::string target = IncludeBackslash(clientRoot) + kOpenFileExName;
    const std::string legacy = IncludeBackslash(programFolder) + "PLUGINS/" + kOpenFileExName;
    if (!FileExists(legacy))
        return target;
    // A legacy copy that cannot be deleted (a read-only program folder) would be copied over the
    // user's later choices at every start: it only fills a missing list.
    if (::access(ExtractFilePath(legacy).c_str(), W_OK) != 0 && FileExists(target))
        return target;
    if (CopyFileRetry(legacy, target))
        DeleteFileForced(legacy);
    return target;
}

std::string ExtensionKey(std::string_view file)
{
    const std::string name = ExtractFileName(file);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return {};
    return Win1252ToUtf8(AnsiLowerCase(Utf8ToWin1252(std::string_view(name).substr(dot))));
}

namespace {

// The index of the line that names key, or -1.
int FindKeyLine(const std::vector<std::string>& lines, std::string_view key)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t eq = lines[i].find('=');
        if (eq != std::string::npos && SameTextNoCase(std::string_view(lines[i]).substr(0, eq), key))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

std::string ProgramForFile(const std::vector<std::string>& lines, std::string_view file)
{
    const std::string key = Utf8ToWin1252(ExtensionKey(file));
    if (key.empty())
        return {};
    const int i = FindKeyLine(lines, key);
    if (i < 0)
        return {};
    const std::string& line = lines[static_cast<size_t>(i)];
    return Win1252ToUtf8(TrimText(std::string_view(line).substr(line.find('=') + 1)));
}

void SetProgramForFile(std::vector<std::string>& lines, std::string_view file, std::string_view program)
{
    const std::string key = Utf8ToWin1252(ExtensionKey(file));
    if (key.empty())
        return;
    std::string line = key + "=" + Utf8ToWin1252(program);
    const int i = FindKeyLine(lines, key);
    if (i < 0)
        lines.push_back(std::move(line));
    else
        lines[static_cast<size_t>(i)] = std::move(line);
}

TOpenCommand OpenCommand(std::string_view program, std::string_view file)
{
    // A relative name that starts like an option is given with its folder, so no program reads it
    // as one.
    std::string argument(file);
    if (argument.starts_with('-'))
        argument.insert(0, "./");
    return {std::string(program), {std::move(argument)}};
}

} // namespace artikel
