#include "data/TFastMemoryStream.h"

#include "data/TMappedFileStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace artikel {

TFastMemoryStream::~TFastMemoryStream() { std::free(memory_); }

void TFastMemoryStream::SetCapacity(int64_t capacity)
{
    if (capacity > 0 && capacity != size_)
        capacity = (capacity + kCapacityStep - 1) / kCapacityStep * kCapacityStep;
    if (capacity == capacity_)
        return;
    if (capacity <= 0) {
        std::free(memory_);
        memory_ = nullptr;
        capacity_ = 0;
        return;
    }
    char* grown = static_cast<char*>(std::realloc(memory_, static_cast<size_t>(capacity)));
    if (!grown)
        throw EStreamError("TFastMemoryStream.Realloc: Memory Error");
    memory_ = grown;
    capacity_ = capacity;
}

void TFastMemoryStream::SetSize(int64_t size)
{
    size = std::max<int64_t>(size, 0);
    SetCapacity(size);
    size_ = size;
    if (position_ > size_)
        position_ = size_;
}

void TFastMemoryStream::Clear()
{
    SetCapacity(0);
    size_ = 0;
    position_ = 0;
}

int64_t TFastMemoryStream::Write(const void* buffer, int64_t count)
{
    if (position_ < 0 || count < 0)
        return 0;
    if (count == 0)
        return 0;
    const int64_t end = position_ + count;
    if (end > size_) {
        if (end > capacity_)
            SetCapacity(end);
        size_ = end;
    }
    std::memcpy(memory_ + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TFastMemoryStream::Read(void* buffer, int64_t count)
{
    if (position_ < 0 || count <= 0 || position_ >= size_)
        return 0;
    const int64_t n = std::min(count, size_ - position_);
    std::memcpy(buffer, memory_ + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TFastMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    if (origin == TSeekOrigin::Current)
        base = position_;
    else if (origin == TSeekOrigin::End)
        base = size_;
    position_ = base + offset;
    return position_;
}

void TFastMemoryStream::LoadFromFile(const std::filesystem::path& fileName)
{
    TMappedFileStream file(fileName);
    SetSize(file.Size());
    position_ = 0;
    if (size_ > 0)
        SetSize(file.Read(memory_, size_)); // a file cut short meanwhile reads short
}

} // namespace artikel
