#pragma once

// Streams over a POSIX file descriptor. Paths are native (UTF-8 on Linux) byte strings.

#include "platform/TSeekOrigin.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace artikel {

// A stream that owns a file descriptor and closes it when destroyed.
class THandleStream {
public:
    explicit THandleStream(int fd, std::string fileName = {});
    THandleStream(const THandleStream&) = delete;
    THandleStream& operator=(const THandleStream&) = delete;
    virtual ~THandleStream();

    // Bytes read / written (short only at end of file or on an error); never throw. Read leaves
    // errno as it was unless a read failed.
    std::size_t Read(void* buffer, std::size_t count);
    std::size_t Write(const void* buffer, std::size_t count);
    // Like Read / Write, but raise EInOutError when not every byte could be moved.
    void ReadBuffer(void* buffer, std::size_t count);
    void WriteBuffer(const void* buffer, std::size_t count);
    // Returns the new position, or -1 on failure.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin);
    std::int64_t Position() const;
    std::int64_t Size() const;
    bool SetSize(std::int64_t size);
    // Forces the written bytes to the disk.
    bool Flush();
    // Reads from the current position to the end.
    std::string ReadAll();

    int Handle() const { return fd_; }
    const std::string& FileName() const { return fileName_; }

private:
    int fd_;
    std::string fileName_;
};

// A read/write file stream. Mode 0 opens the file or creates it when missing; mode 1 always
// creates it anew (truncates). With clearAttributes, a write-protected existing file is made
// writable for the life of the stream and protected again afterwards. A failed open raises
// EInOutError "Datei %s kann nicht erstellt werden".
class TBetterFileStream : public THandleStream {
public:
    static constexpr int kOpenOrCreate = 0;
    static constexpr int kCreate = 1;

    TBetterFileStream(const std::string& fileName, bool clearAttributes, int mode);
    ~TBetterFileStream() override;

private:
    struct TOpened {
        int fd;
        unsigned restoreMode; // permission bits to put back when destroyed; 0: none
    };
    static TOpened OpenFile(const std::string& fileName, bool clearAttributes, int mode);
    TBetterFileStream(const std::string& fileName, TOpened opened);
    unsigned restoreMode_;
};

} // namespace artikel
