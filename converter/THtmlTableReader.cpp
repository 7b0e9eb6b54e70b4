#include "converter/THtmlTableReader.h"

#include "converter/TConvertMessage.h"
#include "data/TReadOnlyFile.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <libxml/HTMLparser.h>
#include <libxml/xmlerror.h>
#include <optional>
#include <vector>

namespace artikel::convert {
namespace {

// Marks a line break (<br>) while a cell's blanks are collapsed.
constexpr char kBreak = '\x01';

std::string LowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

int SpanOf(const xmlChar** attrs, const char* name, int limit)
{
    for (; attrs && attrs[0]; attrs += 2) {
        if (LowerAscii(reinterpret_cast<const char*>(attrs[0])) != name || !attrs[1])
            continue;
        const int v = std::atoi(reinterpret_cast<const char*>(attrs[1]));
        return std::clamp(v, 1, limit);
    }
    return 1;
}

// A cell's text: blanks (also no-break spaces) collapsed to one, none at the ends or around a
// line break; UTF-8 in, Windows-1252 out.
std::string CellText(const std::string& raw)
{
    std::string out;
    bool blank = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        const bool nbsp = c == '\xC2' && i + 1 < raw.size() && raw[i + 1] == '\xA0';
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || nbsp) {
            if (nbsp)
                ++i;
            blank = true;
            continue;
        }
        if (c == kBreak) {
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            out += '\n';
            blank = false;
            continue;
        }
        if (blank && !out.empty() && out.back() != '\n')
            out += ' ';
        blank = false;
        out += c;
    }
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    std::size_t lead = 0;
    while (lead < out.size() && out[lead] == '\n')
        ++lead;
    return Utf8ToWin1252(std::string_view(out).substr(lead));
}

struct Table {
    std::size_t order = 0;
    // Rows hold only their filled cells (column, text), so spans cost nothing.
    std::vector<std::vector<std::pair<std::uint16_t, std::string>>> rows;
    std::vector<std::pair<std::uint16_t, std::string>> row;
    std::vector<int> spanLeft; // rows a cell above still covers, per column
    std::size_t col = 0;
    bool inRow = false, inCell = false;
    int colspan = 1, rowspan = 1;
    std::string cell;
    bool dropped = false;

    void StartRow()
    {
        EndRow();
        inRow = true;
        col = 0;
    }
    void EndRow()
    {
        EndCell();
        if (!inRow)
            return;
        inRow = false;
        for (std::size_t c = col; c < spanLeft.size(); ++c)
            if (spanLeft[c] > 0)
                --spanLeft[c];
        if (!row.empty() && rows.size() < THtmlTableReader::kMaxRows)
            rows.push_back(std::move(row));
        row.clear();
    }
    void StartCell(int cs, int rs)
    {
        if (!inRow)
            StartRow();
        EndCell();
        while (col < spanLeft.size() && spanLeft[col] > 0)
            --spanLeft[col++];
        inCell = true;
        colspan = cs;
        rowspan = rs;
        cell.clear();
    }
    void EndCell()
    {
        if (!inCell)
            return;
        inCell = false;
        std::string text = CellText(cell);
        if (!text.empty()) {
            if (col < THtmlTableReader::kMaxColumns)
                row.emplace_back(static_cast<std::uint16_t>(col), std::move(text));
            else
                dropped = true;
        }
        if (rowspan > 1) {
            const std::size_t end = std::min(col + static_cast<std::size_t>(colspan), THtmlTableReader::kMaxColumns);
            if (spanLeft.size() < end)
                spanLeft.resize(end, 0);
            for (std::size_t c = col; c < end; ++c)
                spanLeft[c] = rowspan - 1;
        }
        col += static_cast<std::size_t>(colspan);
    }
    // Data: at least two rows of at least two filled cells (a layout table around the real one
    // rarely has that); else any filled cell at all.
    int Strength() const
    {
        std::size_t wide = 0;
        for (const auto& r : rows)
            if (r.size() >= 2)
                ++wide;
        return wide >= 2 ? 2 : rows.empty() ? 0 : 1;
    }
};

class Collector {
public:
    std::vector<Table> open;
    std::optional<Table> best[3]; // by strength 1, 2
    std::size_t tablesWithData = 0;
    std::size_t counter = 0;

    void Start(std::string_view name, const xmlChar** attrs)
    {
        if (name == "table") {
            open.emplace_back();
            open.back().order = counter++;
            return;
        }
        if (open.empty())
            return;
        Table& t = open.back();
        if (name == "tr")
            t.StartRow();
        else if (name == "td" || name == "th")
            t.StartCell(SpanOf(attrs, "colspan", 1000), SpanOf(attrs, "rowspan", 65534));
        else if (name == "br" && t.inCell)
            Append(std::string_view(&kBreak, 1));
        else if ((name == "p" || name == "div" || name == "li") && t.inCell)
            Append(" ");
    }
    void End(std::string_view name)
    {
        if (open.empty())
            return;
        Table& t = open.back();
        if (name == "td" || name == "th")
            t.EndCell();
        else if (name == "tr")
            t.EndRow();
        else if (name == "table") {
            t.EndRow();
            Table done = std::move(t);
            open.pop_back();
            const int strength = done.Strength();
            if (strength == 0)
                return;
            ++tablesWithData;
            // Tables end inner ones first: an enclosing table that qualifies began earlier and wins.
            auto& slot = best[strength];
            if (!slot || slot->order > done.order)
                slot = std::move(done);
        }
    }
    void Append(std::string_view text)
    {
        if (open.empty() || !open.back().inCell)
            return;
        std::string& cell = open.back().cell;
        if (cell.size() < THtmlTableReader::kMaxCellText)
            cell.append(text.substr(0, THtmlTableReader::kMaxCellText - cell.size()));
    }
    void Finish()
    {
        while (!open.empty())
            End("table"); // tables left open at the end of the page
    }
};

void OnStart(void* ctx, const xmlChar* name, const xmlChar** attrs)
{
    static_cast<Collector*>(ctx)->Start(LowerAscii(reinterpret_cast<const char*>(name)), attrs);
}
void OnEnd(void* ctx, const xmlChar* name)
{
    static_cast<Collector*>(ctx)->End(LowerAscii(reinterpret_cast<const char*>(name)));
}
void OnCharacters(void* ctx, const xmlChar* text, int len)
{
    static_cast<Collector*>(ctx)->Append(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(len)));
}
void Quiet(void*, const char*, ...) {}

// A charset named near the top of the page (meta tag or XML declaration).
bool DeclaresCharset(std::string_view bytes)
{
    const std::string head = LowerAscii(bytes.substr(0, 4096));
    return head.find("charset") != std::string::npos || head.find("encoding=") != std::string::npos;
}

} // namespace

bool LooksLikeHtmlTable(std::string_view head)
{
    std::size_t i = 0;
    while (i < head.size() && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n'))
        ++i;
    if (i >= head.size() || head[i] != '<')
        return false;
    const std::string lower = LowerAscii(head);
    return lower.find("<table") != std::string::npos || lower.find("<html") != std::string::npos ||
        lower.find("<!doctype html") != std::string::npos;
}

void THtmlTableReader::ReadFile(const std::filesystem::path& file, TConvertSink& sink)
{
    const std::string shown = file.filename().string();
    TFileView mapped;
    if (!mapped.Open(file))
        FailFile(shown, "konnte nicht gelesen werden.");
    ReadBytes(std::string_view(mapped.Data(), mapped.Size()), shown, sink);
}

void THtmlTableReader::ReadBytes(std::string_view bytes, const std::string& shown, TConvertSink& sink)
{
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, &Quiet);
    // The encoding: a BOM, else the charset the page names, else UTF-8 when the bytes are valid
    // UTF-8, else Windows-1252 (libxml2 would take ISO-8859-1 and lose the euro sign).
    std::string converted;
    xmlCharEncoding encoding = XML_CHAR_ENCODING_UTF8;
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        encoding = XML_CHAR_ENCODING_UTF16LE;
        bytes.remove_prefix(2);
    } else if (bytes.substr(0, 2) == "\xFE\xFF") {
        encoding = XML_CHAR_ENCODING_UTF16BE;
        bytes.remove_prefix(2);
    } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    } else if (DeclaresCharset(bytes)) {
        encoding = XML_CHAR_ENCODING_NONE;
    } else if (!IsValidUtf8(bytes)) {
        converted = Win1252ToUtf8(bytes);
        bytes = converted;
    }

    Collector collector;
    htmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.startElement = &OnStart;
    sax.endElement = &OnEnd;
    sax.characters = &OnCharacters;
    sax.warning = &Quiet;
    sax.error = &Quiet;
    htmlParserCtxtPtr ctxt = htmlCreatePushParserCtxt(&sax, &collector, nullptr, 0, nullptr, encoding);
    if (!ctxt)
        throw std::bad_alloc();
    htmlCtxtUseOptions(ctxt, HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_RECOVER);
    constexpr std::size_t kChunk = 1 << 20;
    for (std::size_t pos = 0; pos < bytes.size(); pos += kChunk) {
        const std::size_t n = std::min(kChunk, bytes.size() - pos);
        htmlParseChunk(ctxt, bytes.data() + pos, static_cast<int>(n), 0);
    }
    htmlParseChunk(ctxt, nullptr, 0, 1);
    htmlFreeParserCtxt(ctxt);
    collector.Finish();

    const std::optional<Table>& chosen = collector.best[2] ? collector.best[2] : collector.best[1];
    if (!chosen)
        FailFile(shown, "enthält keine Tabelle mit Daten.");
    std::vector<std::string> cells;
    for (const auto& row : chosen->rows) {
        cells.clear();
        for (const auto& [col, text] : row) {
            if (cells.size() <= col)
                cells.resize(std::size_t{col} + 1);
            cells[col] = text;
        }
        sink.Row(cells);
    }
    if (chosen->dropped)
        sink.Note(Utf8ToWin1252("Die Tabelle in „" + shown + "“ hat Werte rechts der Spalte " +
                                std::to_string(kMaxColumns) + "; sie wurden nicht übernommen."));
    if (collector.tablesWithData > 1)
        sink.Note(Utf8ToWin1252("Die Datei „" + shown + "“ enthält " + std::to_string(collector.tablesWithData) +
                                " Tabellen; übernommen wurde die erste mit Daten in mehreren Spalten (" +
                                std::to_string(chosen->rows.size()) + " Zeilen)."));
}

} // namespace artikel::convert
