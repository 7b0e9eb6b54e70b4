#pragma once

// One worker of TWorkerThreadPool: waits for a job or the stop request, runs the job's Execute,
// delivers its Completed on the pool owner's thread and asks the pool for the next queued job.

#include "data/TThreadEx.h"
#include "data/TWorkerThreadJob.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace artikel {

class TWorkerThreadPool;

class TclWorkerThread final : public TThreadEx {
public:
    // Bound to the pool owner's thread (`owner`); started by the pool.
    TclWorkerThread(TWorkerThreadPool& pool, TclSynchronizerManager& manager, TclSyncInfo& owner);
    ~TclWorkerThread() override;

    // Under the pool lock: the thread is running a job or has been given one.
    bool Busy() const { return busy_; }
    // Under the pool lock: marks the thread busy, hands it the job and sets its job event.
    void GiveJob(std::unique_ptr<TWorkerThreadJob> job);
    // Sets the terminate flag and the stop event.
    void Terminate() override;

protected:
    void Execute() override;

private:
    friend class TWorkerThreadPool;
    void RunJob(std::unique_ptr<TWorkerThreadJob> job);

    TWorkerThreadPool& pool_;
    bool busy_ = false; // guarded by the pool lock

    // The two auto-resetting events and the handed-over job.
    std::mutex eventLock_;
    std::condition_variable eventSignal_;
    bool jobEvent_ = false;
    bool stopEvent_ = false;
    std::unique_ptr<TWorkerThreadJob> job_;
};

} // namespace artikel
