#pragma once

// The message target of a Qt thread for TclThreadSynchronizer: a QObject living on that thread;
// a worker's synchronous call is a blocking queued call into it.

#include "data/TclThreadSynchronizer.h"

#include <functional>
#include <memory>

class QObject;
class QThread;

namespace artikel {

class TQtSyncReceiver;

class TQtSyncWindow final : public TclSyncWindow {
public:
    // On the thread to serve; that thread needs a Qt event dispatcher (the interface thread has).
    TQtSyncWindow();
    ~TQtSyncWindow() override;

    void Send(const std::function<void()>& call) override;
    void Post(std::function<void()> call) override;
    void ProcessMessages() override;
    void Wake() override;

private:
    TQtSyncReceiver* receiver_; // owned; deleted later when destroyed from inside one of its calls
    QThread* thread_;
};

class TQtSyncWindowFactory final : public TclSyncWindowFactory {
public:
    std::unique_ptr<TclSyncWindow> CreateWindow() override;
};

// The program's synchronizer manager, serving Qt threads: created on first use, freed at exit.
TclSynchronizerManager& QtSynchronizerManager();

} // namespace artikel
