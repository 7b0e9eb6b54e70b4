#pragma once

// A small pool of worker threads (up to 5) that runs jobs and delivers each job's Completed on the
// thread that created the pool. Threads are created on demand and idle ones are freed whenever a
// job is added; jobs beyond five running ones wait in a first-in first-out queue.

#include "data/TWorkerThreadJob.h"
#include "data/TclThreadSynchronizer.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace artikel {

class TclWorkerThread;

class TWorkerThreadPool {
public:
    static constexpr std::size_t kMaxThreadCount = 5;

    // Created on the owner thread, which must serve messages of `manager`'s windows.
    explicit TWorkerThreadPool(TclSynchronizerManager& manager);
    // Stops (serving messages until every job is delivered), then ends the threads.
    ~TWorkerThreadPool();
    TWorkerThreadPool(const TWorkerThreadPool&) = delete;
    TWorkerThreadPool& operator=(const TWorkerThreadPool&) = delete;

    // Owner thread.
    void AddJob(std::unique_ptr<TWorkerThreadJob> job);
    // Owner thread: waits, serving the owner's messages, until no job is pending. Once.
    void Stop();

    // Jobs added and not yet finished.
    int PendingJobs() const { return pendingJobs_.load(std::memory_order_acquire); }
    std::size_t ThreadCount() const;
    std::size_t QueuedCount() const;
    bool Stopping() const { return stopping_; }

private:
    friend class TclWorkerThread;
    // Worker thread, after its job was delivered and freed.
    void JobFinished(TclWorkerThread& thread);
    // Under the lock.
    TclWorkerThread& NewThread();
    TclWorkerThread* IdleThread();

    TclSynchronizerManager& manager_;
    std::unique_ptr<TclThreadSynchronizer> owner_;
    mutable std::mutex lock_;
    std::vector<std::unique_ptr<TclWorkerThread>> threads_;
    std::deque<std::unique_ptr<TWorkerThreadJob>> queue_;
    std::atomic<int> pendingJobs_{0};
    bool stopping_ = false;
};

} // namespace artikel
