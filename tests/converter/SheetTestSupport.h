#pragma once

// Helpers of the spreadsheet, text and Zip reader tests: a sink that records what a reader
// delivers, and a builder of small .xlsx workbooks from hand-written XML.

#include "converter/TConvertSink.h"
#include "converter/TZipWriter.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace artikel::convert::sheettest {

using Rows = std::vector<std::vector<std::string>>;

class RecordingSink : public TConvertSink {
public:
    Rows rows;
    std::vector<std::string> notes;
    void Row(const std::vector<std::string>& cells) override { rows.push_back(cells); }
    void Note(const std::string& message) override { notes.push_back(message); }
};

inline std::string SheetXml(const std::string& sheetData)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
           "<sheetData>" +
        sheetData + "</sheetData></worksheet>";
}

struct TestSheet {
    std::string name;
    std::string xml; // the whole worksheet part
    bool hidden = false;
};

// A workbook with the given sheets, shared strings (UTF-8 texts) and cellXfs number formats
// (custom formats as id/code pairs).
inline void WriteTestXlsx(const std::filesystem::path& file, const std::vector<TestSheet>& sheets,
                          const std::vector<std::string>& shared = {}, const std::vector<int>& xfFormatIds = {0},
                          const std::vector<std::pair<int, std::string>>& customFormats = {}, bool date1904 = false)
{
    const std::string ns = "http://schemas.openxmlformats.org/";
    TZipWriter zip(file);
    zip.Add("[Content_Types].xml", "<?xml version=\"1.0\"?><Types xmlns=\"" + ns + "package/2006/content-types\"/>");
    zip.Add("_rels/.rels",
            "<?xml version=\"1.0\"?><Relationships xmlns=\"" + ns +
                "package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" + ns +
                "officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    std::string wb = "<?xml version=\"1.0\"?><workbook xmlns=\"" + ns + "spreadsheetml/2006/main\" xmlns:r=\"" + ns +
        "officeDocument/2006/relationships\">";
    if (date1904)
        wb += "<workbookPr date1904=\"1\"/>";
    wb += "<sheets>";
    std::string rels = "<?xml version=\"1.0\"?><Relationships xmlns=\"" + ns + "package/2006/relationships\">";
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        // Sheets listed in reverse file order, so that the workbook order, not the part name, counts.
        const std::string part = "worksheets/sheet" + std::to_string(sheets.size() - i) + ".xml";
        wb += "<sheet name=\"" + sheets[i].name + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"" +
            (sheets[i].hidden ? " state=\"hidden\"" : "") + "/>";
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + ns +
            "officeDocument/2006/relationships/worksheet\" Target=\"" + part + "\"/>";
        zip.Add("xl/" + part, sheets[i].xml);
    }
    wb += "</sheets></workbook>";
    rels += "<Relationship Id=\"rS\" Type=\"" + ns +
        "officeDocument/2006/relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    rels += "<Relationship Id=\"rT\" Type=\"" + ns +
        "officeDocument/2006/relationships/styles\" Target=\"/xl/styles.xml\"/>";
    rels += "</Relationships>";
    zip.Add("xl/workbook.xml", wb);
    zip.Add("xl/_rels/workbook.xml.rels", rels);
    std::string sst = "<?xml version=\"1.0\"?><sst xmlns=\"" + ns + "spreadsheetml/2006/main\">";
    for (const auto& s : shared)
        sst += "<si>" + s + "</si>";
    zip.Add("xl/sharedStrings.xml", sst + "</sst>");
    std::string styles = "<?xml version=\"1.0\"?><styleSheet xmlns=\"" + ns + "spreadsheetml/2006/main\"><numFmts>";
    for (const auto& [id, code] : customFormats)
        styles += "<numFmt numFmtId=\"" + std::to_string(id) + "\" formatCode=\"" + code + "\"/>";
    styles += "</numFmts><cellStyleXfs><xf numFmtId=\"0\"/></cellStyleXfs><cellXfs>";
    for (int id : xfFormatIds)
        styles += "<xf numFmtId=\"" + std::to_string(id) + "\" xfId=\"0\"/>";
    zip.Add("xl/styles.xml", styles + "</cellXfs></styleSheet>");
    zip.Close();
}

} // namespace artikel::convert::sheettest
