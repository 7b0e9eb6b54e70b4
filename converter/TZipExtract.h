#pragma once

// Safe extraction of a Zip archive into a private temporary folder that lives as long as the
// extractor: no entry leaves the folder (absolute paths and ".." are refused), symbolic links are
// never created, and sizes, compression ratio and entry count are limited against zip bombs.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace artikel::convert {

struct TZipLimits {
    std::uint64_t maxEntryBytes = std::uint64_t{2} << 30; // one inflated entry
    std::uint64_t maxTotalBytes = std::uint64_t{4} << 30; // all inflated entries together
    std::uint64_t maxRatio = 500; // inflated : compressed ...
    std::uint64_t ratioFromBytes = std::uint64_t{1} << 20; // ... checked once an entry is this big
    std::uint32_t maxEntries = 10000;
};

class TZipExtract {
public:
    // Creates the private folder (mode 0700) below the temporary folder.
    explicit TZipExtract(TZipLimits limits = {});
    ~TZipExtract(); // removes the folder with everything in it
    TZipExtract(const TZipExtract&) = delete;
    TZipExtract& operator=(const TZipExtract&) = delete;

    // Extracts every file entry; returns the extracted files in archive order. Raises
    // EConvertError (nothing is left behind that the destructor does not remove).
    std::vector<std::filesystem::path> Extract(const std::filesystem::path& zip);

    const std::filesystem::path& Folder() const { return folder_; }

    // The entry name as a relative path below the folder, or empty when it would leave it
    // ("/x", "C:x", "..", "a/../../b"). Backslashes count as separators.
    static std::filesystem::path SafeRelativePath(const std::string& entryName);

private:
    TZipLimits limits_;
    std::filesystem::path folder_;
};

} // namespace artikel::convert
