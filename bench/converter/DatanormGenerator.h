#pragma once

// Deterministic article data of an electrical and plumbing wholesaler, written as a DATANORM 4.0
// delivery, a DATANORM 5.0 file or a UTF-8 CSV: the samples of samples/ and the converter
// benchmark's input.

#include <cstddef>
#include <filesystem>

namespace artikel::bench {

// DATANORM.001 (CP850: articles, extra data, shared long texts, article texts), DATPREIS.001
// (price updates for about every fifth article, some of them net prices), DATANORM.RAB and
// DATANORM.WRG in `folder`.
void WriteDatanorm4Delivery(const std::filesystem::path& folder, std::size_t articles);

// One DATANORM 5.0 file (Windows-1252) with articles, long texts, rebate and product groups.
void WriteDatanorm5File(const std::filesystem::path& file, std::size_t articles);

// A UTF-8 CSV with ";" as separator and a header line.
void WriteArticleCsv(const std::filesystem::path& file, std::size_t articles);

} // namespace artikel::bench
