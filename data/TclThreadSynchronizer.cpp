#include "data/TclThreadSynchronizer.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace artikel {

TclSynchronizerManager::TclSynchronizerManager(std::unique_ptr<TclSyncWindowFactory> factory)
    : FFactory(std::move(factory))
{
    if (!FFactory)
        throw std::invalid_argument("TclSynchronizerManager needs a window factory");
}

TclSynchronizerManager::~TclSynchronizerManager() = default;

TclSyncInfo& TclSynchronizerManager::Attach()
{
    const auto self = std::this_thread::get_id();
    std::lock_guard lock(FLock);
    for (auto& rec : FRecords) {
        if (rec->FSyncBaseThreadID == self) {
            ++rec->FThreadCount;
            return *rec;
        }
    }
    auto rec = std::make_unique<TclSyncInfo>();
    rec->FSyncBaseThreadID = self;
    rec->FThreadWindow = FFactory->CreateWindow();
    rec->FThreadCount = 1;
    FRecords.push_back(std::move(rec));
    return *FRecords.back();
}

void TclSynchronizerManager::AddRef(TclSyncInfo& info)
{
    std::lock_guard lock(FLock);
    ++info.FThreadCount;
}

void TclSynchronizerManager::Detach(TclSyncInfo& info)
{
    if (std::this_thread::get_id() == info.FSyncBaseThreadID) {
        Release(info);
        return;
    }
    // The window may only be destroyed on its own thread; our reference keeps it alive until the
    // posted release has run there.
    info.FThreadWindow->Post([this, &info] { Release(info); });
}

void TclSynchronizerManager::Release(TclSyncInfo& info)
{
    std::unique_ptr<TclSyncWindow> unused;
    {
        std::lock_guard lock(FLock);
        if (--info.FThreadCount > 0)
            return;
        unused = std::move(info.FThreadWindow);
        auto it =
            std::find_if(FRecords.begin(), FRecords.end(), [&info](const auto& rec) { return rec.get() == &info; });
        if (it != FRecords.end())
            FRecords.erase(it);
    }
    // `unused` is destroyed here, on the window's thread, outside the lock.
}

std::size_t TclSynchronizerManager::RecordCount() const
{
    std::lock_guard lock(FLock);
    return FRecords.size();
}

TclThreadSynchronizer::TclThreadSynchronizer(TclSynchronizerManager& manager)
    : FManager(manager),
      FInfo(manager.Attach())
{}

TclThreadSynchronizer::TclThreadSynchronizer(TclSynchronizerManager& manager, TclSyncInfo& sameThreadAs)
    : FManager(manager),
      FInfo(sameThreadAs)
{
    manager.AddRef(sameThreadAs);
}

TclThreadSynchronizer::~TclThreadSynchronizer() { FManager.Detach(FInfo); }

void TclThreadSynchronizer::Run(const std::function<void()>& proc)
{
    if (std::this_thread::get_id() == FInfo.FSyncBaseThreadID) {
        proc();
        return;
    }
    std::exception_ptr error;
    {
        std::lock_guard lock(FLock);
        FInfo.FThreadWindow->Send([&proc, &error] {
            try {
                proc();
            } catch (...) {
                // Keep the error away from the owner thread's event loop; the caller raises it.
                error = std::current_exception();
            }
        });
    }
    if (error)
        std::rethrow_exception(error);
}

void TclThreadSynchronizer::ProcessMessages() { FInfo.FThreadWindow->ProcessMessages(); }

void TclThreadSynchronizer::Wake() { FInfo.FThreadWindow->Wake(); }

} // namespace artikel
