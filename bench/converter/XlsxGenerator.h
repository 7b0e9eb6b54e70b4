#pragma once

// Deterministic .xlsx workbooks of wholesaler articles (electrical and plumbing): text article
// numbers with leading zeros, EANs stored as numbers, prices with a two-decimal format, dates,
// shared strings, inline strings with umlauts, quotes and line breaks, and empty cells.

#include <cstddef>
#include <filesystem>

namespace artikel::bench {

// `rows` articles below a header on a single sheet (the converter benchmark).
void WriteBenchXlsx(const std::filesystem::path& path, std::size_t rows);

// The sample workbook: `rows` articles on the first sheet, a second sheet with notes.
void WriteSampleXlsx(const std::filesystem::path& path, std::size_t rows);

} // namespace artikel::bench
