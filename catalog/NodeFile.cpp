#include "catalog/NodeFile.h"

#include "platform/FileRetry.h"
#include "platform/Folders.h"
#include "platform/Win1252.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace artikel {

namespace {

// A node file is a few kilobytes; anything far larger under the nodes folder is no node file,
// and reading it must not exhaust memory.
constexpr off_t kMaxNodeFileSize = 16 * 1024 * 1024;

// A regular file only: a link is not followed, and a named pipe or device named like a node
// file must not block the scan.
std::optional<std::string> ReadSmallFile(const std::string& fileName)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct TCloser {
        int fd;
        ~TCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 || st.st_size > kMaxNodeFileSize)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

} // namespace

std::optional<TJSON> ReadNodeFile(const std::string& fileName)
{
    const std::optional<std::string> bytes = ReadSmallFile(fileName);
    if (!bytes)
        return std::nullopt;
    try {
        TJSON doc = ReadJson(*bytes);
        if (!doc.is_object())
            return std::nullopt;
        if (const TJSON* items = JsonFind(doc, kNodeKeyItems); items && !items->is_null()) {
            if (!items->is_array())
                return std::nullopt;
            for (const auto& item : *items)
                if (!item.is_object())
                    return std::nullopt;
        }
        return doc;
    } catch (const EJsonError&) {
        return std::nullopt;
    }
}

bool IsBareFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." &&
        name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::string NodeDatabaseFile(const TJSON& node)
{
    const std::string folder = JsonTextUtf8(node, kNodeKeyNodePath);
    const std::string name = JsonTextUtf8(node, kNodeKeyFilename);
    if (folder.empty() || !IsBareFileName(name))
        return {};
    return IncludeBackslash(folder) + name;
}

std::string NodeDatabaseFileProblem(const TJSON& node)
{
    const std::string caption = JsonText(node, kNodeKeyCaption);
    const std::string head =
        Utf8ToWin1252("Die Datenbank \xE2\x80\x9E") + caption + Utf8ToWin1252("\xE2\x80\x9C ist unbrauchbar:\r\n");
    const std::string name = JsonText(node, kNodeKeyFilename);
    if (!IsBareFileName(JsonTextUtf8(node, kNodeKeyFilename)))
        return head + Utf8ToWin1252("Ihr Dateiname \xE2\x80\x9E") + name +
            Utf8ToWin1252("\xE2\x80\x9C ist kein Dateiname im Ordner der Datenbank.\r\n"
                          "Sie kann weder geladen noch aktualisiert werden. Importieren Sie die Quelle neu.");
    const std::string file = NodeDatabaseFile(node);
    if (file.empty())
        return head + Utf8ToWin1252("Der Ordner der Datenbank ist unbekannt.");
    struct stat st {};
    if (::lstat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return head + Utf8ToWin1252("Ihre Datei \xE2\x80\x9E") + name +
            Utf8ToWin1252("\xE2\x80\x9C ist keine gew\xC3\xB6hnliche Datei (eine Verkn\xC3\xBCpfung, ein Ordner oder "
                          "ein Ger\xC3\xA4t).\r\n"
                          "Sie wird weder geladen noch \xC3\xBC"
                          "berschrieben.");
    return {};
}

std::string NodeBackupFileName(const std::string& nodeFile)
{
    const size_t slash = nodeFile.find_last_of(kPathDelim);
    const size_t dot = nodeFile.find_last_of('.');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (dot == std::string::npos || dot < nameStart)
        return nodeFile + kNodeBackupExt;
    return nodeFile.substr(0, dot) + kNodeBackupExt;
}

bool SaveNodeFile(const TJSON& doc, const std::string& fileName, TJsonLayout layout)
{
    if (fileName.empty())
        return false;
    const std::string text = WriteJson(doc, layout);
    try {
        WriteFileAtomic(fileName, text, TLinkPolicy::Replace);
    } catch (const std::exception&) {
        return false;
    }
    // The node file is safe on disk; a backup that cannot be written leaves the older backup.
    try {
        WriteFileAtomic(NodeBackupFileName(fileName), text, TLinkPolicy::Replace);
    } catch (const std::exception&) {
    }
    return true;
}

} // namespace artikel
