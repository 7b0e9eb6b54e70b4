#pragma once

// Streaming parsers of the XML parts of an .xlsx workbook (expat). Each takes its part in chunks
// of any size; a document type declaration is refused, so no entity can expand. Errors raise
// EConvertError with a message naming `fileName`.

#include "converter/TCellFormat.h"
#include "converter/TConvertSink.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace artikel::convert {

class TXmlPart {
public:
    explicit TXmlPart(std::string fileName);
    // declaredEncoding: the document's own encoding declaration counts (UTF-8, UTF-16,
    // ISO-8859-1, Windows-1252) instead of UTF-8 throughout, as for files written outside a
    // package.
    TXmlPart(std::string fileName, bool declaredEncoding);
    virtual ~TXmlPart();
    TXmlPart(const TXmlPart&) = delete;
    TXmlPart& operator=(const TXmlPart&) = delete;

    void Feed(const char* data, std::size_t size, bool final);
    const std::string& FileName() const { return fileName_; }

    // Longest text kept of one element: the spreadsheet allows 32,767 characters in a cell.
    static constexpr std::size_t kMaxText = 1 << 20;

protected:
    // Element names without their namespace prefix; attrs as expat gives them (name, value, ...).
    virtual void Start(std::string_view name, const char** attrs) = 0;
    virtual void End(std::string_view name) = 0;
    // Character data goes to text_ while collecting_ is set.
    bool collecting_ = false;
    std::string text_;
    static const char* Attr(const char** attrs, std::string_view name);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string fileName_;
};

// Decodes the "_xHHHH_" escapes of OOXML strings (in UTF-8 text) and returns Windows-1252.
std::string OoxmlTextToWin1252(std::string_view utf8);

// Texts held in one block (a workbook may have millions of short shared strings).
class TStringTable {
public:
    void Add(std::string_view text)
    {
        blob_.append(text);
        ends_.push_back(blob_.size());
    }
    std::size_t Size() const { return ends_.size(); }
    std::string_view At(std::size_t i) const
    {
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(blob_).substr(begin, ends_[i] - begin);
    }

private:
    std::string blob_;
    std::vector<std::size_t> ends_;
};

// xl/sharedStrings.xml: every <si> (plain or rich text runs, phonetic runs left out).
class TXlsxSharedStrings : public TXmlPart {
public:
    using TXmlPart::TXmlPart;
    TStringTable strings; // Windows-1252
    static constexpr std::size_t kMaxStrings = std::size_t{1} << 25;

protected:
    void Start(std::string_view name, const char** attrs) override;
    void End(std::string_view name) override;

private:
    int phonetic_ = 0;
    bool inItem_ = false;
    std::string item_;
};

// xl/styles.xml: the number format of each cell format (the "s" attribute of a cell).
class TXlsxStyles : public TXmlPart {
public:
    using TXmlPart::TXmlPart;
    std::vector<TCellFormat> CellFormats() const;

protected:
    void Start(std::string_view name, const char** attrs) override;
    void End(std::string_view name) override;

private:
    std::map<int, TCellFormat> custom_;
    std::vector<int> xfFormatIds_;
    bool inCellXfs_ = false;
};

// xl/workbook.xml: sheet names, visibility and relationship ids; the date system.
class TXlsxWorkbook : public TXmlPart {
public:
    using TXmlPart::TXmlPart;
    struct Sheet {
        std::string name; // UTF-8
        std::string relId;
        bool hidden = false;
    };
    std::vector<Sheet> sheets;
    bool date1904 = false;

protected:
    void Start(std::string_view name, const char** attrs) override;
    void End(std::string_view) override {}
};

// *.rels: relationship id -> (type, target).
class TXlsxRelations : public TXmlPart {
public:
    using TXmlPart::TXmlPart;
    struct Relation {
        std::string type;
        std::string target;
    };
    std::map<std::string, Relation> relations;

protected:
    void Start(std::string_view name, const char** attrs) override;
    void End(std::string_view) override {}
};

// A worksheet: the rows as the user sees them, empty rows left out, each row up to its last
// non-empty cell with empty cells keeping their column.
class TXlsxSheetParser : public TXmlPart {
public:
    TXlsxSheetParser(std::string fileName, const TStringTable& sharedStrings, const std::vector<TCellFormat>& formats,
                     bool date1904, TConvertSink& sink);
    std::size_t RowsDelivered() const { return rows_; }
    // A value stood right of kMaxColumns and was left out.
    bool ColumnsDropped() const { return dropped_; }

    // The program shows 100 columns; a reference far to the right must not make every row wide.
    static constexpr std::size_t kMaxColumns = 1024;
    // A worksheet has at most this many rows; more is no workbook the spreadsheet program wrote.
    static constexpr std::size_t kMaxRows = 1048576;

protected:
    void Start(std::string_view name, const char** attrs) override;
    void End(std::string_view name) override;

private:
    std::string CellText();

    const TStringTable& shared_;
    const std::vector<TCellFormat>& formats_;
    bool date1904_;
    TConvertSink& sink_;
    std::vector<std::string> cells_;
    std::size_t rows_ = 0;
    bool dropped_ = false;
    std::size_t nextColumn_ = 0;
    std::size_t column_ = 0;
    std::string type_;
    int style_ = 0;
    bool inCell_ = false;
    bool inInline_ = false;
    int phonetic_ = 0;
    std::string value_;
    std::string inline_;
};

} // namespace artikel::convert
