#include "converter/TSheetChoice.h"

#include "platform/Win1252.h"

#include <string_view>

namespace artikel::convert {
namespace {

// Parts of the names suppliers give the columns of an article table (found inside longer words:
// "Artikelnummer", "Listenpreis", "Kurztext") and short names that only count as whole words.
constexpr std::string_view kLongNames[] = {
    "artikel",    "nummer",    "bezeichnung", "text",        "preis",     "ean",          "gtin",   "menge", "einheit",
    "hersteller", "lieferant", "rabatt",      "warengruppe", "matchcode", "beschreibung", "brutto", "netto", "bestell"};
constexpr std::string_view kShortNames[] = {"nr", "vk", "ek", "me", "pe", "art", "mwst", "ust"};

bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || c >= 0xC0; }

bool HasArticleName(const std::string& cell)
{
    const std::string lower = AnsiLowerCase(cell);
    std::size_t i = 0;
    while (i < lower.size()) {
        while (i < lower.size() && !IsLetter(static_cast<unsigned char>(lower[i])))
            ++i;
        const std::size_t start = i;
        while (i < lower.size() && IsLetter(static_cast<unsigned char>(lower[i])))
            ++i;
        const std::string_view word = std::string_view(lower).substr(start, i - start);
        if (word.empty())
            continue;
        for (std::string_view n : kShortNames)
            if (word == n)
                return true;
        for (std::string_view n : kLongNames)
            if (word.find(n) != std::string_view::npos)
                return true;
    }
    return false;
}

std::string Quoted(std::string_view utf8Name) { return "„" + std::string(utf8Name) + "“"; }

} // namespace

void TSheetSurvey::Row(const std::vector<std::string>& cells)
{
    filled_ += FilledCells(cells);
    if (head_.size() < TTableShaper::kLookahead && FilledCells(cells) > 0)
        head_.push_back(cells);
    if (!complete_)
        return;
    std::size_t bytes = (cells.size() + 1) * sizeof(std::size_t);
    for (const std::string& c : cells)
        bytes += c.size();
    if (KeptBytes() + bytes > keepBytes_) {
        complete_ = false;
        std::string().swap(blob_);
        std::vector<std::size_t>().swap(cellEnds_);
        std::vector<std::size_t>().swap(rowEnds_);
        return;
    }
    for (const std::string& c : cells) {
        blob_ += c;
        cellEnds_.push_back(blob_.size());
    }
    rowEnds_.push_back(cellEnds_.size());
}

void TSheetSurvey::Replay(TConvertSink& sink) const
{
    std::vector<std::string> cells;
    std::size_t cell = 0, start = 0;
    for (const std::size_t rowEnd : rowEnds_) {
        cells.resize(rowEnd - cell);
        for (std::size_t i = 0; cell < rowEnd; ++i, ++cell) {
            cells[i].assign(blob_, start, cellEnds_[cell] - start);
            start = cellEnds_[cell];
        }
        sink.Row(cells);
    }
}

int TSheetSurvey::ArticleNames() const
{
    if (head_.empty())
        return 0;
    return CountArticleNames(head_[FindHeaderRow(head_)]);
}

int CountArticleNames(const std::vector<std::string>& header)
{
    int n = 0;
    for (const std::string& cell : header)
        n += HasArticleName(cell);
    return n;
}

std::size_t ChooseSheet(const std::vector<TSheetInfo>& sheets)
{
    for (const bool hidden : {false, true}) {
        std::size_t best = sheets.size();
        std::size_t bestWeight = 0;
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            if (sheets[i].hidden != hidden || sheets[i].filled == 0)
                continue;
            // Two article-like names make a header; one alone ("Text") may be a note's column.
            const std::size_t weight = sheets[i].filled * (sheets[i].articleNames >= 2 ? 4 : 1);
            if (weight > bestWeight) {
                best = i;
                bestWeight = weight;
            }
        }
        if (best < sheets.size())
            return best;
    }
    return static_cast<std::size_t>(-1);
}

std::string SheetChoiceNote(std::string_view bookName, const std::vector<TSheetInfo>& sheets, std::size_t chosen)
{
    if (chosen >= sheets.size())
        return {};
    std::string others;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (i == chosen || sheets[i].filled == 0)
            continue;
        if (!others.empty())
            others += ", ";
        others += Quoted(sheets[i].name);
    }
    if (others.empty())
        return {};
    return Utf8ToWin1252("Die Arbeitsmappe " + Quoted(bookName) + " hat weitere Tabellenblätter (" + others +
                         "); übernommen wurde nur das Blatt " + Quoted(sheets[chosen].name) + ".");
}

} // namespace artikel::convert
