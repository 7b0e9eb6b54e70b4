#pragma once

// A deterministic article database for the benchmark: a supplier's price list as the program
// receives it, 25 columns, ";" between fields, CR LF line ends, Windows-1252 text with umlauts
// and decimal commas. About 15 % of the rows hold a quoted cell: inch sizes (1/2"), and long
// texts with separators and line breaks. The same row count always gives the same bytes.

#include <cstdint>
#include <filesystem>
#include <string>

namespace artikel::bench {

class TArticleGenerator {
public:
    static constexpr int kColumnCount = 25;
    // Bump when the bytes change, so that cached files are made anew.
    static constexpr int kVersion = 1;

    explicit TArticleGenerator(uint64_t seed = 20261210);

    // The header line (with its CR LF).
    std::string Header() const;
    // Appends row `index` (0-based, with its CR LF) to `out`; rows depend only on seed and index.
    void AppendRow(uint64_t index, std::string& out) const;
    // The article number of row `index` (unique per row).
    static std::string ArticleNumber(uint64_t index);

    // Writes header and `rows` rows to `file` (through a temporary file and a rename).
    void WriteFile(const std::filesystem::path& file, uint64_t rows) const;
    // The cached file for `rows` rows in `folder`, written when missing.
    std::filesystem::path CachedFile(const std::filesystem::path& folder, uint64_t rows) const;

private:
    uint64_t FSeed;
};

} // namespace artikel::bench
