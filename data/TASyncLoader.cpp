#include "data/TASyncLoader.h"

namespace artikel {

TImportWorker::TImportWorker(std::string fileName, std::string tag, TCompletion completion)
    : FDataSet(std::make_unique<TListDataSet>()),
      FFileName(std::move(fileName)),
      FTag(std::move(tag)),
      FCompletion(std::move(completion))
{}

void TImportWorker::Execute()
{
    // Errors of every kind reach ExecuteFailed through the worker; the dataset stays as the
    // failed load left it.
    FDataSet->LoadFromFile(FFileName);
}

void TImportWorker::Completed()
{
    if (FCompletion)
        FCompletion(*this);
}

TASyncLoader::TASyncLoader(TclSynchronizerManager& manager, TCompletion completion)
    : FCompletion(std::move(completion)),
      FPool(std::make_unique<TWorkerThreadPool>(manager))
{}

TASyncLoader::~TASyncLoader()
{
    // Explicitly first: completions served while stopping still use this object.
    FPool->Stop();
    FPool.reset();
}

void TASyncLoader::Load(const std::string& fileName, const std::string& tag)
{
    ++FPending;
    try {
        FPool->AddJob(
            std::make_unique<TImportWorker>(fileName, tag, [this](TImportWorker& job) { JobCompleted(job); }));
    } catch (...) {
        --FPending;
        throw;
    }
}

void TASyncLoader::JobCompleted(TImportWorker& job)
{
    // Idle before the receiver runs, so that its completion may start the next load.
    --FPending;
    if (FCompletion)
        FCompletion(job, job.TakeDataSet(), job.Tag(), job.FileName());
}

} // namespace artikel
