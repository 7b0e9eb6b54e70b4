#pragma once

// Synchronous calls from worker threads onto the thread that owns a synchronizer (the interface
// thread). The delivery itself goes through a TclSyncWindow, one per owning thread, which the
// embedding toolkit supplies (see data/qt/TQtSyncWindow.h): this keeps the engine free of Qt.

#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace artikel {

// The hidden message target of one thread. Created and destroyed on that thread.
class TclSyncWindow {
public:
    virtual ~TclSyncWindow() = default;
    // From another thread: runs `call` on the window's thread and returns once it has returned.
    // `call` never throws.
    virtual void Send(const std::function<void()>& call) = 0;
    // From any thread: runs `call` on the window's thread later; never throws.
    virtual void Post(std::function<void()> call) = 0;
    // On the window's thread: dispatches its queued messages, waiting for one when there are none.
    // Returns after some messages were handled or after Wake.
    virtual void ProcessMessages() = 0;
    // From any thread: makes a waiting (or the next) ProcessMessages return.
    virtual void Wake() = 0;
};

class TclSyncWindowFactory {
public:
    virtual ~TclSyncWindowFactory() = default;
    // Called on the thread the window will serve.
    virtual std::unique_ptr<TclSyncWindow> CreateWindow() = 0;
};

// One record per thread that owns synchronizers.
struct TclSyncInfo {
    std::thread::id syncBaseThreadId;
    std::unique_ptr<TclSyncWindow> threadWindow;
    int threadCount = 0;
};

// Keeps the message windows of the threads that own synchronizers; the program has one.
class TclSynchronizerManager {
public:
    explicit TclSynchronizerManager(std::unique_ptr<TclSyncWindowFactory> factory);
    ~TclSynchronizerManager();
    TclSynchronizerManager(const TclSynchronizerManager&) = delete;
    TclSynchronizerManager& operator=(const TclSynchronizerManager&) = delete;

    // On the calling thread: finds or creates its record (and window), counts one more user.
    TclSyncInfo& Attach();
    // One more user of a record that is known to be alive (from any thread).
    void AddRef(TclSyncInfo& info);
    // One user less. On the record's own thread the window goes at once when unused; from any
    // other thread the release is posted to the record's thread.
    void Detach(TclSyncInfo& info);

    // Number of threads that currently own a window.
    std::size_t RecordCount() const;

private:
    void Release(TclSyncInfo& info);

    mutable std::mutex lock_;
    std::unique_ptr<TclSyncWindowFactory> factory_;
    std::vector<std::unique_ptr<TclSyncInfo>> records_;
};

// Runs procedures synchronously on the thread it is bound to.
class TclThreadSynchronizer {
public:
    // Bound to the calling thread.
    explicit TclThreadSynchronizer(TclSynchronizerManager& manager);
    // Bound to the same thread as `sameThreadAs` (which must stay alive meanwhile).
    TclThreadSynchronizer(TclSynchronizerManager& manager, TclSyncInfo& sameThreadAs);
    ~TclThreadSynchronizer();
    TclThreadSynchronizer(const TclThreadSynchronizer&) = delete;
    TclThreadSynchronizer& operator=(const TclThreadSynchronizer&) = delete;

    // Runs `proc` on the bound thread and waits for it; an error it raises is raised here.
    // On the bound thread itself `proc` runs directly. One call at a time.
    void Run(const std::function<void()>& proc);

    // On the bound thread: serves its messages once (see TclSyncWindow::ProcessMessages).
    void ProcessMessages();
    // From any thread: wakes the bound thread out of ProcessMessages.
    void Wake();

    std::thread::id ThreadID() const { return info_.syncBaseThreadId; }
    TclSyncInfo& Info() { return info_; }

private:
    TclSynchronizerManager& manager_;
    TclSyncInfo& info_;
    std::mutex lock_;
};

} // namespace artikel
