#pragma once

// File links of the edit fields: "file://" + path with every blank written as "*", where the
// roots "[SERVER]" (the alias root of the alias file) and "[DB]" (the global root) may stand for
// the start of the path, so that a link copied on one machine opens on another. Also the
// per-extension program list "OpenFileEx.txt" and the command that opens a file with it.
// Paths are native (UTF-8); the lists on disk are Windows-1252.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace artikel {

inline constexpr std::string_view kFileLinkPrefix = "file://";
inline constexpr std::string_view kServerPlaceholder = "[SERVER]";
inline constexpr std::string_view kDbPlaceholder = "[DB]";
inline constexpr const char* kAliasFolder = "Ledgix.Network.Alias.Docs.v2/";
inline constexpr const char* kOpenFileExName = "OpenFileEx.txt";

// Whether a path names an existing file; tests may pass their own.
using TFileExistsFn = std::function<bool(const std::string& path)>;

// The two roots behind the placeholders; each empty or ending in the separator.
struct TLinkRoots {
    std::string server; // "[SERVER]"
    std::string db; // "[DB]"
};

// clientRoot + "Ledgix.Network.Alias.Docs.v2/" + store name + "-alias.txt", where the store
// name is globalRoot with "/", "\" and ":" replaced by "_".
std::string AliasFileName(const std::string& clientRoot, std::string_view globalRoot = {});

// The roots: "[SERVER]" from the first line of the alias file (trimmed, with trailing
// separator), "[DB]" the global root. The alias file is written back with its one line each
// time, which creates it and its folder; errors leave the roots as read.
TLinkRoots LoadLinkRoots(const std::string& clientRoot, std::string_view globalRoot = {});

// Texts that are web or mail addresses and never a file ("http:", "www.", "mailto:", ..., or
// an "@" without ":\").
bool IsWebAddress(std::string_view text);

// "file://" + path with blanks as "*"; a root at the start of path becomes its placeholder when
// the link still leads to the same existing file.
std::string PathToLink(std::string_view path, const TLinkRoots& roots, const TFileExistsFn& exists);

// The existing file a link (or a bare path) stands for; none for web addresses and for links
// whose file cannot be found under any root.
std::optional<std::string> LinkToPath(std::string_view link, const TLinkRoots& roots, const TFileExistsFn& exists);

// The words of text that start with "file://" (case ignored), up to the next blank, CR or LF.
std::vector<std::string> FindFileLinks(std::string_view text);

// The links of the given files, one per line (CR LF between).
std::string LinksText(const std::vector<std::string>& paths, const TLinkRoots& roots, const TFileExistsFn& exists);

// ---- opening files

// What opening a link does.
struct TLinkTarget {
    enum class Kind {
        SelectInFolder, // a file-manager window on the folder with the file selected
        Address, // a web or mail address, or another scheme, for the desktop
        File, // a file (or folder) to open with its program
    };
    Kind kind = Kind::File;
    std::string target; // path for SelectInFolder and File, the address otherwise
};

// Sorts a link of a formatted text: "fileselect://" and "SHOpenFolderAndSelectItems://" select a
// file in its folder; "file://" links and bare paths are files (blanks written as "*" and
// placeholders resolved when that finds the file); everything else is an address.
TLinkTarget ClassifyLink(std::string_view link, const TLinkRoots& roots, const TFileExistsFn& exists);

// clientRoot + "OpenFileEx.txt". A legacy copy in the program folder's "PLUGINS/" is moved
// there first (copied over any copy in the client root, then deleted).
std::string OpenFileExPath(const std::string& clientRoot, const std::string& programFolder);

// The extension as the list keys it: lower case with its dot (".pdf"), "" when there is none.
std::string ExtensionKey(std::string_view file);

// The program the list names for file's extension ("" when none). lines are the list's lines
// ("<.ext>=<program path>", Windows-1252); the key compares without regard to case.
std::string ProgramForFile(const std::vector<std::string>& lines, std::string_view file);

// Sets (or replaces) the program of file's extension in the list.
void SetProgramForFile(std::vector<std::string>& lines, std::string_view file, std::string_view program);

// A program started with the file: the program directly, the file as its one argument, no
// shell, so nothing in the file name can ever be read as a further command.
struct TOpenCommand {
    std::string program;
    std::vector<std::string> arguments;
};
TOpenCommand OpenCommand(std::string_view program, std::string_view file);

} // namespace artikel
