#pragma once

// The named values of an exchange-server message, laid out back to back in one byte stream:
//   4 bytes  n, the name's length in bytes (little-endian, unsigned)
//   n bytes  the name in UTF-16LE, no terminator
//   8 bytes  s, the value's size in bytes (little-endian, signed)
//   s bytes  the value
// A Boolean value is 1 byte, an integer 4 bytes (signed, little-endian), a string its UTF-16LE
// characters without terminator. A stream read from a peer may be anything: reading never
// trusts a length beyond the bytes that are there.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

namespace artikel {

// A value was added under a name that the stream already holds.
class EStreamStorageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TStreamStorage {
public:
    TStreamStorage() = default;
    // A stream as it came from a peer.
    explicit TStreamStorage(std::string bytes)
        : bytes_(std::move(bytes))
    {}

    // Names and string values are Windows-1252; they go into the stream as UTF-16LE. A value
    // whose name is empty, and an empty string value, are not written at all. A name that is
    // already there raises "Value with name "<name>" already exists".
    void AddBoolean(std::string_view name, bool value);
    void AddInteger(std::string_view name, int32_t value);
    void AddString(std::string_view name, std::string_view ansiValue);
    void AddBytes(std::string_view name, std::string_view bytes);

    // The raw bytes of the value named `name` (exact compare), or nothing. Looked up in the
    // index; else the stream is scanned on from behind the last value read, entering every name
    // met into the index. A malformed rest of the stream ends the scan.
    std::optional<std::string_view> FindValue(std::string_view name);
    // A string value converted to Windows-1252 (an odd last byte is dropped); empty when missing.
    std::string ReadString(std::string_view name);
    // False / 0 when missing or of another size.
    bool ReadBoolean(std::string_view name);
    int32_t ReadInteger(std::string_view name);

    const std::string& Bytes() const { return bytes_; }
    size_t Size() const { return bytes_.size(); }

private:
    bool Contains(std::string_view name);
    void Append(std::string_view name, std::string_view bytes);

    std::string bytes_;
    // Name (Windows-1252) -> offset of its value and its size.
    std::unordered_map<std::string, std::pair<size_t, size_t>> index_;
    // Where the scan goes on.
    size_t scanned_ = 0;
};

// A message: its ID (the program's are empty) and its named values.
struct TMessageData {
    std::string MessageID;
    TStreamStorage Storage;
};

} // namespace artikel
