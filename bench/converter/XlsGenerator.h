#pragma once

// Deterministic old-format Excel workbooks (BIFF8 in a compound file) of wholesaler articles for
// the converter benchmark: text article numbers in the shared strings, EANs and prices as
// numbers with formats, RK numbers, dates and a formula column with its cached result.

#include <cstddef>
#include <filesystem>

namespace artikel::bench {

// The most data rows a BIFF8 sheet holds below its header.
constexpr std::size_t kMaxXlsRows = 65535;

// `rows` articles (at most kMaxXlsRows) below a header on a single sheet.
void WriteBenchXls(const std::filesystem::path& path, std::size_t rows);

} // namespace artikel::bench
