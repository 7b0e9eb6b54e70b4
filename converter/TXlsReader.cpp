#include "converter/TXlsReader.h"

#include "converter/TCellFormat.h"
#include "converter/TConvertMessage.h"

#include <freexl.h>

#include <string>
#include <vector>

namespace artikel::convert {
namespace {

class Workbook {
public:
    explicit Workbook(const std::filesystem::path& file, const std::string& shown) {
        const int rc = freexl_open(file.c_str(), &handle_);
        if (rc != FREEXL_OK) FailFile(shown, "ist keine lesbare Excel-Arbeitsmappe (.xls) oder ist kennwortgeschützt.");
    }
    ~Workbook() {
        if (handle_) freexl_close(handle_);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;
    const void* Handle() const { return handle_; }

private:
    const void* handle_ = nullptr;
};

std::string CellText(const FreeXL_CellValue& value) {
    switch (value.type) {
    case FREEXL_CELL_INT: return std::to_string(value.value.int_value);
    case FREEXL_CELL_DOUBLE: return FormatGeneralNumber(value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT: return value.value.text_value ? Utf8ToWin1252(value.value.text_value) : std::string();
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME: return value.value.text_value ? IsoDateToGerman(value.value.text_value) : std::string();
    case FREEXL_CELL_TIME: {
        std::string t = value.value.text_value ? value.value.text_value : "";
        if (t.size() == 8 && t.compare(5, 3, ":00") == 0) t.resize(5);
        return t;
    }
    default: return {};
    }
}

} // namespace

void TXlsReader::ReadFile(const std::filesystem::path& file, TConvertSink& sink) {
    const std::string shown = file.filename().string();
    Workbook book(file, shown);
    const void* h = book.Handle();
    unsigned int info = 0;
    if (freexl_get_info(h, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info != FREEXL_BIFF_PLAIN)
        FailFile(shown, "ist kennwortgeschützt.");
    unsigned int sheetCount = 0;
    if (freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &sheetCount) != FREEXL_OK) sheetCount = 0;

    std::vector<std::string> names;
    for (unsigned short s = 0; s < sheetCount && s < 10000; ++s) {
        const char* name = nullptr;
        names.emplace_back(freexl_get_worksheet_name(h, s, &name) == FREEXL_OK && name ? name : "");
    }
    int converted = -1;
    std::vector<std::string> cells;
    for (unsigned short s = 0; s < names.size() && converted < 0; ++s) {
        if (freexl_select_active_worksheet(h, s) != FREEXL_OK) continue;
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_worksheet_dimensions(h, &rows, &columns) != FREEXL_OK) continue;
        std::size_t delivered = 0;
        for (unsigned int r = 0; r < rows; ++r) {
            cells.clear();
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue value;
                if (freexl_get_cell_value(h, r, c, &value) != FREEXL_OK) continue;
                std::string text = CellText(value);
                if (text.empty()) continue;
                if (cells.size() <= c) cells.resize(static_cast<std::size_t>(c) + 1);
                cells[c] = std::move(text);
            }
            if (cells.empty()) continue;
            sink.Row(cells);
            ++delivered;
        }
        if (delivered > 0) converted = s;
    }
    if (converted < 0) FailFile(shown, "enthält kein Tabellenblatt mit Daten.");
    std::string others;
    for (std::size_t s = 0; s < names.size(); ++s) {
        if (static_cast<int>(s) == converted) continue;
        others += others.empty() ? "„" : ", „";
        others += names[s] + "“";
    }
    if (!others.empty()) {
        sink.Note(Utf8ToWin1252("Die Arbeitsmappe „" + shown + "“ hat weitere Tabellenblätter (" + others +
                                "); übernommen wurde nur das Blatt „" + names[static_cast<std::size_t>(converted)] + "“."));
    }
}

} // namespace artikel::convert
