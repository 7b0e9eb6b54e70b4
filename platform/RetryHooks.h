#pragma once

// The two seams of every retrying file operation: the pause between attempts and the call that
// opens a file. Tests install their own to simulate files held by another process without
// waiting seconds; the program never changes them.

#include <functional>
#include <sys/types.h>

namespace artikel {

// Waits ms milliseconds between two attempts of a retrying file operation.
using TRetryPauseFunc = std::function<void(int ms)>;
// Opens a file like POSIX open(2): returns a descriptor, or -1 with errno set.
using TFileOpenFunc = std::function<int(const char* path, int flags, mode_t mode)>;

void RetryPause(int ms);
int RetryOpen(const char* path, int flags, mode_t mode);

// Install a replacement (an empty function restores the real one); returns the previous one.
TRetryPauseFunc SetRetryPause(TRetryPauseFunc pause);
TFileOpenFunc SetFileOpen(TFileOpenFunc open);

// Milliseconds a retry loop has waited so far: the pauses requested, or the real time that passed
// when that is more (so that an injected pause that returns at once still ends the loop).
class TRetryTimer {
public:
    TRetryTimer();
    void Pause(int ms);
    long long ElapsedMs() const;

private:
    long long paused_ = 0;
    long long startNs_;
};

} // namespace artikel
