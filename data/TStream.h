#pragma once

// The byte-stream interface the data engine reads and writes through.

#include "platform/TSeekOrigin.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace artikel {

// A stream operation failed; the text is the user-visible message (Windows-1252).
class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TStream {
public:
    virtual ~TStream() = default;

    // Copies up to `count` bytes; returns how many were read (0 at the end).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Returns how many bytes were written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size() = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::Current); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::Beginning); }
    void WriteString(const std::string& text) { Write(text.data(), static_cast<int64_t>(text.size())); }
};

} // namespace artikel
