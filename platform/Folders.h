#pragma once

// The program's three roots (program folder, client root, scratch folder) and the path helpers
// every part of the program uses. Folder paths end in the native separator. Paths are native
// byte strings (UTF-8 on Linux).

#include <string>
#include <string_view>

namespace artikel {

inline constexpr char kPathDelim = '/';

// The folder of the running executable, with trailing separator.
std::string GetProgramFolder();
// Replaces the program folder (a portable install, tests); empty restores the real one.
void SetProgramFolderOverride(const std::string& folder);

// $XDG_DATA_HOME (else ~/.local/share) + "LX-ClientRoot/default/"; created on every call.
std::string GetClientRoot();
// The scratch folder: $XDG_STATE_HOME (else ~/.local/state) + "artikelblick/LXTempDir/", a folder
// private to the user that survives a reboot (it holds the settings file); or its sub-folder
// sub + "/". Created on every call.
std::string GetScratchFolder(std::string_view sub = {});

// The user's private runtime folder for sockets and lock files, with trailing separator:
// $XDG_RUNTIME_DIR when it is an absolute path to a folder of ours that is no link and that
// nobody else can reach (mode 0700); else "artikelblick-<uid>" in $TMPDIR (else /tmp), made with
// mode 0700 and held to the same checks; else "artikelblick/run" in the state folder
// ($XDG_STATE_HOME, else ~/.local/state). Every start of the same user finds the same folder.
// Empty when none of them passes the checks.
std::string GetPrivateRuntimeFolder();
// True when path is a folder (no link) owned by the effective user with no access for others.
bool IsPrivateFolder(std::string_view path);

// Empty stays empty; a path ending in ":" or the separator is unchanged; a single letter A-Z
// (either case) gets ":" and the separator; anything else gets the separator.
std::string IncludeBackslash(std::string_view path);
// Without one trailing separator (a lone "/" stays).
std::string ExcludeBackslash(std::string_view path);
// The folder part of a file name, with trailing separator ("" when there is none).
std::string ExtractFilePath(std::string_view fileName);
// The name after the last separator.
std::string ExtractFileName(std::string_view fileName);

// Creates the folder and every missing parent; true when the folder exists afterwards.
// An empty path raises EInOutError "Verzeichnis kann nicht erstellt werden" (code 3).
bool ForceFolders(std::string_view path);
// ForceFolders for the folder of a file name, only when that folder does not exist yet.
bool ForceFileFolder(std::string_view fileName);

// True for an existing entry that is no folder (a dangling symbolic link is false; a file that
// exists but cannot be examined counts as existing).
bool FileExists(std::string_view path);
// True for an existing folder (a symbolic link to one included).
bool DirectoryExists(std::string_view path);

// A file name from arbitrary text: control characters 1-31 removed, blanks too when
// removeBlanks, the characters \ ? | > < : / * " dropped, blanks trimmed at both ends.
std::string MakeValidFileName(std::string_view text, bool removeBlanks = false);

// Deletes a file even when it is write-protected (its permissions are put back when the
// deletion fails). True also when there was nothing to delete.
bool DeleteFileForced(std::string_view fileName);
// Removes every sub-folder of path with its files (bottom-up), then, unless keepRoot, path's own
// files and path itself. Symbolic links are removed, never followed. True when all went.
bool DeleteFolderTree(std::string_view path, bool keepRoot);

} // namespace artikel
