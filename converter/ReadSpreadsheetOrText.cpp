#include "converter/ReadSpreadsheetOrText.h"

#include "converter/TConvertMessage.h"
#include "converter/TTableShaper.h"
#include "converter/TTextCsvReader.h"
#include "converter/TXlsReader.h"
#include "converter/TXlsxReader.h"

#include <zip.h>

#include <cstring>
#include <fstream>

namespace artikel::convert {

TSheetKind DetectSheetKind(const std::filesystem::path& file) {
    char head[8] = {};
    {
        std::ifstream in(file, std::ios::binary);
        in.read(head, sizeof head);
    }
    if (std::memcmp(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0) return TSheetKind::Xls;
    if (std::memcmp(head, "PK\x03\x04", 4) == 0 || std::memcmp(head, "PK\x05\x06", 4) == 0) {
        int err = 0;
        zip* archive = zip_open(file.c_str(), ZIP_RDONLY, &err);
        if (!archive) return TSheetKind::OtherZip;
        // Office packages (also .xlsb) and OpenDocument files go to the workbook reader, which
        // names what it cannot read.
        const bool workbook = zip_name_locate(archive, "xl/workbook.xml", ZIP_FL_NOCASE) >= 0 ||
                              zip_name_locate(archive, "[Content_Types].xml", ZIP_FL_NOCASE) >= 0 ||
                              (zip_name_locate(archive, "mimetype", 0) >= 0 && zip_name_locate(archive, "content.xml", 0) >= 0);
        zip_discard(archive);
        return workbook ? TSheetKind::Xlsx : TSheetKind::OtherZip;
    }
    return TSheetKind::Text;
}

void ReadSpreadsheetOrText(const std::filesystem::path& file, TConvertSink& sink) {
    const std::string shown = file.filename().string();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) FailFile(shown, "wurde nicht gefunden.");
    // Title lines above the header row are dropped, whatever the format.
    TTableShaper table(sink);
    switch (DetectSheetKind(file)) {
    case TSheetKind::Xlsx: TXlsxReader().ReadFile(file, table); break;
    case TSheetKind::Xls: TXlsReader().ReadFile(file, table); break;
    case TSheetKind::Text: TTextCsvReader(shown).ReadFile(file, table); break;
    case TSheetKind::OtherZip: FailFile(shown, "ist ein Zip-Archiv, aber keine Excel-Arbeitsmappe.");
    }
    table.Finish();
}

} // namespace artikel::convert
