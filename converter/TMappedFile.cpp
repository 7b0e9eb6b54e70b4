#include "converter/TMappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace artikel::convert {

TMappedFile::~TMappedFile() { Close(); }

void TMappedFile::Close()
{
    if (map_)
        ::munmap(map_, size_);
    map_ = nullptr;
    data_ = "";
    size_ = 0;
    fallback_.clear();
}

bool TMappedFile::Open(const std::filesystem::path& file)
{
    Close();
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    const size_t size = static_cast<size_t>(st.st_size);
    if (size == 0) {
        ::close(fd);
        return true;
    }
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (p != MAP_FAILED) {
        ::madvise(p, size, MADV_SEQUENTIAL);
        map_ = p;
        data_ = static_cast<const char*>(p);
        size_ = size;
        ::close(fd);
        return true;
    }
    fallback_.resize(size);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, fallback_.data() + got, size - got);
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    fallback_.resize(got);
    data_ = fallback_.data();
    size_ = got;
    return got == size;
}

} // namespace artikel::convert
