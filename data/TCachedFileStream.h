#pragma once

// File streams that collect output in a large buffer, so that many small writes reach the disk
// as few large ones.

#include "data/TStream.h"

#include <filesystem>
#include <memory>
#include <string>

namespace artikel {

class TBaseCachedFileStream : public TStream {
public:
    static constexpr int kDefaultBufferSize = 16384;

    ~TBaseCachedFileStream() override;
    TBaseCachedFileStream(const TBaseCachedFileStream&) = delete;
    TBaseCachedFileStream& operator=(const TBaseCachedFileStream&) = delete;

    const std::filesystem::path& FileName() const { return fileName_; }
    int BufferSize() const { return bufferSize_; }
    int LastError() const { return lastError_; }

protected:
    // A buffer size of 0 or less means kDefaultBufferSize. `displayName` is the name error
    // messages show (the file name when empty).
    TBaseCachedFileStream(std::filesystem::path fileName, int bufferSize, std::string displayName);

    // "<message with %s replaced by the name>" followed by the system's description of errno.
    [[noreturn]] void RaiseSystemError(const char* message);

    // The system calls, virtual so that tests can observe and fail them.
    virtual int64_t SysWrite(const void* data, int64_t count);
    virtual int64_t SysSeek(int64_t position);

    std::filesystem::path fileName_;
    std::string displayName_;
    int fd_ = -1;
    std::unique_ptr<char[]> buffer_;
    int bufferSize_ = 0;
    int64_t position_ = 0;
    int lastError_ = 0;
};

// Writes a file (created anew, truncating an existing one) through its buffer.
class TWriteCachedFileStream : public TBaseCachedFileStream {
public:
    // Raises "Cannot create %s." plus the system's text when the file cannot be created.
    TWriteCachedFileStream(const std::filesystem::path& fileName, int bufferSize,
                           const std::string& displayName = std::string());
    // Writes what is buffered and closes the file; errors are lost here: call Close() to see them.
    ~TWriteCachedFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    // The size as written so far; the file system is not asked.
    int64_t Size() override { return writtenSize_; }

    // Writes the buffer to the file: "FileWrite failed for %s." on a short write.
    void Flush();
    // Flushes, syncs to the disk and closes; raises on failure.
    void Close();

private:
    int64_t windowStart_ = 0;
    int64_t windowEnd_ = 0;
    int64_t writtenSize_ = 0;
};

} // namespace artikel
