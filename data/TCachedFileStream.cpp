#include "data/TCachedFileStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace artikel {

TBaseCachedFileStream::TBaseCachedFileStream(std::filesystem::path fileName, int bufferSize, std::string displayName)
    : fileName_(std::move(fileName)),
      displayName_(displayName.empty() ? fileName_.string() : std::move(displayName)),
      bufferSize_(bufferSize > 0 ? bufferSize : kDefaultBufferSize)
{
    buffer_ = std::make_unique<char[]>(static_cast<size_t>(bufferSize_));
}

TBaseCachedFileStream::~TBaseCachedFileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void TBaseCachedFileStream::RaiseSystemError(const char* message)
{
    lastError_ = errno;
    std::string text(message);
    if (size_t at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, displayName_);
    text += std::strerror(lastError_ ? lastError_ : EIO);
    throw EStreamError(text);
}

int64_t TBaseCachedFileStream::SysWrite(const void* data, int64_t count)
{
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, static_cast<const char*>(data) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TBaseCachedFileStream::SysSeek(int64_t position)
{
    return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET);
}

TWriteCachedFileStream::TWriteCachedFileStream(const std::filesystem::path& fileName, int bufferSize,
                                               const std::string& displayName)
    : TBaseCachedFileStream(fileName, bufferSize, displayName)
{
    fd_ = ::open(fileName_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0)
        RaiseSystemError("Cannot create %s.");
}

TWriteCachedFileStream::~TWriteCachedFileStream()
{
    try {
        if (fd_ >= 0)
            Flush();
    } catch (const EStreamError&) {
        // A destructor must not throw; Close() reports the error to callers that care.
    }
}

void TWriteCachedFileStream::Flush()
{
    if (windowEnd_ > windowStart_) {
        if (SysSeek(windowStart_) < 0)
            RaiseSystemError("SetFilePointerEx failed for %s.");
        const int64_t count = windowEnd_ - windowStart_;
        errno = 0;
        if (SysWrite(buffer_.get(), count) < count)
            RaiseSystemError("FileWrite failed for %s.");
    }
    windowStart_ = windowEnd_ = position_;
}

void TWriteCachedFileStream::Close()
{
    if (fd_ < 0)
        return;
    Flush();
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS)
        RaiseSystemError("FileWrite failed for %s.");
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        RaiseSystemError("FileWrite failed for %s.");
}

int64_t TWriteCachedFileStream::Write(const void* data, int64_t count)
{
    if (count <= 0 || fd_ < 0)
        return 0;
    const char* src = static_cast<const char*>(data);
    int64_t remaining = count;
    while (remaining > 0) {
        if (position_ < windowStart_ || position_ > windowEnd_ || position_ == windowStart_ + bufferSize_)
            Flush();
        const int64_t room = windowStart_ + bufferSize_ - position_;
        const int64_t n = std::min(room, remaining);
        std::memcpy(buffer_.get() + (position_ - windowStart_), src, static_cast<size_t>(n));
        src += n;
        remaining -= n;
        position_ += n;
        windowEnd_ = std::max(windowEnd_, position_);
    }
    writtenSize_ = std::max(writtenSize_, position_);
    return count;
}

int64_t TWriteCachedFileStream::Read(void* data, int64_t count)
{
    if (count <= 0 || fd_ < 0)
        return 0;
    Flush();
    const ssize_t n = ::pread(fd_, data, static_cast<size_t>(count), static_cast<off_t>(position_));
    if (n <= 0)
        return 0;
    position_ += n;
    windowStart_ = windowEnd_ = position_;
    return n;
}

int64_t TWriteCachedFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    if (origin == TSeekOrigin::Current)
        base = position_;
    else if (origin == TSeekOrigin::End)
        base = writtenSize_;
    position_ = std::max<int64_t>(0, base + offset);
    return position_;
}

} // namespace artikel
