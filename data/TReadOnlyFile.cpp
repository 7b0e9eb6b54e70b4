#include "data/TReadOnlyFile.h"

#include "data/TStream.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace artikel {

TReadOnlyFile::TReadOnlyFile(const std::filesystem::path& fileName, uint64_t maxSize)
{
    fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        throw EStreamError("OSError");
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) >= maxSize) {
        ::close(fd_);
        throw EStreamError("OSError");
    }
    size_ = static_cast<size_t>(st.st_size);
}

TReadOnlyFile::~TReadOnlyFile() { ::close(fd_); }

bool TReadOnlyFile::ReadAt(char* to, size_t offset, size_t count, size_t& got) const
{
    got = 0;
    while (got < count) {
        const ssize_t n =
            ::pread(fd_, to + got, std::min<size_t>(count - got, size_t(1) << 30), static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    return true;
}

TFileView::~TFileView() { Close(); }

void TFileView::Close()
{
    if (map_)
        ::munmap(map_, size_);
    map_ = nullptr;
    fallback_.clear();
    data_ = "";
    size_ = 0;
    file_.reset();
}

bool TFileView::Open(const std::filesystem::path& fileName, uint64_t maxSize)
{
    Close();
    try {
        file_.emplace(fileName, maxSize);
    } catch (const EStreamError&) {
        return false;
    }
    const size_t size = file_->Size();
    if (size == 0)
        return true;
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file_->Handle(), 0);
    if (p != MAP_FAILED) {
        ::madvise(p, size, MADV_SEQUENTIAL);
        map_ = p;
        data_ = static_cast<const char*>(p);
        size_ = size;
        return true;
    }
    fallback_.resize(size);
    size_t got = 0;
    const bool read = file_->ReadAt(fallback_.data(), 0, size, got);
    fallback_.resize(got);
    data_ = fallback_.data();
    size_ = got;
    return read && got == size;
}

} // namespace artikel
