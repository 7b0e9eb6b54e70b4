#pragma once

// Writes a Zip archive (deflated entries with a fixed time stamp, so the same content gives the
// same bytes). Used by the generators of sample and benchmark workbooks and by tests.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

struct zip;

namespace artikel::convert {

class TZipWriter {
public:
    // level: deflate level 1 (fastest) to 9; 0 the library's default. Raises std::runtime_error.
    explicit TZipWriter(const std::filesystem::path& file, int level = 0);
    ~TZipWriter(); // discards an archive not closed
    TZipWriter(const TZipWriter&) = delete;
    TZipWriter& operator=(const TZipWriter&) = delete;

    // The name is stored as given (tests use hostile names on purpose).
    void Add(const std::string& name, std::string bytes, bool compress = true);
    // An entry encrypted with the traditional PKWARE scheme (tests of refused archives).
    void AddEncrypted(const std::string& name, std::string bytes, const std::string& password);
    // A Unix symbolic link entry pointing at target.
    void AddSymlink(const std::string& name, const std::string& target);
    void Close();

private:
    zip* archive_ = nullptr;
    std::string path_;
    int level_ = 0;
};

} // namespace artikel::convert
