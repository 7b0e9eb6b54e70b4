#include "platform/RetryHooks.h"

#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <thread>

namespace artikel {

namespace {

std::mutex g_hookLock;
TRetryPauseFunc g_pause;
TFileOpenFunc g_open;

long long NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void RetryPause(int ms)
{
    TRetryPauseFunc pause;
    {
        std::lock_guard lock(g_hookLock);
        pause = g_pause;
    }
    if (pause)
        pause(ms);
    else if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int RetryOpen(const char* path, int flags, mode_t mode)
{
    TFileOpenFunc open;
    {
        std::lock_guard lock(g_hookLock);
        open = g_open;
    }
    if (open)
        return open(path, flags | O_CLOEXEC, mode);
    return ::open(path, flags | O_CLOEXEC, mode);
}

TRetryPauseFunc SetRetryPause(TRetryPauseFunc pause)
{
    std::lock_guard lock(g_hookLock);
    std::swap(g_pause, pause);
    return pause;
}

TFileOpenFunc SetFileOpen(TFileOpenFunc open)
{
    std::lock_guard lock(g_hookLock);
    std::swap(g_open, open);
    return open;
}

TRetryTimer::TRetryTimer()
    : startNs_(NowNs())
{}

void TRetryTimer::Pause(int ms)
{
    RetryPause(ms);
    paused_ += ms;
}

long long TRetryTimer::ElapsedMs() const
{
    const long long real = (NowNs() - startNs_) / 1000000;
    return real > paused_ ? real : paused_;
}

} // namespace artikel
