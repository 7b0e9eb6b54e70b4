#include "converter/ReadSpreadsheetOrText.h"

#include "converter/TConvertMessage.h"
#include "converter/THtmlTableReader.h"
#include "converter/TSpreadsheetMlReader.h"
#include "converter/TTableShaper.h"
#include "converter/TTextCsvReader.h"
#include "converter/TXlsReader.h"
#include "converter/TXlsxReader.h"

#include <cstring>
#include <fstream>
#include <zip.h>

namespace artikel::convert {

TSheetKind DetectSheetKind(const std::filesystem::path& file)
{
    char head[4096] = {};
    std::size_t got = 0;
    {
        std::ifstream in(file, std::ios::binary);
        in.read(head, sizeof head);
        got = static_cast<std::size_t>(in.gcount());
    }
    if (std::memcmp(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0)
        return TSheetKind::Xls;
    if (std::memcmp(head, "PK\x03\x04", 4) == 0 || std::memcmp(head, "PK\x05\x06", 4) == 0) {
        int err = 0;
        zip* archive = zip_open(file.c_str(), ZIP_RDONLY, &err);
        if (!archive)
            return TSheetKind::OtherZip;
        // Office packages (also .xlsb) and OpenDocument files go to the workbook reader, which
        // names what it cannot read.
        const bool workbook = zip_name_locate(archive, "xl/workbook.xml", ZIP_FL_NOCASE) >= 0 ||
            zip_name_locate(archive, "[Content_Types].xml", ZIP_FL_NOCASE) >= 0 ||
            (zip_name_locate(archive, "mimetype", 0) >= 0 && zip_name_locate(archive, "content.xml", 0) >= 0);
        zip_discard(archive);
        return workbook ? TSheetKind::Xlsx : TSheetKind::OtherZip;
    }
    // Markup, possibly in UTF-16 (looked at without its zero bytes) or behind a UTF-8 BOM.
    std::string text(head, got);
    if (got >= 2 && (text.compare(0, 2, "\xFF\xFE") == 0 || text.compare(0, 2, "\xFE\xFF") == 0)) {
        std::string narrow;
        for (std::size_t i = 2; i < text.size(); ++i)
            if (text[i] != '\0')
                narrow += text[i];
        text.swap(narrow);
    } else if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text.erase(0, 3);
    }
    if (LooksLikeSpreadsheetMl(text))
        return TSheetKind::SpreadsheetMl;
    if (LooksLikeHtmlTable(text))
        return TSheetKind::Html;
    return TSheetKind::Text;
}

void ReadSpreadsheetOrText(const std::filesystem::path& file, TConvertSink& sink)
{
    const std::string shown = file.filename().string();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        FailFile(shown, "wurde nicht gefunden.");
    // Title lines above the header row are dropped, whatever the format.
    TTableShaper table(sink);
    TSheetKind kind = DetectSheetKind(file);
    if (file.filename() == "Clipboard" && (kind == TSheetKind::SpreadsheetMl || kind == TSheetKind::Html))
        kind = TSheetKind::Text;
    switch (kind) {
    case TSheetKind::Xlsx: TXlsxReader().ReadFile(file, table); break;
    case TSheetKind::Xls: TXlsReader().ReadFile(file, table); break;
    case TSheetKind::SpreadsheetMl: TSpreadsheetMlReader().ReadFile(file, table); break;
    case TSheetKind::Html: THtmlTableReader().ReadFile(file, table); break;
    case TSheetKind::Text: TTextCsvReader(shown).ReadFile(file, table); break;
    case TSheetKind::OtherZip: FailFile(shown, "ist ein Zip-Archiv, aber keine Excel-Arbeitsmappe.");
    }
    table.Finish();
}

} // namespace artikel::convert
