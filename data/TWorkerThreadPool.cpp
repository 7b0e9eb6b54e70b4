#include "data/TWorkerThreadPool.h"

#include "data/TclWorkerThread.h"

namespace artikel {

TWorkerThreadPool::TWorkerThreadPool(TclSynchronizerManager& manager)
    : manager_(manager),
      owner_(std::make_unique<TclThreadSynchronizer>(manager))
{}

TWorkerThreadPool::~TWorkerThreadPool()
{
    // Threads may only go when nothing is pending: a running job's Completed needs this thread.
    Stop();
    std::vector<std::unique_ptr<TclWorkerThread>> threads;
    {
        std::lock_guard lock(lock_);
        queue_.clear();
        for (auto& thread : threads_)
            thread->Terminate();
        threads = std::move(threads_);
    }
    // Joined one by one, outside the lock: a thread that just finished its job may still want it.
    for (auto& thread : threads)
        thread.reset();
}

void TWorkerThreadPool::AddJob(std::unique_ptr<TWorkerThreadJob> job)
{
    pendingJobs_.fetch_add(1, std::memory_order_acq_rel);
    std::lock_guard lock(lock_);
    TclWorkerThread* thread = IdleThread();
    if (!thread && threads_.size() < kMaxThreadCount) {
        try {
            thread = &NewThread();
        } catch (...) {
            // With a running thread the job can wait in the queue; without one it would never run.
            if (threads_.empty()) {
                pendingJobs_.fetch_sub(1, std::memory_order_acq_rel);
                throw;
            }
        }
    }
    if (thread)
        thread->GiveJob(std::move(job));
    else
        queue_.push_back(std::move(job));

    for (std::size_t i = threads_.size(); i-- > 0;) {
        if (!threads_[i]->Busy())
            threads_.erase(threads_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void TWorkerThreadPool::Stop()
{
    // Later calls find nothing pending, unless a completion served here started another job:
    // that one is waited for as well, so every job is delivered.
    stopping_ = true;
    while (PendingJobs() > 0)
        owner_->ProcessMessages();
}

std::size_t TWorkerThreadPool::ThreadCount() const
{
    std::lock_guard lock(lock_);
    return threads_.size();
}

std::size_t TWorkerThreadPool::QueuedCount() const
{
    std::lock_guard lock(lock_);
    return queue_.size();
}

void TWorkerThreadPool::JobFinished(TclWorkerThread& thread)
{
    pendingJobs_.fetch_sub(1, std::memory_order_acq_rel);
    owner_->Wake();

    std::lock_guard lock(lock_);
    if (!thread.Terminated() && !queue_.empty()) {
        // This thread is still busy here, so the queued job goes to another one; when no other
        // can take it, this thread does rather than idle beside a waiting job.
        TclWorkerThread* next = IdleThread();
        if (!next && threads_.size() < kMaxThreadCount) {
            try {
                next = &NewThread();
            } catch (...) {
                // No new thread to be had: this one takes the job.
            }
        }
        if (!next)
            next = &thread;
        next->GiveJob(std::move(queue_.front()));
        queue_.pop_front();
        if (next == &thread)
            return;
    }
    // Idle only now, under the same lock: a job added meanwhile saw this thread busy and was
    // either queued (and is picked up by a later finisher) or given to another thread.
    thread.busy_ = false;
}

TclWorkerThread& TWorkerThreadPool::NewThread()
{
    auto thread = std::make_unique<TclWorkerThread>(*this, manager_, owner_->Info());
    thread->Start();
    threads_.push_back(std::move(thread));
    return *threads_.back();
}

TclWorkerThread* TWorkerThreadPool::IdleThread()
{
    for (auto& thread : threads_) {
        if (!thread->Busy())
            return thread.get();
    }
    return nullptr;
}

} // namespace artikel
