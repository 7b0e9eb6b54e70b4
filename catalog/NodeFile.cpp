#include "catalog/NodeFile.h"

#include "platform/FileRetry.h"
#include "platform/Folders.h"

#include <fstream>

namespace artikel {

namespace {

// A node file is a few kilobytes; anything far larger under the nodes folder is no node file,
// and reading it must not exhaust memory.
constexpr std::streamoff kMaxNodeFileSize = 16 * 1024 * 1024;

std::optional<std::string> ReadSmallFile(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxNodeFileSize)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), size))
        return std::nullopt;
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
        if (const TJSON* items = JsonFind(doc, "items"); items && !items->is_null()) {
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
        WriteFileAtomic(fileName, text);
    } catch (const std::exception&) {
        return false;
    }
    // The node file is safe on disk; a backup that cannot be written leaves the older backup.
    try {
        WriteFileAtomic(NodeBackupFileName(fileName), text);
    } catch (const std::exception&) {
    }
    return true;
}

} // namespace artikel
