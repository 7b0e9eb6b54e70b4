#pragma once

// Basket files: the positions queue saved as CSV. The file is Windows-1252, its first line the
// seven field names, then one line per position; every value in double quotes (inner quotes
// doubled), "," between, CR LF after every line.

#include <filesystem>
#include <string>
#include <string_view>

namespace artikel {

class TListDataSet;

// The file name with its extension forced to ".csv" ("basket.txt" -> "basket.csv").
std::filesystem::path BasketFileName(const std::filesystem::path& chosen);
// The file name proposed for saving: the order's address made into a valid file name (blanks
// kept) plus ".csv"; empty when the address gives no name.
std::string ProposedBasketFileName(std::string_view addressText);

// Writes every position of the queue's view to fileName (extension forced to ".csv"), replacing
// the file atomically. Raises the file error (EInOutError / EStreamError) on failure.
void SaveBasketFile(TListDataSet& positions, const std::filesystem::path& fileName);

// Replaces the positions of the queue by the rows of a basket file and moves to the first one.
// The file is read completely with "," as separator (the only one a basket is written with)
// before the queue is touched: a file that cannot be read raises its error and leaves the queue
// as it was. The first line is the header; a line's values beyond the seventh are ignored.
void OpenBasketFile(TListDataSet& positions, const std::filesystem::path& fileName);

} // namespace artikel
