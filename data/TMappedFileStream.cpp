#include "data/TMappedFileStream.h"

#include <algorithm>

namespace artikel {

namespace {
constexpr uint64_t kMaxMappedSize = 0xFFFFFFFF;
}

TMappedFileStream::TMappedFileStream(const std::filesystem::path& fileName)
{
    if (!view_.Open(fileName, kMaxMappedSize))
        throw EStreamError("OSError");
    size_ = static_cast<int64_t>(view_.Size());
}

TMappedFileStream::~TMappedFileStream() = default;

int64_t TMappedFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0 || position_ < 0 || position_ >= size_)
        return 0;
    // Read through the descriptor, not the mapping: a file that another program shortened
    // meanwhile then reads short instead of raising SIGBUS.
    const int64_t want = std::min(count, size_ - position_);
    size_t got = 0;
    if (!view_.File().ReadAt(static_cast<char*>(buffer), static_cast<size_t>(position_), static_cast<size_t>(want),
                             got))
        throw EStreamError("OSError");
    position_ += static_cast<int64_t>(got);
    return static_cast<int64_t>(got);
}

int64_t TMappedFileStream::Write(const void*, int64_t) { throw EStreamError("TMappedFileStream is read only"); }

int64_t TMappedFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    if (origin == TSeekOrigin::Current)
        base = position_;
    else if (origin == TSeekOrigin::End)
        base = size_;
    position_ = std::min(base + offset, size_);
    return position_;
}

} // namespace artikel
