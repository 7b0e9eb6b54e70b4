#include "data/TASyncLoader.h"

namespace artikel {

TImportWorker::TImportWorker(std::string fileName, std::string tag, TCompletion completion)
    : dataSet_(std::make_unique<TListDataSet>()),
      fileName_(std::move(fileName)),
      tag_(std::move(tag)),
      completion_(std::move(completion))
{}

void TImportWorker::Execute()
{
    // Errors of every kind reach ExecuteFailed through the worker; the dataset stays as the
    // failed load left it.
    dataSet_->LoadFromFile(fileName_);
}

void TImportWorker::Completed()
{
    if (completion_)
        completion_(*this);
}

TASyncLoader::TASyncLoader(TclSynchronizerManager& manager, TCompletion completion)
    : completion_(std::move(completion)),
      pool_(std::make_unique<TWorkerThreadPool>(manager))
{}

TASyncLoader::~TASyncLoader()
{
    // Explicitly first: completions served while stopping still use this object.
    pool_->Stop();
    pool_.reset();
}

void TASyncLoader::Load(const std::string& fileName, const std::string& tag)
{
    ++pending_;
    try {
        pool_->AddJob(
            std::make_unique<TImportWorker>(fileName, tag, [this](TImportWorker& job) { JobCompleted(job); }));
    } catch (...) {
        --pending_;
        throw;
    }
}

void TASyncLoader::JobCompleted(TImportWorker& job)
{
    // Idle before the receiver runs, so that its completion may start the next load.
    --pending_;
    if (completion_)
        completion_(job, job.TakeDataSet(), job.Tag(), job.FileName());
}

} // namespace artikel
