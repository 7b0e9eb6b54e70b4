#include "mainwindow/ui/GridCopy.h"

#include "data/TCSVReader.h"
#include "data/TListDataSet.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "platform/Win1252.h"

#include <QHeaderView>

namespace artikel {
namespace {

std::string WithoutLineBreaks(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

void AppendHtmlCell(std::string& html, const char* tag, std::string_view value)
{
    html += '<';
    html += tag;
    html += '>';
    std::string escaped;
    for (char c : value) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c;
        }
    }
    html += Win1252ToUtf8(escaped);
    html += "</";
    html += tag;
    html += '>';
}

} // namespace

std::vector<std::string> CopiedColumnFields(const TI_DBGrid& grid)
{
    std::vector<std::string> fields;
    const TListDataSet* dataSet = grid.DataSet();
    if (!dataSet)
        return fields;
    const QHeaderView* header = grid.horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || grid.isColumnHidden(logical))
            continue;
        std::string field = grid.Model().ColumnField(logical);
        if (!field.empty() && dataSet->ColumnIndex(field) >= 0)
            fields.push_back(std::move(field));
    }
    return fields;
}

TCopiedRows CopyRowsText(const TListDataSet& dataSet, const std::vector<std::string>& fields,
                         const std::vector<int>& rows)
{
    TCopiedRows out;
    std::vector<int> cellSlots;
    for (const std::string& field : fields)
        cellSlots.push_back(dataSet.ColumnIndex(field));

    out.html = "<html><head><meta charset=\"utf-8\"></head><body><table><tr>";
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i)
            out.text += ',';
        out.text += CSVQuote(fields[i]);
        AppendHtmlCell(out.html, "th", fields[i]);
    }
    out.text += "\r\n";
    out.html += "</tr>";
    for (int row : rows) {
        out.html += "<tr>";
        for (size_t i = 0; i < cellSlots.size(); ++i) {
            const std::string value = WithoutLineBreaks(dataSet.Cell(row, cellSlots[i]));
            if (i)
                out.text += ',';
            out.text += CSVQuote(value);
            AppendHtmlCell(out.html, "td", value);
        }
        out.text += "\r\n";
        out.html += "</tr>";
    }
    out.html += "</table></body></html>";
    return out;
}

} // namespace artikel
