#pragma once

// Replaces the pause and the open call of the retrying file operations for one test: pauses are
// recorded instead of waited, and an open can be made to fail as if another program held the file.

#include "platform/RetryHooks.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace artikel::test {

class TRetryHooks {
public:
    // Decides whether an open of path fails; return an errno value to fail with, 0 to open.
    using TFailRule = std::function<int(const std::string& path, int flags)>;

    TRetryHooks()
    {
        previousPause_ = SetRetryPause([this](int ms) { pauses.push_back(ms); });
        previousOpen_ = SetFileOpen([this](const char* path, int flags, mode_t mode) {
            opens.emplace_back(path);
            if (failRule) {
                if (const int err = failRule(path, flags)) {
                    errno = err;
                    return -1;
                }
            }
            if (redirect) {
                if (const int fd = redirect(path, flags); fd >= 0)
                    return fd;
            }
            return ::open(path, flags, mode);
        });
    }
    TRetryHooks(const TRetryHooks&) = delete;
    TRetryHooks& operator=(const TRetryHooks&) = delete;
    ~TRetryHooks()
    {
        SetRetryPause(previousPause_);
        SetFileOpen(previousOpen_);
    }

    long long TotalPauseMs() const
    {
        long long sum = 0;
        for (const int ms : pauses)
            sum += ms;
        return sum;
    }

    std::vector<int> pauses;
    std::vector<std::string> opens;
    TFailRule failRule;
    // Returns a descriptor to use instead of opening path, or -1 to open it normally.
    std::function<int(const std::string& path, int flags)> redirect;

private:
    TRetryPauseFunc previousPause_;
    TFileOpenFunc previousOpen_;
};

// A rule failing the first n opens whose path contains part, as a held file does.
inline TRetryHooks::TFailRule FailFirst(int n, std::string part, int err = EACCES)
{
    auto left = std::make_shared<int>(n);
    return [left, part = std::move(part), err](const std::string& path, int) {
        if (path.find(part) == std::string::npos || *left <= 0)
            return 0;
        --*left;
        return err;
    };
}

} // namespace artikel::test
