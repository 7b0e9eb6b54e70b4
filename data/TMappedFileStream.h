#pragma once

#include "data/TStream.h"

#include <filesystem>

namespace artikel {

// Reads a whole file through one read-only memory mapping. Files of 4 GiB and more are refused.
class TMappedFileStream : public TStream {
public:
    // Raises EStreamError("OSError") when the file cannot be opened or mapped.
    explicit TMappedFileStream(const std::filesystem::path& fileName);
    ~TMappedFileStream() override;
    TMappedFileStream(const TMappedFileStream&) = delete;
    TMappedFileStream& operator=(const TMappedFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    // Always raises "TMappedFileStream is read only".
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return size_; }

    // The mapped bytes (nullptr for an empty file).
    const char* Memory() const { return view_; }
    bool Mapped() const { return view_ != nullptr; }

private:
    int fd_ = -1;
    const char* view_ = nullptr;
    int64_t size_ = 0;
    int64_t position_ = 0;
};

} // namespace artikel
