#include "data/TclWorkerThread.h"

#include "data/TWorkerThreadPool.h"

namespace artikel {

TclWorkerThread::TclWorkerThread(TWorkerThreadPool& pool, TclSynchronizerManager& manager, TclSyncInfo& owner)
    : TThreadEx(manager, owner),
      FPool(pool)
{}

TclWorkerThread::~TclWorkerThread()
{
    Terminate();
    WaitFor();
}

void TclWorkerThread::GiveJob(std::unique_ptr<TWorkerThreadJob> job)
{
    FBusy = true;
    std::lock_guard lock(FEventLock);
    FJob = std::move(job);
    FJobEvent = true;
    FEventSignal.notify_one();
}

void TclWorkerThread::Terminate()
{
    TThreadEx::Terminate();
    std::lock_guard lock(FEventLock);
    FStopEvent = true;
    FEventSignal.notify_one();
}

void TclWorkerThread::Execute()
{
    while (!Terminated()) {
        std::unique_ptr<TWorkerThreadJob> job;
        {
            std::unique_lock lock(FEventLock);
            FEventSignal.wait(lock, [this] { return FStopEvent || FJobEvent; });
            if (FStopEvent) {
                FStopEvent = false;
                return;
            }
            FJobEvent = false;
            job = std::move(FJob);
        }
        if (job)
            RunJob(std::move(job));
        FPool.JobFinished(*this);
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
