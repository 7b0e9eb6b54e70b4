#pragma once

// Small old-format Excel workbooks (BIFF8 or BIFF5 in a compound file) for the tests of the .xls
// reader: shared and inline strings, numbers, RK numbers, dates, formula results, booleans and
// errors on one or more sheets, raw records where a test needs a particular byte layout.

#include "tools/testdata/BiffWriter.h"

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

using Bytes = testdata::BiffBytes;
using testdata::Bof;
using testdata::CompoundFile;
using testdata::InlineString;

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
