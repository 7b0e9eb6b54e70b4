#include "data/TclWorkerThread.h"

#include "data/TWorkerThreadPool.h"

namespace artikel {

TclWorkerThread::TclWorkerThread(TWorkerThreadPool& pool, TclSynchronizerManager& manager, TclSyncInfo& owner)
    : TThreadEx(manager, owner),
      pool_(pool)
{}

TclWorkerThread::~TclWorkerThread()
{
    Terminate();
    WaitFor();
}

void TclWorkerThread::GiveJob(std::unique_ptr<TWorkerThreadJob> job)
{
    busy_ = true;
    std::lock_guard lock(eventLock_);
    job_ = std::move(job);
    jobEvent_ = true;
    eventSignal_.notify_one();
}

void TclWorkerThread::Terminate()
{
    TThreadEx::Terminate();
    std::lock_guard lock(eventLock_);
    stopEvent_ = true;
    eventSignal_.notify_one();
}

void TclWorkerThread::Execute()
{
    while (!Terminated()) {
        std::unique_ptr<TWorkerThreadJob> job;
        {
            std::unique_lock lock(eventLock_);
            eventSignal_.wait(lock, [this] { return stopEvent_ || jobEvent_; });
            if (stopEvent_) {
                stopEvent_ = false;
                return;
            }
            jobEvent_ = false;
            job = std::move(job_);
        }
        if (job)
            RunJob(std::move(job));
        pool_.JobFinished(*this);
    }
}

void TclWorkerThread::RunJob(std::unique_ptr<TWorkerThreadJob> job)
{
    // Whatever Execute raises, the job is delivered: a job that never completes would leave its
    // owner waiting for ever.
    try {
        job->Execute();
    } catch (...) {
        job->ExecuteFailed(std::current_exception());
    }
    try {
        Synchronize([&job] { job->Completed(); });
    } catch (...) {
        // An error of the owner's completion has nowhere to go from here.
    }
    job.reset();
}

} // namespace artikel
