#include "converter/TOle2File.h"

#include "converter/TConvertMessage.h"

#include <algorithm>
#include <cstring>

namespace artikel::convert {
namespace {

constexpr std::uint32_t kLastRegular = 0xFFFFFFF9; // higher numbers mark chain ends and FAT sectors
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kEntrySize = 128;

std::uint16_t Le16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(u[0] | (u[1] << 8));
}

std::uint32_t Le32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint32_t>(u[0]) | (static_cast<std::uint32_t>(u[1]) << 8) |
        (static_cast<std::uint32_t>(u[2]) << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
}

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

} // namespace

bool TOle2File::HasSignature(std::string_view bytes)
{
    return bytes.size() >= 8 && std::memcmp(bytes.data(), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0;
}

void TOle2File::Broken() const
{
    FailFile(fileName_, "ist keine lesbare Excel-Arbeitsmappe (.xls): der Dateiaufbau ist beschädigt.");
}

std::uint32_t TOle2File::U32(std::uint64_t offset) const
{
    if (offset + 4 > bytes_.size())
        Broken();
    return Le32(bytes_.data() + offset);
}

TOle2File::TOle2File(std::string fileName, std::string_view bytes)
    : fileName_(std::move(fileName)),
      bytes_(bytes)
{
    if (!HasSignature(bytes_) || bytes_.size() < 512)
        Broken();
    const char* h = bytes_.data();
    const unsigned shift = Le16(h + 0x1E);
    if (Le16(h + 0x1C) != 0xFFFE || (shift != 9 && shift != 12) || Le16(h + 0x20) != 6)
        Broken();
    sectorSize_ = 1u << shift;
    // Version 3 files may carry garbage in the upper half of stream sizes.
    const bool v3 = sectorSize_ == 512;
    miniCutoff_ = Le32(h + 0x38);
    if (bytes_.size() <= sectorSize_)
        Broken();
    // A cut-off last sector still counts: its missing tail reads as absent.
    sectorCount_ = (bytes_.size() - sectorSize_ + sectorSize_ - 1) / sectorSize_;
    const std::uint32_t perSector = sectorSize_ / 4;

    // The FAT: its sectors are listed in the header and then in the chain of DIFAT sectors. Only
    // as many are read as cover the sectors the file has.
    auto addFatSector = [&](std::uint32_t id) {
        if (id > kLastRegular)
            return;
        if (id >= sectorCount_)
            Broken();
        const std::uint64_t base = (static_cast<std::uint64_t>(id) + 1) * sectorSize_;
        for (std::uint32_t i = 0; i < perSector && fat_.size() < sectorCount_; ++i)
            fat_.push_back(base + i * 4 + 4 <= bytes_.size() ? Le32(bytes_.data() + base + i * 4) : kNoStream);
    };
    for (int i = 0; i < 109 && fat_.size() < sectorCount_; ++i)
        addFatSector(Le32(h + 0x4C + 4 * i));
    std::uint32_t difat = Le32(h + 0x44);
    for (std::uint64_t steps = 0; difat <= kLastRegular && fat_.size() < sectorCount_; ++steps) {
        if (difat >= sectorCount_ || steps > sectorCount_)
            Broken();
        const std::uint64_t base = (static_cast<std::uint64_t>(difat) + 1) * sectorSize_;
        for (std::uint32_t i = 0; i + 1 < perSector && fat_.size() < sectorCount_; ++i)
            addFatSector(U32(base + i * 4));
        difat = U32(base + (perSector - 1) * 4);
    }
    if (fat_.empty())
        Broken();

    // The directory.
    const std::string dir = ReadChain(Le32(h + 0x30), UINT64_MAX);
    const std::size_t entryCount = dir.size() / kEntrySize;
    if (entryCount == 0)
        Broken();
    auto entryAt = [&](std::size_t i) {
        const char* e = dir.data() + i * kEntrySize;
        Entry out;
        const std::size_t nameBytes = std::min<std::size_t>(Le16(e + 0x40), 64);
        for (std::size_t k = 0; k + 1 < nameBytes; k += 2) {
            const char16_t c = static_cast<char16_t>(Le16(e + k));
            if (c == 0)
                break;
            out.name.push_back(c);
        }
        out.type = static_cast<std::uint8_t>(e[0x42]);
        out.start = Le32(e + 0x74);
        out.size = Le32(e + 0x78);
        if (!v3)
            out.size |= static_cast<std::uint64_t>(Le32(e + 0x7C)) << 32;
        return out;
    };
    const Entry root = entryAt(0);
    if (root.type != 5)
        Broken();

    // The root's children form a tree through the left/right links; walk it, each entry once.
    std::vector<bool> seen(entryCount, false);
    std::vector<std::uint32_t> todo{Le32(dir.data() + 0x4C)};
    std::vector<std::uint32_t> children;
    while (!todo.empty()) {
        const std::uint32_t id = todo.back();
        todo.pop_back();
        if (id >= entryCount || seen[id])
            continue;
        seen[id] = true;
        children.push_back(id);
        const char* e = dir.data() + std::size_t{id} * kEntrySize;
        todo.push_back(Le32(e + 0x44));
        todo.push_back(Le32(e + 0x48));
    }
    std::sort(children.begin(), children.end());
    for (std::uint32_t id : children) {
        Entry e = entryAt(id);
        if (e.type == 1 || e.type == 2)
            rootEntries_.push_back(std::move(e));
    }

    // The mini stream (small streams in 64-byte pieces) lives in the root entry's chain.
    bool needMini = false;
    for (const auto& e : rootEntries_)
        needMini = needMini || (e.type == 2 && e.size < miniCutoff_ && e.size > 0);
    if (needMini) {
        miniStream_ = ReadChain(root.start, root.size);
        const std::string table = ReadChain(Le32(h + 0x3C), UINT64_MAX);
        const std::size_t miniCount = miniStream_.size() / 64;
        for (std::size_t i = 0; i + 4 <= table.size() && miniFat_.size() < miniCount; i += 4)
            miniFat_.push_back(Le32(table.data() + i));
    }
}

std::vector<std::uint32_t> TOle2File::Chain(std::uint32_t start, const std::vector<std::uint32_t>& table,
                                            std::uint64_t limit) const
{
    std::vector<std::uint32_t> chain;
    std::vector<bool> visited(std::min<std::uint64_t>(limit, table.size()), false);
    for (std::uint32_t id = start; id <= kLastRegular; id = table[id]) {
        if (id >= visited.size() || visited[id])
            Broken();
        visited[id] = true;
        chain.push_back(id);
    }
    return chain;
}

std::string TOle2File::ReadChain(std::uint32_t start, std::uint64_t size) const
{
    const std::vector<std::uint32_t> chain = Chain(start, fat_, sectorCount_);
    std::string out;
    out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(size, std::uint64_t{chain.size()} * sectorSize_)));
    for (std::uint32_t id : chain) {
        if (out.size() >= size)
            break;
        const std::uint64_t begin = (static_cast<std::uint64_t>(id) + 1) * sectorSize_;
        const std::uint64_t n = std::min<std::uint64_t>({sectorSize_, bytes_.size() - begin, size - out.size()});
        out.append(bytes_.data() + begin, static_cast<std::size_t>(n));
    }
    return out;
}

std::optional<TOle2File::Entry> TOle2File::FindStream(std::string_view asciiName) const
{
    for (const auto& e : rootEntries_) {
        if (e.type != 2 || e.name.size() != asciiName.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < asciiName.size() && same; ++i)
            same = AsciiLower(e.name[i]) == AsciiLower(static_cast<char16_t>(static_cast<unsigned char>(asciiName[i])));
        if (same)
            return e;
    }
    return std::nullopt;
}

std::string TOle2File::ReadStream(const Entry& entry) const
{
    if (entry.size >= miniCutoff_)
        return ReadChain(entry.start, entry.size);
    const std::vector<std::uint32_t> chain = Chain(entry.start, miniFat_, miniStream_.size() / 64);
    std::string out;
    for (std::uint32_t id : chain) {
        if (out.size() >= entry.size)
            break;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(64, entry.size - out.size()));
        out.append(miniStream_.data() + std::size_t{id} * 64, n);
    }
    return out;
}

} // namespace artikel::convert
