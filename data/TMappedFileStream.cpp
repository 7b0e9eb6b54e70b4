#include "data/TMappedFileStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace artikel {

namespace {
constexpr int64_t kMaxMappedSize = int64_t(0xFFFFFFFF);
}

TMappedFileStream::TMappedFileStream(const std::filesystem::path& fileName)
{
    // Non-blocking: opening a named pipe would otherwise wait for a writer; anything but a
    // regular file is refused below.
    fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        throw EStreamError("OSError");
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size >= kMaxMappedSize) {
        ::close(fd_);
        throw EStreamError("OSError");
    }
    size_ = st.st_size;
    if (size_ > 0) {
        void* view = ::mmap(nullptr, static_cast<size_t>(size_), PROT_READ, MAP_PRIVATE, fd_, 0);
        if (view == MAP_FAILED) {
            ::close(fd_);
            throw EStreamError("OSError");
        }
        ::madvise(view, static_cast<size_t>(size_), MADV_SEQUENTIAL);
        view_ = static_cast<const char*>(view);
    }
}

TMappedFileStream::~TMappedFileStream()
{
    if (view_)
        ::munmap(const_cast<char*>(view_), static_cast<size_t>(size_));
    if (fd_ >= 0)
        ::close(fd_);
}

int64_t TMappedFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0 || position_ < 0 || position_ >= size_)
        return 0;
    // Read through the descriptor, not the mapping: a file that another program shortened
    // meanwhile then reads short instead of raising SIGBUS.
    const int64_t want = std::min(count, size_ - position_);
    int64_t done = 0;
    while (done < want) {
        const ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, static_cast<size_t>(want - done),
                                  static_cast<off_t>(position_ + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EStreamError("OSError");
        if (n == 0)
            break;
        done += n;
    }
    position_ += done;
    return done;
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
