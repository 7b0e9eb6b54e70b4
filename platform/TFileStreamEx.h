#pragma once

#include "platform/TBetterFileStream.h"

#include <string>

namespace artikel {

// A file stream whose open is retried every 10 ms while the file is held, until more than
// 10000 ms have passed since the first failure. Then it raises EInOutError
// "Datei %s kann nicht geöffnet werden" (reading) or "... kann nicht erstellt werden" (writing).
class TFileStreamEx : public THandleStream {
public:
    enum class TMode { Read, Create };
    static constexpr int kPauseMs = 10;
    static constexpr int kTimeoutMs = 10000;

    TFileStreamEx(const std::string& fileName, TMode mode);

private:
    static int OpenWithRetry(const std::string& fileName, TMode mode);
};

// Runs attempt() until it returns true, pausing 10 ms after each failure, until more than
// 10000 ms have passed since the first failure; returns whether it succeeded.
template <class F>
bool RetryFor10Seconds(F attempt);

} // namespace artikel

#include "platform/RetryHooks.h"

template <class F>
bool artikel::RetryFor10Seconds(F attempt)
{
    TRetryTimer timer;
    for (;;) {
        if (attempt())
            return true;
        if (timer.ElapsedMs() > TFileStreamEx::kTimeoutMs)
            return false;
        timer.Pause(TFileStreamEx::kPauseMs);
    }
}
