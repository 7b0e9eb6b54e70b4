#include "platform/TBetterFileStream.h"

#include "platform/EInOutError.h"
#include "platform/RetryHooks.h"
#include "platform/Win1252.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace artikel {

namespace {

std::string CannotCreate(const std::string& fileName)
{
    return "Datei " + Utf8ToWin1252(fileName) + " kann nicht erstellt werden";
}

} // namespace

THandleStream::THandleStream(int fd, std::string fileName)
    : fd_(fd),
      fileName_(std::move(fileName))
{}

THandleStream::~THandleStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t THandleStream::Read(void* buffer, std::size_t count)
{
    // Callers clear errno and look at it afterwards: it changes only when a read failed (an
    // interrupted read that was retried is no failure).
    const int errnoBefore = errno;
    int failure = 0;
    std::size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(fd_, p + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failure = errno;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    errno = failure ? failure : errnoBefore;
    return done;
}

std::size_t THandleStream::Write(const void* buffer, std::size_t count)
{
    std::size_t done = 0;
    const auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(fd_, p + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void THandleStream::ReadBuffer(void* buffer, std::size_t count)
{
    if (Read(buffer, count) != count)
        throw EInOutError("Datei " + Utf8ToWin1252(fileName_) + " kann nicht gelesen werden", errno ? errno : EIO);
}

void THandleStream::WriteBuffer(const void* buffer, std::size_t count)
{
    errno = 0;
    if (Write(buffer, count) != count)
        throw EInOutError("Datei " + Utf8ToWin1252(fileName_) + " kann nicht geschrieben werden", errno ? errno : EIO);
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == TSeekOrigin::Beginning ? SEEK_SET
        : origin == TSeekOrigin::Current                ? SEEK_CUR
                                                        : SEEK_END;
    return ::lseek(fd_, static_cast<off_t>(offset), whence);
}

std::int64_t THandleStream::Position() const { return ::lseek(fd_, 0, SEEK_CUR); }

std::int64_t THandleStream::Size() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return -1;
    return st.st_size;
}

bool THandleStream::SetSize(std::int64_t size) { return size >= 0 && ::ftruncate(fd_, static_cast<off_t>(size)) == 0; }

bool THandleStream::Flush() { return ::fsync(fd_) == 0 || errno == EINVAL || errno == EROFS; }

std::string THandleStream::ReadAll()
{
    std::string out;
    const std::int64_t size = Size();
    const std::int64_t pos = Position();
    if (size > 0 && pos >= 0 && size > pos)
        out.reserve(static_cast<std::size_t>(size - pos));
    char block[65536];
    for (;;) {
        const std::size_t n = Read(block, sizeof block);
        out.append(block, n);
        if (n < sizeof block)
            break;
    }
    return out;
}

TBetterFileStream::TOpened TBetterFileStream::OpenFile(const std::string& fileName, bool clearAttributes, int mode)
{
    TOpened opened{-1, 0};
    struct stat st {};
    if (clearAttributes && ::stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
        // The write-protected state is what a read-only attribute means here.
        if (::chmod(fileName.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0)
            opened.restoreMode = (st.st_mode & 07777) | 0100000u;
    }
    const int flags = O_RDWR | O_CREAT | (mode == kCreate ? O_TRUNC : 0);
    opened.fd = RetryOpen(fileName.c_str(), flags, 0666);
    if (opened.fd < 0) {
        const int err = errno;
        if (opened.restoreMode)
            ::chmod(fileName.c_str(), opened.restoreMode & 07777);
        throw EInOutError(CannotCreate(fileName), err);
    }
    return opened;
}

TBetterFileStream::TBetterFileStream(const std::string& fileName, bool clearAttributes, int mode)
    : TBetterFileStream(fileName, OpenFile(fileName, clearAttributes, mode))
{}

TBetterFileStream::TBetterFileStream(const std::string& fileName, TOpened opened)
    : THandleStream(opened.fd, fileName),
      restoreMode_(opened.restoreMode)
{}

TBetterFileStream::~TBetterFileStream()
{
    if (restoreMode_)
        ::fchmod(Handle(), restoreMode_ & 07777);
}

} // namespace artikel
