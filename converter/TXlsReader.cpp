#include "converter/TXlsReader.h"

#include "converter/TBiffWorkbook.h"
#include "converter/TConvertMessage.h"
#include "converter/TMappedFile.h"
#include "converter/TOle2File.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace artikel::convert {

void TXlsReader::ReadFile(const std::filesystem::path& file, TConvertSink& sink) {
    const std::string shown = file.filename().string();
    TMappedFile mapped;
    if (!mapped.Open(file)) FailFile(shown, "konnte nicht gelesen werden.");
    ReadBytes(std::string_view(mapped.Data(), mapped.Size()), shown, sink);
}

void TXlsReader::ReadBytes(std::string_view bytes, const std::string& shown, TConvertSink& sink) {
    const TOle2File ole(shown, bytes);
    bool biff8 = true;
    std::optional<TOle2File::Entry> stream = ole.FindStream("Workbook");
    if (!stream) {
        stream = ole.FindStream("Book"); // Excel 5/95
        biff8 = false;
    }
    if (!stream) {
        // A password-protected .xlsx is stored in a compound file as well.
        if (ole.FindStream("EncryptedPackage")) FailFile(shown, "ist verschlüsselt oder kennwortgeschützt.");
        FailFile(shown, "ist keine lesbare Excel-Arbeitsmappe (.xls): sie enthält keine Arbeitsmappe, vielleicht ist es ein anderes Office-Dokument.");
    }
    TBiffWorkbook book(shown, ole.ReadStream(*stream), biff8);

    // Worksheets in the order the user sees their tabs; hidden sheets only as a last resort.
    std::vector<std::size_t> order;
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t i = 0; i < book.Sheets().size(); ++i)
            if (book.Sheets()[i].hidden == (pass == 1)) order.push_back(i);

    std::optional<std::size_t> converted;
    for (std::size_t i : order) {
        if (book.ReadSheet(i, sink) > 0) {
            converted = i;
            if (book.ColumnsDropped())
                sink.Note(Utf8ToWin1252("Das Blatt „" + Win1252ToUtf8(book.Sheets()[i].name) + "“ hat Werte rechts der Spalte " +
                                        std::to_string(TBiffWorkbook::kMaxColumns) + "; sie wurden nicht übernommen."));
            break;
        }
    }
    if (!converted) FailFile(shown, "enthält kein Tabellenblatt mit Daten.");

    const std::string& taken = book.Sheets()[*converted].name;
    std::string others;
    for (std::size_t i = 0; i < book.Sheets().size(); ++i) {
        const auto& sheet = book.Sheets()[i];
        if (i == *converted) continue;
        others += others.empty() ? "„" : ", „";
        others += Win1252ToUtf8(sheet.name) + "“";
    }
    if (!others.empty()) {
        sink.Note(Utf8ToWin1252("Die Arbeitsmappe „" + shown + "“ hat weitere Tabellenblätter (" + others +
                                "); übernommen wurde nur das Blatt „" + Win1252ToUtf8(taken) + "“."));
    }
}

} // namespace artikel::convert
