#pragma once

// A whole file mapped read-only into memory (read into a buffer where mapping is not possible).

#include <cstddef>
#include <filesystem>
#include <string>

namespace artikel::convert {

class TMappedFile {
public:
    TMappedFile() = default;
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

    // False when the file cannot be opened or read.
    bool Open(const std::filesystem::path& file);
    const char* Data() const { return data_; }
    size_t Size() const { return size_; }

private:
    void Close();
    const char* data_ = "";
    size_t size_ = 0;
    void* map_ = nullptr;
    std::string fallback_;
};

} // namespace artikel::convert
