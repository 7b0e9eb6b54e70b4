#include "data/TThreadEx.h"

#include <stdexcept>

namespace artikel {

TThreadEx::TThreadEx(TclSynchronizerManager& manager)
    : FSynchronizer(std::make_unique<TclThreadSynchronizer>(manager))
{}

TThreadEx::TThreadEx(TclSynchronizerManager& manager, TclSyncInfo& owner)
    : FSynchronizer(std::make_unique<TclThreadSynchronizer>(manager, owner))
{}

TThreadEx::~TThreadEx()
{
    Terminate();
    WaitFor();
}

void TThreadEx::Start()
{
    if (FThread.joinable())
        throw std::logic_error("TThreadEx already started");
    FThread = std::thread([this] { Execute(); });
}

void TThreadEx::Terminate() { FTerminated.store(true, std::memory_order_release); }

void TThreadEx::WaitFor()
{
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id())
        FThread.join();
}

} // namespace artikel
