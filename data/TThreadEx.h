#pragma once

// A thread that can run procedures synchronously on the thread it is bound to (the thread that
// constructed it, or the one of a given record).

#include "data/TclThreadSynchronizer.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace artikel {

class TThreadEx {
public:
    // Bound to the constructing thread.
    explicit TThreadEx(TclSynchronizerManager& manager);
    // Bound to the thread of `owner`, which must be alive.
    TThreadEx(TclSynchronizerManager& manager, TclSyncInfo& owner);
    // A derived class must stop and join its thread in its own destructor (WaitFor), before its
    // members go; this one only joins what is left.
    virtual ~TThreadEx();
    TThreadEx(const TThreadEx&) = delete;
    TThreadEx& operator=(const TThreadEx&) = delete;

    // Starts Execute on a new thread; once.
    void Start();
    // Asks Execute to end; it checks Terminated.
    virtual void Terminate();
    bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
    // Waits until Execute has returned (no-op when never started or already joined).
    void WaitFor();

    // Runs `proc` on the bound thread and waits; its error is raised here.
    void Synchronize(const std::function<void()>& proc) { synchronizer_->Run(proc); }
    TclThreadSynchronizer& Synchronizer() { return *synchronizer_; }

protected:
    virtual void Execute() = 0;

private:
    std::unique_ptr<TclThreadSynchronizer> synchronizer_;
    std::atomic<bool> terminated_{false};
    std::thread thread_;
};

} // namespace artikel
