#pragma once

// The converter's waiter: starts the converter program as a process of its own (no shell; the
// three file names are its arguments, exactly as given) and waits for it to end, on a thread of
// its own, so that the interface thread can keep painting while it polls Terminated().

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace artikel {

class TSendQuerySyncThread {
public:
    // Starts the thread at once. There is no time limit: the converter ends when it is done.
    TSendQuerySyncThread(std::string executable, std::string source, std::string target, std::string resultFile);
    // Waits for the converter's end.
    ~TSendQuerySyncThread();
    TSendQuerySyncThread(const TSendQuerySyncThread&) = delete;
    TSendQuerySyncThread& operator=(const TSendQuerySyncThread&) = delete;

    // Set once the converter has ended, or could not be started.
    bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
    // Waits at most `timeout` for Terminated(); returns it.
    bool WaitFor(std::chrono::milliseconds timeout);
    // Waits without a limit.
    void Wait();

    // Valid once Terminated(): the error number of a failed start (0 when it started), and the
    // converter's exit status (-1 when it did not start or ended by a signal).
    int StartError() const { return startError_; }
    int ExitCode() const { return exitCode_; }

private:
    void Run();

    std::string executable_;
    std::string source_;
    std::string target_;
    std::string resultFile_;
    int startError_ = 0;
    int exitCode_ = -1;
    std::atomic<bool> terminated_{false};
    std::mutex mutex_;
    std::condition_variable done_;
    std::thread thread_;
};

} // namespace artikel
