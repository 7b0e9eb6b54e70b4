#include "platform/DragDropBlock.h"

#include "platform/TextUtils.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace artikel {
namespace {

void PutField(std::string& block, std::size_t offset, std::size_t size, std::string_view text)
{
    std::memcpy(block.data() + offset, text.data(), std::min(size, text.size()));
}

std::string GetField(std::string_view block, std::size_t offset, std::size_t size)
{
    if (offset >= block.size())
        return {};
    const std::string_view field = block.substr(offset, size);
    return std::string(field.substr(0, field.find('\0')));
}

constexpr std::size_t kVirtualChunk = 32768;

} // namespace

std::string EncodeDragDropBlock(const TDragDropBlock& block)
{
    std::string bytes(kDragDropBlockSize, '\0');
    PutField(bytes, kDragOriginOffset, kDragOriginSize, block.origin);
    PutField(bytes, kDragBodyOffset, kDragBodySize, block.body);
    PutField(bytes, kDragSenderOffset, kDragSenderSize, block.sender);
    PutField(bytes, kDragExtraOffset, kDragExtraSize, block.extra);
    return bytes;
}

TDragDropBlock DecodeDragDropBlock(std::string_view bytes)
{
    TDragDropBlock block;
    block.origin = std::string(TrimText(GetField(bytes, kDragOriginOffset, kDragOriginSize)));
    block.body = GetField(bytes, kDragBodyOffset, kDragBodySize);
    block.sender = GetField(bytes, kDragSenderOffset, kDragSenderSize);
    block.extra = GetField(bytes, kDragExtraOffset, kDragExtraSize);
    return block;
}

std::string CleanVirtualFileName(std::string_view name)
{
    std::string out;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 1 && u <= 31) || std::strchr("\\?|><:/*\"", c) || c == '\0')
            continue;
        out += c;
    }
    return std::string(TrimText(out));
}

std::string InternetShortcutUrl(std::string_view text)
{
    if (AnsiUpperCase(text).find("[INTERNETSHORTCUT]") == std::string::npos)
        return {};
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = TrimText(text.substr(start, end - start));
        if (line.size() >= 4 && SameTextNoCase(line.substr(0, 4), "URL="))
            return std::string(TrimText(line.substr(4)));
        start = end + 1;
    }
    return {};
}

std::vector<std::string> StoreVirtualFiles(const std::string& folder, const std::vector<TVirtualFile>& files,
                                           std::vector<std::string>& written)
{
    std::vector<std::string> list;
    const std::filesystem::path dir(folder);
    std::filesystem::create_directories(dir);
    std::random_device random;
    for (const TVirtualFile& file : files) {
        std::string name = CleanVirtualFileName(file.name);
        // "." and ".." survive the cleaning but name no file of their own.
        if (name.empty() || name.find_first_not_of('.') == std::string::npos)
            name = std::to_string(random());
        const std::filesystem::path path = dir / std::filesystem::path(Win1252ToUtf8(name));
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            for (std::size_t at = 0; out && at < file.contents.size(); at += kVirtualChunk)
                out.write(file.contents.data() + at,
                          static_cast<std::streamsize>(std::min(kVirtualChunk, file.contents.size() - at)));
            out.flush();
            if (!out)
                throw std::runtime_error("Die Datei \"" + path.string() + "\" kann nicht geschrieben werden.");
        }
        written.push_back(path.string());
        std::string extension = path.extension().string();
        const std::string url = SameTextNoCase(extension, ".url") ? InternetShortcutUrl(file.contents) : std::string();
        list.push_back(url.empty() ? path.string() : url);
    }
    return list;
}

} // namespace artikel
