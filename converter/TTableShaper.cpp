#include "converter/TTableShaper.h"

#include "platform/Win1252.h"

#include <algorithm>

namespace artikel::convert {
namespace {

bool IsBlank(const std::string& cell) { return cell.find_first_not_of(" \t") == std::string::npos; }

// "12", "-3,50", "1.234,5", "15%", "01.01.2024": a value of a data row rather than a name.
bool IsNumberCell(const std::string& cell)
{
    std::size_t b = cell.find_first_not_of(' ');
    if (b == std::string::npos)
        return false;
    std::size_t e = cell.find_last_not_of(' ') + 1;
    if (cell[b] == '-' || cell[b] == '+')
        ++b;
    if (e > b && cell[e - 1] == '%')
        --e;
    if (b >= e || cell[b] < '0' || cell[b] > '9')
        return false;
    for (std::size_t i = b; i < e; ++i)
        if (!((cell[i] >= '0' && cell[i] <= '9') || cell[i] == ',' || cell[i] == '.'))
            return false;
    return true;
}

bool HasNumberCell(const std::vector<std::string>& row) { return std::any_of(row.begin(), row.end(), IsNumberCell); }

// The title line as the note quotes it: its cells joined, cut to a readable length.
std::string Quote(const std::vector<std::string>& row)
{
    std::string text;
    for (const std::string& c : row) {
        if (IsBlank(c))
            continue;
        if (!text.empty())
            text += ' ';
        text += c;
    }
    if (text.size() > 60) {
        text.resize(57);
        text += '\x85'; // ellipsis
    }
    return "\x84" + text + "\x93";
}

} // namespace

std::size_t FilledCells(const std::vector<std::string>& row)
{
    return static_cast<std::size_t>(
        std::count_if(row.begin(), row.end(), [](const std::string& c) { return !IsBlank(c); }));
}

std::size_t FindHeaderRow(const TRows& rows)
{
    std::vector<std::size_t> widths;
    widths.reserve(rows.size());
    for (const auto& r : rows)
        widths.push_back(FilledCells(r));
    for (std::size_t h = 0; h + 1 < rows.size() && h < TTableShaper::kMaxSkipped; ++h) {
        // The typical width of the rows below: their median, so a few short rows do not count.
        std::vector<std::size_t> below(widths.begin() + static_cast<std::ptrdiff_t>(h + 1),
                                       widths.begin() + static_cast<std::ptrdiff_t>(std::min(widths.size(), h + 21)));
        std::nth_element(below.begin(), below.begin() + static_cast<std::ptrdiff_t>(below.size() / 2), below.end());
        const std::size_t typical = below[below.size() / 2];
        const std::size_t w = widths[h];
        const bool narrow = w * 2 <= typical && (w <= 2 || w * 3 <= typical);
        // A short header above wider data rows is followed by values, a title by names.
        if (!narrow || HasNumberCell(rows[h + 1]))
            return h;
    }
    return 0;
}

TTableShaper::TTableShaper(TConvertSink& out)
    : out_(out)
{}

void TTableShaper::Row(const std::vector<std::string>& cells)
{
    if (decided_) {
        out_.Row(cells);
        return;
    }
    if (FilledCells(cells) == 0)
        return; // blank lines above the table
    held_.push_back(cells);
    if (held_.size() >= kLookahead)
        Decide();
}

void TTableShaper::Note(const std::string& message)
{
    if (decided_)
        out_.Note(message);
    else
        heldNotes_.push_back(message); // after the note on skipped rows, whatever the file's size
}

void TTableShaper::Finish()
{
    if (!decided_)
        Decide();
}

void TTableShaper::Decide()
{
    decided_ = true;
    const std::size_t header = FindHeaderRow(held_);
    if (header > 0) {
        std::string note = header == 1
            ? Utf8ToWin1252("Die Zeile über der Kopfzeile wurde übersprungen: ")
            : Utf8ToWin1252("Die " + std::to_string(header) + " Zeilen über der Kopfzeile wurden übersprungen: ");
        for (std::size_t i = 0; i < header; ++i) {
            if (i)
                note += ", ";
            note += Quote(held_[i]);
        }
        note += '.';
        out_.Note(note);
    }
    for (const std::string& n : heldNotes_)
        out_.Note(n);
    heldNotes_.clear();
    for (std::size_t i = header; i < held_.size(); ++i)
        out_.Row(held_[i]);
    held_.clear();
    held_.shrink_to_fit();
}

} // namespace artikel::convert
