#pragma once

// Which sheet of a workbook holds the article table. Suppliers put a cover sheet ("Preisliste
// 2024 / Alle Preise netto"), notes or a legend before the articles, so the first sheet with data
// is not the one. A workbook reader surveys each sheet into a TSheetSurvey, asks ChooseSheet and
// then reads the chosen sheet into the real sink.

#include "converter/TTableShaper.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace artikel::convert {

// Collects what the choice needs from one sheet's rows.
class TSheetSurvey : public TConvertSink {
public:
    void Row(const std::vector<std::string>& cells) override;
    void Note(const std::string&) override {}

    std::size_t Filled() const { return filled_; }
    // Article-like names in the sheet's header row (title rows above it skipped).
    int ArticleNames() const;

private:
    std::size_t filled_ = 0;
    TRows head_;
};

struct TSheetInfo {
    std::string name; // UTF-8
    bool hidden = false;
    std::size_t filled = 0;
    int articleNames = 0;

    static TSheetInfo From(std::string name, bool hidden, const TSheetSurvey& survey) {
        return TSheetInfo{std::move(name), hidden, survey.Filled(), survey.ArticleNames()};
    }
};

// How many cells of a header row have names an article table uses (Artikel, Nummer,
// Bezeichnung, Text, Preis, EAN ...); Windows-1252 cells.
int CountArticleNames(const std::vector<std::string>& header);

// The sheet to convert: among the visible sheets with data (hidden ones only when no visible
// sheet has any), the one with the most filled cells, a header of article-like names counting
// four times; of equals the first. npos when no sheet has data.
std::size_t ChooseSheet(const std::vector<TSheetInfo>& sheets);

// The note naming the sheet taken and the sheets with data left out (Windows-1252); empty when
// no other sheet had data.
std::string SheetChoiceNote(std::string_view bookName, const std::vector<TSheetInfo>& sheets, std::size_t chosen);

} // namespace artikel::convert
