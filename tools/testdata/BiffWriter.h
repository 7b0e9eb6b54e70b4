#pragma once

// Writers of old-format Excel files (BIFF records in a compound file) for the converter's tests
// and benchmarks: record bytes, BOF records, strings and the compound file around a workbook
// stream. Not part of the program.

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace artikel::testdata {

class BiffBytes {
public:
    std::string data;
    void U8(unsigned v) { data += static_cast<char>(v & 0xFF); }
    void U16(unsigned v)
    {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void F64(double d)
    {
        std::uint64_t u;
        std::memcpy(&u, &d, 8);
        U32(static_cast<std::uint32_t>(u));
        U32(static_cast<std::uint32_t>(u >> 32));
    }
    void Record(unsigned type, const std::string& body)
    {
        U16(type);
        U16(static_cast<unsigned>(body.size()));
        data += body;
    }
};

inline std::string Bof(unsigned dt, int biff = 8)
{
    BiffBytes b;
    b.U16(biff == 8 ? 0x0600 : 0x0500);
    b.U16(dt);
    b.U16(0x0DBB);
    b.U16(0x07CC);
    if (biff == 8) {
        b.U32(0);
        b.U32(0x0006);
    }
    return b.data;
}

// A string as LABEL, RSTRING and STRING hold it: BIFF8 with a flags byte (one-byte characters).
inline std::string InlineString(const std::string& text, int biff)
{
    BiffBytes b;
    b.U16(static_cast<unsigned>(text.size()));
    if (biff == 8)
        b.U8(0);
    b.data += text;
    return b.data;
}

namespace detail {

// One 128-byte directory entry (name, type, child, first sector, size).
inline std::string DirectoryEntry(const std::string& name, unsigned type, std::uint32_t child, std::uint32_t start,
                                  std::uint32_t size)
{
    BiffBytes e;
    for (char c : name)
        e.U16(static_cast<unsigned char>(c));
    e.U16(0);
    e.data.resize(64, '\0');
    e.U16(static_cast<unsigned>((name.size() + 1) * 2));
    e.U8(type);
    e.U8(1);
    e.U32(0xFFFFFFFF);
    e.U32(0xFFFFFFFF);
    e.U32(child);
    e.data += std::string(16 + 4 + 16, '\0');
    e.U32(start);
    e.U32(size);
    e.U32(0);
    return e.data;
}

inline std::string LargeCompoundFile(std::string stream, const std::string& streamName)
{
    const auto streamSize = static_cast<std::uint32_t>(stream.size());
    stream.resize((stream.size() + 511) / 512 * 512, '\0');
    const auto n = static_cast<std::uint32_t>(stream.size() / 512);
    std::uint32_t fatSectors = 1, difatSectors = 0;
    for (;;) {
        const std::uint32_t entries = n + 1 + fatSectors + difatSectors;
        const std::uint32_t f = (entries + 127) / 128;
        const std::uint32_t d = f > 109 ? (f - 109 + 126) / 127 : 0;
        if (f == fatSectors && d == difatSectors)
            break;
        fatSectors = f;
        difatSectors = d;
    }
    const std::uint32_t dirSector = n, firstFat = n + 1, firstDifat = n + 1 + fatSectors;
    BiffBytes h;
    h.data = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(16, '\0');
    h.U16(0x003E);
    h.U16(0x0003);
    h.U16(0xFFFE);
    h.U16(9);
    h.U16(6);
    h.data += std::string(6, '\0');
    h.U32(0);
    h.U32(fatSectors);
    h.U32(dirSector);
    h.U32(0);
    h.U32(4096);
    h.U32(0xFFFFFFFE);
    h.U32(0);
    h.U32(difatSectors ? firstDifat : 0xFFFFFFFE);
    h.U32(difatSectors);
    for (std::uint32_t i = 0; i < 109; ++i)
        h.U32(i < fatSectors ? firstFat + i : 0xFFFFFFFF);
    BiffBytes fat;
    for (std::uint32_t i = 0; i < n; ++i)
        fat.U32(i + 1 == n ? 0xFFFFFFFE : i + 1);
    fat.U32(0xFFFFFFFE); // directory
    for (std::uint32_t i = 0; i < fatSectors; ++i)
        fat.U32(0xFFFFFFFD);
    for (std::uint32_t i = 0; i < difatSectors; ++i)
        fat.U32(0xFFFFFFFC);
    fat.data.resize(std::size_t{fatSectors} * 512, '\xFF');
    BiffBytes difat;
    for (std::uint32_t d = 0; d < difatSectors; ++d) {
        for (std::uint32_t k = 0; k < 127; ++k) {
            const std::uint32_t fatIndex = 109 + d * 127 + k;
            difat.U32(fatIndex < fatSectors ? firstFat + fatIndex : 0xFFFFFFFF);
        }
        difat.U32(d + 1 < difatSectors ? firstDifat + d + 1 : 0xFFFFFFFE);
    }
    const auto entry = detail::DirectoryEntry;
    std::string dir = entry("Root Entry", 5, 1, 0xFFFFFFFE, 0) + entry(streamName, 2, 0xFFFFFFFF, 0, streamSize);
    while (dir.size() < 512)
        dir += entry("", 0, 0xFFFFFFFF, 0, 0);
    return h.data + std::string(512 - h.data.size(), '\0') + stream + dir + fat.data + difat.data;
}

} // namespace detail

// A compound file holding one stream. A stream of at least 4096 bytes lives in ordinary sectors
// (header, FAT, directory, stream; beyond 126 sectors: header, stream, directory, FAT sectors and,
// beyond 109 FAT sectors, DIFAT sectors); a shorter one in the mini stream, as Office stores it
// (header, FAT, directory, mini FAT, the root's mini stream container).
inline std::string CompoundFile(std::string stream, const std::string& streamName)
{
    // One FAT sector maps the FAT, the directory and 126 stream sectors; a longer stream takes the
    // general layout.
    if ((stream.size() + 511) / 512 > 126)
        return detail::LargeCompoundFile(std::move(stream), streamName);
    const bool mini = stream.size() < 4096;
    const auto streamSize = static_cast<std::uint32_t>(stream.size());
    const std::size_t unit = mini ? 64 : 512;
    stream.resize((stream.size() + unit - 1) / unit * unit, '\0');
    const auto units = static_cast<std::uint32_t>(stream.size() / unit);
    std::string container = stream;
    if (mini)
        container.resize((container.size() + 511) / 512 * 512, '\0');
    const auto dataSectors = static_cast<std::uint32_t>(container.size() / 512);
    const std::uint32_t firstData = mini ? 3 : 2;
    BiffBytes h;
    h.data = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(16, '\0');
    h.U16(0x003E);
    h.U16(0x0003);
    h.U16(0xFFFE);
    h.U16(9);
    h.U16(6);
    h.data += std::string(6, '\0');
    h.U32(0);
    h.U32(1);
    h.U32(1);
    h.U32(0);
    h.U32(4096);
    h.U32(mini ? 2 : 0xFFFFFFFE);
    h.U32(mini ? 1 : 0);
    h.U32(0xFFFFFFFE);
    h.U32(0);
    h.U32(0);
    for (int i = 1; i < 109; ++i)
        h.U32(0xFFFFFFFF);
    BiffBytes fat;
    fat.U32(0xFFFFFFFD);
    fat.U32(0xFFFFFFFE);
    if (mini)
        fat.U32(0xFFFFFFFE);
    for (std::uint32_t i = 0; i < dataSectors; ++i)
        fat.U32(i + 1 == dataSectors ? 0xFFFFFFFE : firstData + i + 1);
    while (fat.data.size() < 512)
        fat.U32(0xFFFFFFFF);
    const auto entry = detail::DirectoryEntry;
    std::string dir = entry("Root Entry", 5, 1, mini ? firstData : 0xFFFFFFFE, mini ? units * 64 : 0) +
        entry(streamName, 2, 0xFFFFFFFF, mini ? 0 : firstData, streamSize);
    while (dir.size() < 512)
        dir += entry("", 0, 0xFFFFFFFF, 0, 0);
    std::string out = h.data + fat.data + dir;
    if (mini) {
        BiffBytes miniFat;
        for (std::uint32_t i = 0; i < units; ++i)
            miniFat.U32(i + 1 == units ? 0xFFFFFFFE : i + 1);
        while (miniFat.data.size() < 512)
            miniFat.U32(0xFFFFFFFF);
        out += miniFat.data;
    }
    return out + container;
}

} // namespace artikel::testdata
