#pragma once

#include "data/TReadOnlyFile.h"
#include "data/TStream.h"

#include <filesystem>

namespace artikel {

// A whole file as a read-only stream with its bytes in memory (see TFileView). Reads go through
// the descriptor. Files of 4 GiB and more are refused.
class TMappedFileStream : public TStream {
public:
    // Raises EStreamError("OSError") when the file cannot be opened or read.
    explicit TMappedFileStream(const std::filesystem::path& fileName);
    ~TMappedFileStream() override;
    TMappedFileStream(const TMappedFileStream&) = delete;
    TMappedFileStream& operator=(const TMappedFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    // Always raises "TMappedFileStream is read only".
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return size_; }

    // The file's bytes (nullptr for an empty file).
    const char* Memory() const { return size_ > 0 ? view_.Data() : nullptr; }
    bool Mapped() const { return size_ > 0; }

private:
    TFileView view_;
    int64_t size_ = 0;
    int64_t position_ = 0;
};

} // namespace artikel
