#pragma once

// Loads databases in the background: a worker thread of the loader's pool fills a fresh
// TListDataSet, and the filled dataset is handed, on the thread that created the loader (the
// interface thread), to the receiver's completion. Every load started is delivered, also when it
// failed (the job's error text says why) and also when the loader is destroyed meanwhile.

#include "data/TListDataSet.h"
#include "data/TWorkerThreadJob.h"
#include "data/TWorkerThreadPool.h"

#include <functional>
#include <memory>
#include <string>

namespace artikel {

// The load job: Execute fills the dataset on a worker thread, Completed hands it on.
class TImportWorker final : public TWorkerThreadBaseJob {
public:
    using TCompletion = std::function<void(TImportWorker& job)>;

    // The empty dataset is created here, on the calling thread.
    TImportWorker(std::string fileName, std::string tag, TCompletion completion);

    void Execute() override;
    void Completed() override;

    const std::string& FileName() const { return fileName_; }
    const std::string& Tag() const { return tag_; }
    // The dataset; its ownership passes to whoever takes it.
    std::unique_ptr<TListDataSet> TakeDataSet() { return std::move(dataSet_); }

private:
    std::unique_ptr<TListDataSet> dataSet_;
    std::string fileName_;
    std::string tag_;
    TCompletion completion_;
};

class TASyncLoader {
public:
    // Called on the loader's thread with the job (valid only during the call: read its
    // ErrorText there), the dataset (ownership passes to the receiver), the tag and file name.
    using TCompletion = std::function<void(TImportWorker& job, std::unique_ptr<TListDataSet> dataSet,
                                           const std::string& tag, const std::string& fileName)>;

    // On the interface thread; `manager` delivers onto it (QtSynchronizerManager() in the program).
    TASyncLoader(TclSynchronizerManager& manager, TCompletion completion);
    // Waits for pending loads while serving the thread's messages; each is still delivered.
    ~TASyncLoader();
    TASyncLoader(const TASyncLoader&) = delete;
    TASyncLoader& operator=(const TASyncLoader&) = delete;

    // Starts loading `fileName`; `tag` comes back unchanged with the dataset.
    void Load(const std::string& fileName, const std::string& tag);
    // True from Load until just before the receiver's completion of the last pending load.
    bool Busy() const { return pending_ != 0; }

    // The pool, for looking at its threads.
    const TWorkerThreadPool& Pool() const { return *pool_; }

private:
    void JobCompleted(TImportWorker& job);

    TCompletion completion_;
    int pending_ = 0; // interface thread only
    std::unique_ptr<TWorkerThreadPool> pool_;
};

} // namespace artikel
