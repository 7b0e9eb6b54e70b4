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

// Collects what the choice needs from one sheet's rows, and keeps the rows themselves while
// they take no more than keepBytes, so that the chosen sheet need not be read twice.
class TSheetSurvey : public TConvertSink {
public:
    explicit TSheetSurvey(std::size_t keepBytes = 0)
        : keepBytes_(keepBytes)
    {}

    void Row(const std::vector<std::string>& cells) override;
    void Note(const std::string&) override {}

    std::size_t Filled() const { return filled_; }
    // Article-like names in the sheet's header row (title rows above it skipped).
    int ArticleNames() const;
    // Every row was kept: Replay gives the sheet as it was read.
    bool Complete() const { return complete_; }
    std::size_t KeptBytes() const { return blob_.size() + (cellEnds_.size() + rowEnds_.size()) * sizeof(std::size_t); }
    void Replay(TConvertSink& sink) const;

private:
    std::size_t filled_ = 0;
    TRows head_;
    std::size_t keepBytes_;
    bool complete_ = true;
    std::string blob_; // the cells' text, one after another
    std::vector<std::size_t> cellEnds_; // end of each cell in blob_
    std::vector<std::size_t> rowEnds_; // end of each row in cellEnds_
};

struct TSheetInfo {
    std::string name; // UTF-8
    bool hidden = false;
    std::size_t filled = 0;
    int articleNames = 0;

    static TSheetInfo From(std::string name, bool hidden, const TSheetSurvey& survey)
    {
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
