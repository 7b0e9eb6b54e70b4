#include "platform/TFileStreamEx.h"

#include "platform/EInOutError.h"
#include "platform/Win1252.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace artikel {

int TFileStreamEx::OpenWithRetry(const std::string& fileName, TMode mode)
{
    const int flags = mode == TMode::Read ? O_RDONLY : O_RDWR | O_CREAT | O_TRUNC;
    int fd = -1;
    int err = 0;
    const bool ok = RetryFor10Seconds([&] {
        fd = RetryOpen(fileName.c_str(), flags, 0666);
        if (fd < 0) {
            err = errno;
            return false;
        }
        struct stat st {};
        if (::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode))
            return true;
        ::close(fd);
        fd = -1;
        err = EISDIR;
        return false;
    });
    if (!ok) {
        const std::string what = mode == TMode::Read ? " kann nicht ge\xF6"
                                                       "ffnet werden"
                                                     : " kann nicht erstellt werden";
        throw EInOutError("Datei " + Utf8ToWin1252(fileName) + what, err);
    }
    return fd;
}

TFileStreamEx::TFileStreamEx(const std::string& fileName, TMode mode)
    : THandleStream(OpenWithRetry(fileName, mode), fileName)
{}

} // namespace artikel
