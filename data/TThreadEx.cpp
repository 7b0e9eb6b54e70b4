#include "data/TThreadEx.h"

#include <stdexcept>

namespace artikel {

TThreadEx::TThreadEx(TclSynchronizerManager& manager)
    : synchronizer_(std::make_unique<TclThreadSynchronizer>(manager))
{}

TThreadEx::TThreadEx(TclSynchronizerManager& manager, TclSyncInfo& owner)
    : synchronizer_(std::make_unique<TclThreadSynchronizer>(manager, owner))
{}

TThreadEx::~TThreadEx()
{
    Terminate();
    WaitFor();
}

void TThreadEx::Start()
{
    if (thread_.joinable())
        throw std::logic_error("TThreadEx already started");
    thread_ = std::thread([this] { Execute(); });
}

void TThreadEx::Terminate() { terminated_.store(true, std::memory_order_release); }

void TThreadEx::WaitFor()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

} // namespace artikel
