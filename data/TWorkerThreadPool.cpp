#include "data/TWorkerThreadPool.h"

#include "data/TclWorkerThread.h"

namespace artikel {

TWorkerThreadPool::TWorkerThreadPool(TclSynchronizerManager& manager)
    : FManager(manager),
      FOwner(std::make_unique<TclThreadSynchronizer>(manager))
{}

TWorkerThreadPool::~TWorkerThreadPool()
{
    // Threads may only go when nothing is pending: a running job's Completed needs this thread.
    Stop();
    std::vector<std::unique_ptr<TclWorkerThread>> threads;
    {
        std::lock_guard lock(FLock);
        FQueue.clear();
        for (auto& thread : FThreads)
            thread->Terminate();
        threads = std::move(FThreads);
    }
    // Joined one by one, outside the lock: a thread that just finished its job may still want it.
    for (auto& thread : threads)
        thread.reset();
}

void TWorkerThreadPool::AddJob(std::unique_ptr<TWorkerThreadJob> job)
{
    FPendingJobs.fetch_add(1, std::memory_order_acq_rel);
    std::lock_guard lock(FLock);
    TclWorkerThread* thread = IdleThread();
    if (!thread && FThreads.size() < kMaxThreadCount) {
        try {
            thread = &NewThread();
        } catch (...) {
            // With a running thread the job can wait in the queue; without one it would never run.
            if (FThreads.empty()) {
                FPendingJobs.fetch_sub(1, std::memory_order_acq_rel);
                throw;
            }
        }
    }
    if (thread)
        thread->GiveJob(std::move(job));
    else
        FQueue.push_back(std::move(job));

    for (std::size_t i = FThreads.size(); i-- > 0;) {
        if (!FThreads[i]->Busy())
            FThreads.erase(FThreads.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void TWorkerThreadPool::Stop()
{
    // Later calls find nothing pending, unless a completion served here started another job:
    // that one is waited for as well, so every job is delivered.
    FStopping = true;
    while (PendingJobs() > 0)
        FOwner->ProcessMessages();
}

std::size_t TWorkerThreadPool::ThreadCount() const
{
    std::lock_guard lock(FLock);
    return FThreads.size();
}

std::size_t TWorkerThreadPool::QueuedCount() const
{
    std::lock_guard lock(FLock);
    return FQueue.size();
}

void TWorkerThreadPool::JobFinished(TclWorkerThread& thread)
{
    FPendingJobs.fetch_sub(1, std::memory_order_acq_rel);
    FOwner->Wake();

    std::lock_guard lock(FLock);
    if (!thread.Terminated() && !FQueue.empty()) {
        // This thread is still busy here, so the queued job goes to another one; when no other
        // can take it, this thread does rather than idle beside a waiting job.
        TclWorkerThread* next = IdleThread();
        if (!next && FThreads.size() < kMaxThreadCount) {
            try {
                next = &NewThread();
            } catch (...) {
                // No new thread to be had: this one takes the job.
            }
        }
        if (!next)
            next = &thread;
        next->GiveJob(std::move(FQueue.front()));
        FQueue.pop_front();
        if (next == &thread)
            return;
    }
    // Idle only now, under the same lock: a job added meanwhile saw this thread busy and was
    // either queued (and is picked up by a later finisher) or given to another thread.
    thread.FBusy = false;
}

TclWorkerThread& TWorkerThreadPool::NewThread()
{
    auto thread = std::make_unique<TclWorkerThread>(*this, FManager, FOwner->Info());
    thread->Start();
    FThreads.push_back(std::move(thread));
    return *FThreads.back();
}

TclWorkerThread* TWorkerThreadPool::IdleThread()
{
    for (auto& thread : FThreads) {
        if (!thread->Busy())
            return thread.get();
    }
    return nullptr;
}

} // namespace artikel
