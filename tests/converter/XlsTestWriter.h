#pragma once

// Small old-format Excel workbooks (BIFF8 or BIFF5 in a compound file) for the tests of the .xls
// reader: shared and inline strings, numbers, RK numbers, dates, formula results, booleans and
// errors on one or more sheets, raw records where a test needs a particular byte layout.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace artikel::convert::xlstest {

struct XlsCell {
    std::uint16_t row, col;
    // Text: a shared string (BIFF8) or LABEL (BIFF5); Label, RString: inline strings;
    // Formula*: a formula cell with its cached result (FormulaText: followed by a STRING record);
    // Bool, Error: BOOLERR (number holds 1/0 or the error code).
    enum Kind {
        Text,
        Number,
        Rk,
        Date,
        Label,
        RString,
        FormulaNumber,
        FormulaText,
        FormulaBool,
        FormulaError,
        Bool,
        Error
    } kind;
    std::string text; // Latin-1 / code page characters (one byte each)
    double number = 0;
    std::uint16_t xf = 0; // cell format; 0: 15 (general), 16 for Date
};

struct XlsSheet {
    std::string name;
    std::vector<XlsCell> cells;
    std::string records = {}; // raw records written after the cells
    unsigned listType = 0; // BOUNDSHEET type: 0 worksheet, 2 chart
    unsigned bofType = 0x0010; // 0x0010 worksheet, 0x0020 chart
    bool hidden = false;
};

struct XlsBook {
    std::vector<XlsSheet> sheets = {};
    int biff = 8;
    unsigned codePage = 0x04B0;
    std::string globals = {}; // raw records written after the code page (FILEPASS, FORMAT, ...)
    std::string sst = {}; // a raw SST record (with CONTINUE records) in place of the generated one
    std::vector<unsigned> xfFormats = {}; // number format ids of the cell formats 17, 18, ...
};

class Bytes {
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
    Bytes b;
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
    Bytes b;
    b.U16(static_cast<unsigned>(text.size()));
    if (biff == 8)
        b.U8(0);
    b.data += text;
    return b.data;
}

inline std::string WorkbookStream(const XlsBook& book)
{
    const auto& sheets = book.sheets;
    const int biff = book.biff;
    std::vector<std::string> sst;
    auto sstIndex = [&](const std::string& s) {
        for (std::size_t i = 0; i < sst.size(); ++i)
            if (sst[i] == s)
                return static_cast<std::uint32_t>(i);
        sst.push_back(s);
        return static_cast<std::uint32_t>(sst.size() - 1);
    };
    // Sheet substreams first (their offsets go into the globals).
    std::vector<std::string> bodies;
    for (const auto& sheet : sheets) {
        Bytes s;
        s.Record(0x0809, Bof(sheet.bofType, biff));
        unsigned maxRow = 0, maxCol = 0;
        for (const auto& c : sheet.cells) {
            maxRow = std::max<unsigned>(maxRow, c.row + 1u);
            maxCol = std::max<unsigned>(maxCol, c.col + 1u);
        }
        Bytes dim;
        dim.U32(0);
        dim.U32(maxRow);
        dim.U16(0);
        dim.U16(maxCol);
        dim.U16(0);
        s.Record(0x0200, dim.data);
        for (const auto& c : sheet.cells) {
            Bytes r;
            r.U16(c.row);
            r.U16(c.col);
            r.U16(c.xf ? c.xf : c.kind == XlsCell::Date ? 16 : 15);
            auto formula = [&](unsigned b0, unsigned b2) {
                r.U8(b0);
                r.U8(0);
                r.U8(b2);
                r.U8(0);
                r.U8(0);
                r.U8(0);
                r.U16(0xFFFF);
                r.U16(0);
                r.U32(0);
                r.U16(0);
                s.Record(0x0006, r.data);
            };
            switch (c.kind) {
            case XlsCell::Text:
                if (biff == 8) {
                    r.U32(sstIndex(c.text));
                    s.Record(0x00FD, r.data);
                } else {
                    r.data += InlineString(c.text, biff);
                    s.Record(0x0204, r.data);
                }
                break;
            case XlsCell::Number:
            case XlsCell::Date:
                r.F64(c.number);
                s.Record(0x0203, r.data);
                break;
            case XlsCell::Rk:
                r.U32((static_cast<std::uint32_t>(c.number) << 2) | 2u);
                s.Record(0x027E, r.data);
                break;
            case XlsCell::Label:
                r.data += InlineString(c.text, biff);
                s.Record(0x0204, r.data);
                break;
            case XlsCell::RString:
                r.data += InlineString(c.text, biff);
                if (biff == 8) {
                    r.U16(1);
                    r.U16(0);
                    r.U16(1);
                } else {
                    r.U8(1);
                    r.U8(0);
                    r.U8(1);
                }
                s.Record(0x00D6, r.data);
                break;
            case XlsCell::FormulaNumber:
                r.F64(c.number);
                r.U16(0);
                r.U32(0);
                r.U16(0);
                s.Record(0x0006, r.data);
                break;
            case XlsCell::FormulaText:
                formula(0, 0);
                s.Record(0x0207, InlineString(c.text, biff));
                break;
            case XlsCell::FormulaBool: formula(1, static_cast<unsigned>(c.number)); break;
            case XlsCell::FormulaError: formula(2, static_cast<unsigned>(c.number)); break;
            case XlsCell::Bool:
            case XlsCell::Error:
                r.U8(static_cast<unsigned>(c.number));
                r.U8(c.kind == XlsCell::Error);
                s.Record(0x0205, r.data);
                break;
            }
        }
        s.data += sheet.records;
        s.Record(0x000A, "");
        bodies.push_back(s.data);
    }
    auto globals = [&](const std::vector<std::uint32_t>& offsets) {
        Bytes g;
        g.Record(0x0809, Bof(0x0005, biff));
        Bytes cp;
        cp.U16(book.codePage);
        g.Record(0x0042, cp.data);
        g.data += book.globals;
        Bytes dm;
        dm.U16(0);
        g.Record(0x0022, dm.data);
        Bytes fmt;
        fmt.U16(164);
        if (biff == 8) {
            fmt.U16(10);
            fmt.U8(0);
        } else {
            fmt.U8(10);
        }
        fmt.data += "dd.mm.yyyy";
        g.Record(0x041E, fmt.data);
        Bytes font;
        font.U16(200);
        font.U16(0);
        font.U16(0x7FFF);
        font.U16(400);
        font.U16(0);
        font.U8(0);
        font.U8(0);
        font.U8(0);
        font.U8(0);
        font.U8(5);
        font.U8(0);
        font.data += "Arial";
        for (int i = 0; i < 5; ++i)
            g.Record(0x0031, font.data);
        // 15 style formats, then the cell formats 15 (general) and 16 (date).
        for (std::size_t i = 0; i < 17 + book.xfFormats.size(); ++i) {
            Bytes xf;
            xf.U16(0);
            xf.U16(i == 16 ? 164 : i > 16 ? book.xfFormats[i - 17] : 0);
            xf.U16(i < 15 ? 0xFFF5 : 0x0001);
            xf.U16(0x0020);
            xf.U16(0);
            xf.U32(0);
            xf.U32(0);
            xf.U16(0x20C0);
            g.Record(0x00E0, xf.data);
        }
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            Bytes bs;
            bs.U32(offsets[i]);
            bs.U8(sheets[i].hidden ? 1 : 0);
            bs.U8(sheets[i].listType);
            bs.U8(static_cast<unsigned>(sheets[i].name.size()));
            if (biff == 8)
                bs.U8(0);
            bs.data += sheets[i].name;
            g.Record(0x0085, bs.data);
        }
        if (!book.sst.empty()) {
            g.data += book.sst;
        } else if (biff == 8) {
            Bytes st;
            st.U32(static_cast<std::uint32_t>(sst.size()));
            st.U32(static_cast<std::uint32_t>(sst.size()));
            for (const auto& s : sst) {
                st.U16(static_cast<unsigned>(s.size()));
                st.U8(0);
                st.data += s;
            }
            g.Record(0x00FC, st.data);
        }
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
    for (const auto& b : bodies)
        stream += b;
    return stream;
}

// A compound file holding one stream. A stream of at least 4096 bytes lives in ordinary
// sectors (header, FAT, directory, stream); a shorter one in the mini stream, as Office stores it
// (header, FAT, directory, mini FAT, the root's mini stream container).
inline std::string CompoundFile(std::string stream, const std::string& streamName)
{
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
    Bytes h;
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
    Bytes fat;
    fat.U32(0xFFFFFFFD);
    fat.U32(0xFFFFFFFE);
    if (mini)
        fat.U32(0xFFFFFFFE);
    for (std::uint32_t i = 0; i < dataSectors; ++i)
        fat.U32(i + 1 == dataSectors ? 0xFFFFFFFE : firstData + i + 1);
    while (fat.data.size() < 512)
        fat.U32(0xFFFFFFFF);
    auto entry = [](const std::string& name, unsigned type, std::uint32_t child, std::uint32_t start,
                    std::uint32_t size) {
        Bytes e;
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
    };
    std::string dir = entry("Root Entry", 5, 1, mini ? firstData : 0xFFFFFFFE, mini ? units * 64 : 0) +
        entry(streamName, 2, 0xFFFFFFFF, mini ? 0 : firstData, streamSize);
    while (dir.size() < 512)
        dir += entry("", 0, 0xFFFFFFFF, 0, 0);
    std::string out = h.data + fat.data + dir;
    if (mini) {
        Bytes miniFat;
        for (std::uint32_t i = 0; i < units; ++i)
            miniFat.U32(i + 1 == units ? 0xFFFFFFFE : i + 1);
        while (miniFat.data.size() < 512)
            miniFat.U32(0xFFFFFFFF);
        out += miniFat.data;
    }
    return out + container;
}

inline void WriteTestXlsBook(const std::filesystem::path& file, const XlsBook& book)
{
    std::string stream = WorkbookStream(book);
    std::ofstream out(file, std::ios::binary);
    out << CompoundFile(std::move(stream), book.biff == 8 ? "Workbook" : "Book");
}

inline void WriteTestXls(const std::filesystem::path& file, const std::vector<XlsSheet>& sheets)
{
    XlsBook book;
    book.sheets = sheets;
    WriteTestXlsBook(file, book);
}

} // namespace artikel::convert::xlstest
