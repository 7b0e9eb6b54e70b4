#include "platform/uUserMode.h"

#include "platform/FileRetry.h"
#include "platform/Folders.h"
#include "platform/RetryHooks.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>

namespace artikel {

namespace {

std::mutex g_folderLock;
std::string g_folder;

std::string CurrentFolder()
{
    std::lock_guard lock(g_folderLock);
    return g_folder;
}

// Copies the settings that an older install kept beside the program into a new settings folder.
void MigrateFromProgramFolder(const std::string& folder)
{
    const std::string target = IncludeBackslash(folder) + kUserModeFileName;
    if (FileExists(target))
        return;
    const std::string source = GetProgramFolder() + kUserModeFileName;
    if (!FileExists(source))
        return;
    // One attempt only: a start-up must not wait for a file that is merely a convenience.
    const int fd = RetryOpen(source.c_str(), O_RDONLY, 0);
    if (fd < 0)
        return;
    THandleStream in(fd, source);
    TAtomicFileWriter out(target);
    std::string block(kCopyBlockSize, '\0');
    for (;;) {
        errno = 0;
        const std::size_t n = in.Read(block.data(), block.size());
        if (errno != 0)
            return;
        out.Write(std::string_view(block.data(), n));
        if (n < block.size())
            break;
    }
    out.Commit();
}

} // namespace

void SetUserModeFolder(const std::string& folder) noexcept
{
    try {
        if (folder != CurrentFolder() && !folder.empty())
            MigrateFromProgramFolder(folder);
    } catch (...) {
        // The copy is a convenience: without it the settings start from their defaults.
    }
    try {
        std::lock_guard lock(g_folderLock);
        g_folder = folder;
    } catch (...) {
    }
}

std::string GetUserModeFolder() noexcept
{
    try {
        return CurrentFolder();
    } catch (...) {
        return {};
    }
}

std::unique_ptr<TFastIniFile> OpenUserModeFile(const std::string& folder)
{
    std::string dir = folder.empty() ? CurrentFolder() : folder;
    if (dir.empty())
        dir = GetProgramFolder();
    return std::make_unique<TFastIniFile>(IncludeBackslash(dir) + kUserModeFileName);
}

std::string QuoteUserModeString(std::string_view value)
{
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    for (const char c : value) {
        out += c;
        if (c == '"')
            out += '"';
    }
    out += '"';
    return out;
}

std::string UnquoteUserModeString(std::string_view stored)
{
    if (stored.empty() || stored.front() != '"')
        return std::string(stored);
    std::string out;
    out.reserve(stored.size());
    for (std::size_t i = 1; i < stored.size(); ++i) {
        const char c = stored[i];
        if (c == '"') {
            if (i + 1 < stored.size() && stored[i + 1] == '"') {
                out += '"';
                ++i;
                continue;
            }
            break;
        }
        out += c;
    }
    return out;
}

bool ReadUserModeBool(std::string_view key, bool def, const std::string& folder, bool writeBack) noexcept
{
    if (key.empty())
        return def;
    bool result = def;
    try {
        result = OpenUserModeFile(folder)->ReadBool(kUserModeSection, key, def);
    } catch (...) {
        result = def;
    }
    if (writeBack)
        WriteUserModeBool(key, result, folder);
    return result;
}

int ReadUserModeInteger(std::string_view key, int def, const std::string& folder, bool writeBack) noexcept
{
    if (key.empty())
        return def;
    int result = def;
    try {
        result = OpenUserModeFile(folder)->ReadInteger(kUserModeSection, key, def);
    } catch (...) {
        result = def;
    }
    if (writeBack)
        WriteUserModeInteger(key, result, folder);
    return result;
}

std::string ReadUserModeString(std::string_view key, std::string_view def, const std::string& folder,
                               bool writeBack) noexcept
{
    std::string result;
    try {
        result = std::string(def);
        if (key.empty())
            return result;
        // The default itself is returned as it stands; only a stored text is unquoted.
        const std::string sentinel = "\x01";
        const std::string stored = OpenUserModeFile(folder)->ReadString(kUserModeSection, key, sentinel);
        if (stored != sentinel)
            result = UnquoteUserModeString(stored);
    } catch (...) {
        try {
            result = std::string(def);
        } catch (...) {
        }
    }
    if (writeBack && !key.empty())
        WriteUserModeString(key, result, folder);
    return result;
}

namespace {

template <class F>
bool WriteOne(std::string_view key, const std::string& folder, F write) noexcept
{
    if (key.empty())
        return false;
    std::unique_ptr<TFastIniFile> ini;
    try {
        ini = OpenUserModeFile(folder);
        write(*ini);
        ini->UpdateFile();
        return true;
    } catch (...) {
        // Do not try the failed save a second time when the file object goes.
        if (ini)
            ini->DiscardChanges();
        return false;
    }
}

} // namespace

bool WriteUserModeBool(std::string_view key, bool value, const std::string& folder) noexcept
{
    return WriteOne(key, folder, [&](TFastIniFile& ini) { ini.WriteBool(kUserModeSection, key, value); });
}

bool WriteUserModeInteger(std::string_view key, int value, const std::string& folder) noexcept
{
    return WriteOne(key, folder, [&](TFastIniFile& ini) { ini.WriteInteger(kUserModeSection, key, value); });
}

bool WriteUserModeString(std::string_view key, std::string_view value, const std::string& folder) noexcept
{
    return WriteOne(key, folder,
                    [&](TFastIniFile& ini) { ini.WriteString(kUserModeSection, key, QuoteUserModeString(value)); });
}

} // namespace artikel
