#pragma once

#include "data/TStream.h"

#include <filesystem>

namespace artikel {

// A file's bytes in one growable block; the capacity grows in steps of 256 KiB.
class TFastMemoryStream : public TStream {
public:
    static constexpr int64_t kCapacityStep = 262144;

    TFastMemoryStream() = default;
    ~TFastMemoryStream() override;
    TFastMemoryStream(const TFastMemoryStream&) = delete;
    TFastMemoryStream& operator=(const TFastMemoryStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return size_; }

    // Replaces the content with the file's bytes (read through a mapping); position 0.
    void LoadFromFile(const std::filesystem::path& fileName);
    void Clear();
    void SetSize(int64_t size);
    void SetCapacity(int64_t capacity);
    int64_t Capacity() const { return capacity_; }
    char* Memory() { return memory_; }
    const char* Memory() const { return memory_; }

private:
    char* memory_ = nullptr;
    int64_t capacity_ = 0;
    int64_t size_ = 0;
    int64_t position_ = 0;
};

} // namespace artikel
