#include "platform/FileRetry.h"

#include "platform/EInOutError.h"
#include "platform/Folders.h"
#include "platform/RetryHooks.h"
#include "platform/Win1252.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace artikel {

namespace {

std::atomic<unsigned> g_tempCounter{0};

std::string CannotOpen(const std::string& fileName)
{
    return "Datei " + Utf8ToWin1252(fileName) +
        " kann nicht ge\xF6"
        "ffnet werden";
}

std::string CannotCreate(const std::string& fileName)
{
    return "Datei " + Utf8ToWin1252(fileName) + " kann nicht erstellt werden";
}

bool MeansMissing(int err) { return err == ENOENT || err == ENOTDIR || err == ENAMETOOLONG || err == ELOOP; }

// The file a save replaces: a symbolic link is followed so that the link stays a link.
std::string ResolveTarget(const std::string& fileName)
{
    struct stat st {};
    if (::lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char buf[PATH_MAX];
        if (::realpath(fileName.c_str(), buf))
            return buf;
    }
    return fileName;
}

std::string JoinLines(const std::vector<std::string>& list)
{
    std::size_t total = 0;
    for (const std::string& s : list)
        total += s.size() + 2;
    std::string out;
    out.reserve(total);
    for (const std::string& s : list) {
        out += s;
        out += "\r\n";
    }
    return out;
}

} // namespace

TAtomicFileWriter::TAtomicFileWriter(const std::string& fileName, TOptions options)
    : options_(options),
      target_(options.links == TLinkPolicy::Follow ? ResolveTarget(fileName) : fileName),
      shownName_(fileName)
{
    if (options_.createFolder)
        ForceFileFolder(target_);
    temp_ = ExtractFilePath(target_) + "." + ExtractFileName(target_) + ".~" + std::to_string(::getpid()) + "-" +
        std::to_string(g_tempCounter++) + ".tmp";
    fd_ = RetryOpen(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd_ < 0)
        throw EInOutError(CannotCreate(shownName_), errno);
    created_ = true;
}

TAtomicFileWriter::~TAtomicFileWriter()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (created_)
        ::unlink(temp_.c_str());
}

void TAtomicFileWriter::Write(std::string_view data)
{
    const char* p = data.data();
    std::size_t size = data.size();
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            Fail(n < 0 ? errno : ENOSPC);
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

void TAtomicFileWriter::Commit()
{
    struct stat st {};
    if (::lstat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(fd_, st.st_mode & 07777);
    if (options_.syncToDisk && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS)
        Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        Fail(errno);
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        Fail(errno);
    created_ = false;
    if (!options_.syncToDisk)
        return;
    // Make the rename itself durable; a failure here no longer endangers either file.
    const std::string folder = ExtractFilePath(target_);
    const int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

void TAtomicFileWriter::Fail(int err) { throw EInOutError(CannotCreate(shownName_), err ? err : EIO); }

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.emplace_back(text.substr(start));
    return lines;
}

bool LoadStringsRetry(std::vector<std::string>& list, const std::string& fileName)
{
    if (!FileExists(fileName))
        return false;
    for (int attempt = 1;; ++attempt) {
        int err = 0;
        // A named pipe or device in place of the file must not block the program.
        const int fd = RetryOpen(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0);
        if (fd >= 0) {
            THandleStream stream(fd, fileName);
            struct stat st {};
            if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode))
                throw EInOutError(CannotOpen(fileName), S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
            if (::fstat(fd, &st) == 0) {
                ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
                errno = 0;
                std::string bytes = stream.ReadAll();
                if (errno == 0) {
                    list = SplitLines(bytes);
                    return true;
                }
                err = errno;
            } else {
                err = EISDIR;
            }
        } else {
            err = errno;
            if (MeansMissing(err) && !FileExists(fileName))
                return false;
        }
        if (attempt >= kRetryAttempts)
            throw EInOutError(CannotOpen(fileName), err);
        RetryPause(kRetryPauseMs);
    }
}

void SaveStringsRetry(const std::vector<std::string>& list, const std::string& fileName, TLinkPolicy links)
{
    const std::string bytes = JoinLines(list);
    for (int attempt = 1;; ++attempt) {
        try {
            WriteFileAtomic(fileName, bytes, links);
            return;
        } catch (const EInOutError&) {
            if (attempt >= kRetryAttempts)
                throw;
        }
        RetryPause(kRetryPauseMs);
    }
}

std::unique_ptr<THandleStream> OpenStreamRetry(const std::string& fileName, TOpenMode mode)
{
    if (mode == TOpenMode::Create)
        ForceFileFolder(fileName);
    const int flags = mode == TOpenMode::Read ? O_RDONLY
        : mode == TOpenMode::ReadWrite        ? O_RDWR
                                              : O_RDWR | O_CREAT | O_TRUNC;
    for (int attempt = 1;; ++attempt) {
        int err = 0;
        const int fd = RetryOpen(fileName.c_str(), flags, 0666);
        if (fd >= 0) {
            struct stat st {};
            if (::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode))
                return std::make_unique<THandleStream>(fd, fileName);
            ::close(fd);
            err = EISDIR;
        } else {
            err = errno;
        }
        const bool missing = mode != TOpenMode::Create && MeansMissing(err);
        if (missing || attempt >= kRetryAttempts)
            throw EInOutError(mode == TOpenMode::Create ? CannotCreate(fileName) : CannotOpen(fileName), err);
        RetryPause(kRetryPauseMs);
    }
}

bool CopyFileRetry(const std::string& source, const std::string& target, TLinkPolicy links)
{
    try {
        if (!FileExists(source))
            return false;
        const std::string folder = ExtractFilePath(target);
        if (!folder.empty())
            ForceFolders(folder);
        std::unique_ptr<THandleStream> in = OpenStreamRetry(source, TOpenMode::Read);
        std::string block(kCopyBlockSize, '\0');
        for (int attempt = 1; attempt <= 10; ++attempt) {
            try {
                TAtomicFileWriter out(target, links);
                if (in->Seek(0, TSeekOrigin::Beginning) != 0)
                    return false;
                for (;;) {
                    errno = 0;
                    const std::size_t n = in->Read(block.data(), block.size());
                    // A read error ends a block early too: never commit a cut-off copy.
                    if (errno != 0)
                        return false;
                    out.Write(std::string_view(block.data(), n));
                    if (n < block.size())
                        break;
                }
                out.Commit();
                return true;
            } catch (const EInOutError&) {
                if (attempt < 10)
                    RetryPause(100 * attempt);
            }
        }
    } catch (const std::exception&) {
    }
    return false;
}

std::string SaveResourceToFile(std::string_view data, const std::string& fileName)
{
    const std::string folder = ExtractFilePath(fileName);
    const std::string name = ExtractFileName(fileName);
    for (int attempt = 0; attempt < kRetryAttempts; ++attempt) {
        const std::string candidate = attempt == 0 ? fileName : folder + "[" + std::to_string(attempt) + "]" + name;
        try {
            ForceFileFolder(candidate);
            TBetterFileStream out(candidate, true, TBetterFileStream::kCreate);
            out.WriteBuffer(data.data(), data.size());
            return candidate;
        } catch (const std::exception&) {
        }
        RetryPause(kRetryPauseMs);
    }
    return {};
}

void WriteFileAtomic(const std::string& fileName, std::string_view data, TLinkPolicy links)
{
    TAtomicFileWriter out(fileName, links);
    out.Write(data);
    out.Commit();
}

bool WriteFileAtomicRetry(const std::string& fileName, std::string_view data) noexcept
{
    for (int attempt = 1; attempt <= kRetryAttempts; ++attempt) {
        try {
            WriteFileAtomic(fileName, data);
            return true;
        } catch (const std::exception&) {
        }
        if (attempt < kRetryAttempts)
            RetryPause(kRetryPauseMs);
    }
    return false;
}

} // namespace artikel
