#pragma once

// Reading files of the outside world: the data engine's load, its streams and the converter's
// readers all open files here, so each of them gets the same safety:
// - opened without blocking (a named pipe never waits for a writer), and only a regular file;
// - reads go through the descriptor (pread): a file another program shortens meanwhile reads
//   short and never raises SIGBUS;
// - a read-only mapping where a reader parses the whole file in place.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

namespace artikel {

class TReadOnlyFile {
public:
    static constexpr uint64_t kNoLimit = std::numeric_limits<uint64_t>::max();

    // Raises EStreamError("OSError") when the file cannot be opened, is no regular file, or holds
    // maxSize bytes or more.
    explicit TReadOnlyFile(const std::filesystem::path& fileName, uint64_t maxSize = kNoLimit);
    ~TReadOnlyFile();
    TReadOnlyFile(const TReadOnlyFile&) = delete;
    TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

    // The size when opened.
    size_t Size() const { return size_; }
    int Handle() const { return fd_; }

    // Reads up to `count` bytes at `offset`; `got` is how many came before the file's end.
    // False on a read error.
    bool ReadAt(char* to, size_t offset, size_t count, size_t& got) const;

private:
    int fd_ = -1;
    size_t size_ = 0;
};

// A whole file's bytes for a reader that parses them in place: mapped read-only, or read into
// memory of its own where the file cannot be mapped. Data() is never null ("" when empty).
class TFileView {
public:
    TFileView() = default;
    ~TFileView();
    TFileView(const TFileView&) = delete;
    TFileView& operator=(const TFileView&) = delete;

    // False when the file cannot be opened or read (see TReadOnlyFile).
    bool Open(const std::filesystem::path& fileName, uint64_t maxSize = TReadOnlyFile::kNoLimit);
    const char* Data() const { return data_; }
    size_t Size() const { return size_; }
    // The open file, for reads past the view (only after a successful Open).
    const TReadOnlyFile& File() const { return *file_; }

private:
    void Close();
    std::optional<TReadOnlyFile> file_;
    void* map_ = nullptr;
    std::string fallback_;
    const char* data_ = "";
    size_t size_ = 0;
};

} // namespace artikel
