#include "data/TclThreadSynchronizer.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace artikel {

TclSynchronizerManager::TclSynchronizerManager(std::unique_ptr<TclSyncWindowFactory> factory)
    : factory_(std::move(factory))
{
    if (!factory_)
        throw std::invalid_argument("TclSynchronizerManager needs a window factory");
}

TclSynchronizerManager::~TclSynchronizerManager() = default;

TclSyncInfo& TclSynchronizerManager::Attach()
{
    const auto self = std::this_thread::get_id();
    std::lock_guard lock(lock_);
    for (auto& rec : records_) {
        if (rec->syncBaseThreadId == self) {
            ++rec->threadCount;
            return *rec;
        }
    }
    auto rec = std::make_unique<TclSyncInfo>();
    rec->syncBaseThreadId = self;
    rec->threadWindow = factory_->CreateWindow();
    rec->threadCount = 1;
    records_.push_back(std::move(rec));
    return *records_.back();
}

void TclSynchronizerManager::AddRef(TclSyncInfo& info)
{
    std::lock_guard lock(lock_);
    ++info.threadCount;
}

void TclSynchronizerManager::Detach(TclSyncInfo& info)
{
    if (std::this_thread::get_id() == info.syncBaseThreadId) {
        Release(info);
        return;
    }
    // The window may only be destroyed on its own thread; our reference keeps it alive until the
    // posted release has run there.
    info.threadWindow->Post([this, &info] { Release(info); });
}

void TclSynchronizerManager::Release(TclSyncInfo& info)
{
    std::unique_ptr<TclSyncWindow> unused;
    {
        std::lock_guard lock(lock_);
        if (--info.threadCount > 0)
            return;
        unused = std::move(info.threadWindow);
        auto it =
            std::find_if(records_.begin(), records_.end(), [&info](const auto& rec) { return rec.get() == &info; });
        if (it != records_.end())
            records_.erase(it);
    }
    // `unused` is destroyed here, on the window's thread, outside the lock.
}

std::size_t TclSynchronizerManager::RecordCount() const
{
    std::lock_guard lock(lock_);
    return records_.size();
}

TclThreadSynchronizer::TclThreadSynchronizer(TclSynchronizerManager& manager)
    : manager_(manager),
      info_(manager.Attach())
{}

TclThreadSynchronizer::TclThreadSynchronizer(TclSynchronizerManager& manager, TclSyncInfo& sameThreadAs)
    : manager_(manager),
      info_(sameThreadAs)
{
    manager.AddRef(sameThreadAs);
}

TclThreadSynchronizer::~TclThreadSynchronizer() { manager_.Detach(info_); }

void TclThreadSynchronizer::Run(const std::function<void()>& proc)
{
    if (std::this_thread::get_id() == info_.syncBaseThreadId) {
        proc();
        return;
    }
    std::exception_ptr error;
    {
        std::lock_guard lock(lock_);
        info_.threadWindow->Send([&proc, &error] {
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

void TclThreadSynchronizer::ProcessMessages() { info_.threadWindow->ProcessMessages(); }

void TclThreadSynchronizer::Wake() { info_.threadWindow->Wake(); }

} // namespace artikel
