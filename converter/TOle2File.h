#pragma once

// Reads streams out of an OLE2 compound file (the container of old Office documents) held in
// memory. Every sector number, chain and size is checked against the bytes that exist: a chain
// that loops or leaves the file is an error, and no buffer is sized from a declared length
// before the bytes behind it have been found.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace artikel::convert {

class TOle2File {
public:
    // Raises EConvertError naming `fileName` when the header or the directory is broken.
    TOle2File(std::string fileName, std::string_view bytes);

    struct Entry {
        std::u16string name;
        std::uint8_t type = 0; // 1 storage, 2 stream, 5 root
        std::uint32_t start = 0;
        std::uint64_t size = 0;
    };
    // The streams and storages directly below the root, in directory order.
    const std::vector<Entry>& RootEntries() const { return rootEntries_; }
    // The first stream below the root whose name matches (ignoring ASCII case).
    std::optional<Entry> FindStream(std::string_view asciiName) const;
    // The bytes of a stream; a chain shorter than the declared size gives what it holds.
    std::string ReadStream(const Entry& entry) const;

    static bool HasSignature(std::string_view bytes);

private:
    [[noreturn]] void Broken() const;
    std::uint32_t U32(std::uint64_t offset) const;
    // Sector numbers of a chain, checked for range and loops.
    std::vector<std::uint32_t> Chain(std::uint32_t start, const std::vector<std::uint32_t>& table,
                                     std::uint64_t limit) const;
    std::string ReadChain(std::uint32_t start, std::uint64_t size) const;

    std::string fileName_;
    std::string_view bytes_;
    std::uint32_t sectorSize_ = 512;
    std::uint32_t miniCutoff_ = 4096;
    std::uint64_t sectorCount_ = 0; // sectors that exist in the file after the header
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> miniFat_;
    std::string miniStream_;
    std::vector<Entry> rootEntries_;
};

} // namespace artikel::convert
