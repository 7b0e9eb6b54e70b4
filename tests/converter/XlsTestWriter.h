#pragma once

// A minimal old-format Excel workbook (BIFF8 in a compound file) for the tests of the .xls
// reader: shared strings, numbers, RK numbers and dates on one or more sheets.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace artikel::convert::xlstest {

struct XlsCell {
    std::uint16_t row, col;
    enum Kind { Text, Number, Rk, Date } kind;
    std::string text; // Text: Latin-1 characters (one byte each)
    double number = 0;
};

struct XlsSheet {
    std::string name;
    std::vector<XlsCell> cells;
};

class Bytes {
public:
    std::string data;
    void U8(unsigned v) { data += static_cast<char>(v & 0xFF); }
    void U16(unsigned v) { U8(v); U8(v >> 8); }
    void U32(std::uint32_t v) { U16(v & 0xFFFF); U16(v >> 16); }
    void F64(double d) {
        std::uint64_t u;
        std::memcpy(&u, &d, 8);
        U32(static_cast<std::uint32_t>(u));
        U32(static_cast<std::uint32_t>(u >> 32));
    }
    void Record(unsigned type, const std::string& body) {
        U16(type);
        U16(static_cast<unsigned>(body.size()));
        data += body;
    }
};

inline std::string Bof(unsigned dt) {
    Bytes b;
    b.U16(0x0600); b.U16(dt); b.U16(0x0DBB); b.U16(0x07CC); b.U32(0); b.U32(0x0006);
    return b.data;
}

inline std::string WorkbookStream(const std::vector<XlsSheet>& sheets) {
    std::vector<std::string> sst;
    auto sstIndex = [&](const std::string& s) {
        for (std::size_t i = 0; i < sst.size(); ++i)
            if (sst[i] == s) return static_cast<std::uint32_t>(i);
        sst.push_back(s);
        return static_cast<std::uint32_t>(sst.size() - 1);
    };
    // Sheet substreams first (their offsets go into the globals).
    std::vector<std::string> bodies;
    for (const auto& sheet : sheets) {
        Bytes s;
        s.Record(0x0809, Bof(0x0010));
        unsigned maxRow = 0, maxCol = 0;
        for (const auto& c : sheet.cells) {
            maxRow = std::max<unsigned>(maxRow, c.row + 1u);
            maxCol = std::max<unsigned>(maxCol, c.col + 1u);
        }
        Bytes dim;
        dim.U32(0); dim.U32(maxRow); dim.U16(0); dim.U16(maxCol); dim.U16(0);
        s.Record(0x0200, dim.data);
        for (const auto& c : sheet.cells) {
            Bytes r;
            r.U16(c.row); r.U16(c.col);
            switch (c.kind) {
            case XlsCell::Text: r.U16(15); r.U32(sstIndex(c.text)); s.Record(0x00FD, r.data); break;
            case XlsCell::Number: r.U16(15); r.F64(c.number); s.Record(0x0203, r.data); break;
            case XlsCell::Rk: r.U16(15); r.U32((static_cast<std::uint32_t>(c.number) << 2) | 2u); s.Record(0x027E, r.data); break;
            case XlsCell::Date: r.U16(16); r.F64(c.number); s.Record(0x0203, r.data); break;
            }
        }
        s.Record(0x000A, "");
        bodies.push_back(s.data);
    }
    auto globals = [&](const std::vector<std::uint32_t>& offsets) {
        Bytes g;
        g.Record(0x0809, Bof(0x0005));
        Bytes cp; cp.U16(0x04B0); g.Record(0x0042, cp.data);
        Bytes dm; dm.U16(0); g.Record(0x0022, dm.data);
        Bytes fmt; fmt.U16(164); fmt.U16(10); fmt.U8(0); fmt.data += "dd.mm.yyyy"; g.Record(0x041E, fmt.data);
        Bytes font; font.U16(200); font.U16(0); font.U16(0x7FFF); font.U16(400); font.U16(0); font.U8(0); font.U8(0);
        font.U8(0); font.U8(0); font.U8(5); font.U8(0); font.data += "Arial";
        for (int i = 0; i < 5; ++i) g.Record(0x0031, font.data);
        // 15 style formats, then the cell formats 15 (general) and 16 (date).
        for (int i = 0; i < 17; ++i) {
            Bytes xf;
            xf.U16(0); xf.U16(i == 16 ? 164 : 0); xf.U16(i < 15 ? 0xFFF5 : 0x0001);
            xf.U16(0x0020); xf.U16(0); xf.U32(0); xf.U32(0); xf.U16(0x20C0);
            g.Record(0x00E0, xf.data);
        }
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            Bytes bs;
            bs.U32(offsets[i]); bs.U8(0); bs.U8(0);
            bs.U8(static_cast<unsigned>(sheets[i].name.size())); bs.U8(0); bs.data += sheets[i].name;
            g.Record(0x0085, bs.data);
        }
        Bytes st;
        st.U32(static_cast<std::uint32_t>(sst.size())); st.U32(static_cast<std::uint32_t>(sst.size()));
        for (const auto& s : sst) { st.U16(static_cast<unsigned>(s.size())); st.U8(0); st.data += s; }
        g.Record(0x00FC, st.data);
        g.Record(0x000A, "");
        return g.data;
    };
    std::vector<std::uint32_t> offsets(sheets.size(), 0);
    const std::size_t globalsSize = globals(offsets).size(); // the size does not depend on the offsets
    std::uint32_t pos = static_cast<std::uint32_t>(globalsSize);
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        offsets[i] = pos;
        pos += static_cast<std::uint32_t>(bodies[i].size());
    }
    std::string stream = globals(offsets);
    for (const auto& b : bodies) stream += b;
    return stream;
}

// The compound file: header, one FAT sector, one directory sector, the stream (at least
// 4096 bytes, so it lives in ordinary sectors).
inline void WriteTestXls(const std::filesystem::path& file, const std::vector<XlsSheet>& sheets) {
    std::string stream = WorkbookStream(sheets);
    const std::uint32_t streamSize = static_cast<std::uint32_t>(std::max<std::size_t>(stream.size(), 4096));
    stream.resize((streamSize + 511) / 512 * 512, '\0');
    const std::uint32_t streamSectors = static_cast<std::uint32_t>(stream.size() / 512);
    Bytes h;
    h.data = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(16, '\0');
    h.U16(0x003E); h.U16(0x0003); h.U16(0xFFFE); h.U16(9); h.U16(6);
    h.data += std::string(6, '\0');
    h.U32(0); h.U32(1); h.U32(1); h.U32(0); h.U32(4096); h.U32(0xFFFFFFFE); h.U32(0); h.U32(0xFFFFFFFE); h.U32(0);
    h.U32(0);
    for (int i = 1; i < 109; ++i) h.U32(0xFFFFFFFF);
    Bytes fat;
    fat.U32(0xFFFFFFFD); fat.U32(0xFFFFFFFE);
    for (std::uint32_t i = 0; i < streamSectors; ++i) fat.U32(i + 1 == streamSectors ? 0xFFFFFFFE : i + 3);
    while (fat.data.size() < 512) fat.U32(0xFFFFFFFF);
    auto entry = [](const std::string& name, unsigned type, std::uint32_t child, std::uint32_t start, std::uint32_t size) {
        Bytes e;
        for (char c : name) e.U16(static_cast<unsigned char>(c));
        e.U16(0);
        e.data.resize(64, '\0');
        e.U16(static_cast<unsigned>((name.size() + 1) * 2)); e.U8(type); e.U8(1);
        e.U32(0xFFFFFFFF); e.U32(0xFFFFFFFF); e.U32(child);
        e.data += std::string(16 + 4 + 16, '\0');
        e.U32(start); e.U32(size); e.U32(0);
        return e.data;
    };
    std::string dir = entry("Root Entry", 5, 1, 0xFFFFFFFE, 0) + entry("Workbook", 2, 0xFFFFFFFF, 2, streamSize);
    while (dir.size() < 512) dir += entry("", 0, 0xFFFFFFFF, 0, 0);
    std::ofstream out(file, std::ios::binary);
    out << h.data << fat.data << dir << stream;
}

} // namespace artikel::convert::xlstest
