#include "converter/TXlsReader.h"

#include "converter/TBiffWorkbook.h"
#include "converter/TConvertMessage.h"
#include "converter/TOle2File.h"
#include "converter/TSheetChoice.h"
#include "data/TReadOnlyFile.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace artikel::convert {
namespace {
// What the surveyed sheets of one workbook may keep in memory.
constexpr std::size_t kKeptSheetBytes = std::size_t{256} << 20;
} // namespace

void TXlsReader::ReadFile(const std::filesystem::path& file, TConvertSink& sink)
{
    const std::string shown = file.filename().string();
    TFileView mapped;
    if (!mapped.Open(file))
        FailFile(shown, "konnte nicht gelesen werden.");
    ReadBytes(std::string_view(mapped.Data(), mapped.Size()), shown, sink);
}

void TXlsReader::ReadBytes(std::string_view bytes, const std::string& shown, TConvertSink& sink)
{
    const TOle2File ole(shown, bytes);
    bool biff8 = true;
    std::optional<TOle2File::Entry> stream = ole.FindStream("Workbook");
    if (!stream) {
        stream = ole.FindStream("Book"); // Excel 5/95
        biff8 = false;
    }
    if (!stream) {
        // A password-protected .xlsx is stored in a compound file as well.
        if (ole.FindStream("EncryptedPackage"))
            FailFile(shown, "ist verschlüsselt oder kennwortgeschützt.");
        FailFile(shown,
                 "ist keine lesbare Excel-Arbeitsmappe (.xls): sie enthält keine Arbeitsmappe, vielleicht ist es ein "
                 "anderes Office-Dokument.");
    }
    TBiffWorkbook book(shown, ole.ReadStream(*stream), biff8);

    // A single sheet streams straight through; of several, each is surveyed first, its rows kept
    // within a budget so that the chosen one is not read twice.
    const std::size_t count = book.Sheets().size();
    std::size_t chosen = 0;
    std::vector<TSheetInfo> infos;
    std::vector<std::unique_ptr<TSheetSurvey>> surveys;
    std::vector<bool> dropped;
    if (count > 1) {
        std::size_t budget = kKeptSheetBytes;
        for (std::size_t i = 0; i < count; ++i) {
            surveys.push_back(std::make_unique<TSheetSurvey>(budget));
            book.ReadSheet(i, *surveys.back());
            dropped.push_back(book.ColumnsDropped());
            infos.push_back(
                TSheetInfo::From(Win1252ToUtf8(book.Sheets()[i].name), book.Sheets()[i].hidden, *surveys.back()));
            budget -= std::min(budget, surveys.back()->KeptBytes());
        }
        chosen = ChooseSheet(infos);
    }
    if (chosen >= count)
        FailFile(shown, "enthält kein Tabellenblatt mit Daten.");
    bool columnsDropped = false;
    if (!surveys.empty() && surveys[chosen]->Complete()) {
        surveys[chosen]->Replay(sink);
        columnsDropped = dropped[chosen];
    } else {
        if (book.ReadSheet(chosen, sink) == 0)
            FailFile(shown, "enthält kein Tabellenblatt mit Daten.");
        columnsDropped = book.ColumnsDropped();
    }
    surveys.clear();
    if (columnsDropped)
        sink.Note(Utf8ToWin1252("Das Blatt „" + Win1252ToUtf8(book.Sheets()[chosen].name) +
                                "“ hat Werte rechts der Spalte " + std::to_string(TBiffWorkbook::kMaxColumns) +
                                "; sie wurden nicht übernommen."));
    const std::string note = SheetChoiceNote(shown, infos, chosen);
    if (!note.empty())
        sink.Note(note);
}

} // namespace artikel::convert
