// The worker pool and the synchronous delivery onto the interface thread, with plain jobs.

#include "data/TWorkerThreadPool.h"
#include "data/qt/TQtSyncWindow.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace artikel {
namespace {

using namespace std::chrono_literals;

// A gate a job waits at; the wait gives up after a while so that a fault fails instead of hanging.
class TGate {
public:
    void Open()
    {
        std::lock_guard lock(lock_);
        FOpen = true;
        FSignal.notify_all();
    }
    bool Wait()
    {
        std::unique_lock lock(lock_);
        return FSignal.wait_for(lock, 20s, [this] { return FOpen; });
    }

private:
    std::mutex lock_;
    std::condition_variable FSignal;
    bool FOpen = false;
};

struct TJobLog {
    std::mutex Lock;
    std::vector<std::thread::id> ExecuteThreads;
    std::vector<std::thread::id> CompletedThreads;
    std::vector<std::string> Errors;
    int Completed = 0;
};

class TProbeJob : public TWorkerThreadBaseJob {
public:
    using TAction = std::function<void()>;
    TProbeJob(TJobLog& log, TAction execute = {}, TAction completed = {})
        : FLog(log),
          FExecute(std::move(execute)),
          FCompleted(std::move(completed))
    {}
    void Execute() override
    {
        {
            std::lock_guard lock(FLog.Lock);
            FLog.ExecuteThreads.push_back(std::this_thread::get_id());
        }
        if (FExecute)
            FExecute();
    }
    void Completed() override
    {
        {
            std::lock_guard lock(FLog.Lock);
            FLog.CompletedThreads.push_back(std::this_thread::get_id());
            FLog.Errors.push_back(ErrorText());
            ++FLog.Completed;
        }
        if (FCompleted)
            FCompleted();
    }

private:
    TJobLog& FLog;
    TAction FExecute;
    TAction FCompleted;
};

class PoolTest : public ::testing::Test {
protected:
    TclSynchronizerManager manager_{std::make_unique<TQtSyncWindowFactory>()};

    bool WaitForCompleted(TJobLog& log, int count)
    {
        return QTest::qWaitFor(
            [&] {
                std::lock_guard lock(log.Lock);
                return log.Completed >= count;
            },
            20000);
    }
};

TEST_F(PoolTest, CompletedRunsOnOwnerThreadAndIdleThreadIsReused)
{
    TJobLog log;
    TWorkerThreadPool pool(manager_);
    pool.AddJob(std::make_unique<TProbeJob>(log));
    ASSERT_TRUE(WaitForCompleted(log, 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pool.PendingJobs() == 0; }, 20000));
    // The finished thread stays, idle, until the next job is added ...
    EXPECT_EQ(pool.ThreadCount(), 1u);

    pool.AddJob(std::make_unique<TProbeJob>(log));
    ASSERT_TRUE(WaitForCompleted(log, 2));
    // ... which it then runs.
    EXPECT_EQ(pool.ThreadCount(), 1u);
    ASSERT_EQ(log.ExecuteThreads.size(), 2u);
    EXPECT_EQ(log.ExecuteThreads[0], log.ExecuteThreads[1]);
    EXPECT_NE(log.ExecuteThreads[0], std::this_thread::get_id());
    for (auto id : log.CompletedThreads)
        EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(PoolTest, AtMostFiveThreadsRunTheRestIsQueuedAndEveryJobIsDelivered)
{
    TJobLog log;
    TGate gate;
    std::atomic<bool> timedOut{false};
    {
        TWorkerThreadPool pool(manager_);
        for (int i = 0; i < 7; ++i)
            pool.AddJob(std::make_unique<TProbeJob>(log, [&] {
                if (!gate.Wait())
                    timedOut = true;
            }));
        EXPECT_EQ(pool.ThreadCount(), 5u);
        EXPECT_EQ(pool.QueuedCount(), 2u);
        EXPECT_EQ(pool.PendingJobs(), 7);
        gate.Open();
        ASSERT_TRUE(WaitForCompleted(log, 7));
        ASSERT_TRUE(QTest::qWaitFor([&] { return pool.PendingJobs() == 0; }, 20000));
        EXPECT_EQ(pool.QueuedCount(), 0u);
    }
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(log.Completed, 7);
    std::set<std::thread::id> threads(log.ExecuteThreads.begin(), log.ExecuteThreads.end());
    EXPECT_EQ(threads.size(), 5u);
}

TEST_F(PoolTest, AnErrorOfAnyTypeInExecuteIsKeptAndTheJobStillDelivered)
{
    struct TCase {
        const char* Name;
        std::function<void()> Throw;
        std::string Expected;
    };
    const std::vector<TCase> cases = {
        {"program error", [] { throw std::runtime_error("OSError"); }, "OSError"},
        {"out of memory", [] { throw std::bad_alloc(); }, "Nicht gen\xFCgend Arbeitsspeicher"},
        {"not an exception class", [] { throw 42; }, "Unbekannter Fehler"},
        {"empty message", [] { throw std::runtime_error(""); }, "Unbekannter Fehler"},
        {"no error", [] {}, ""},
    };
    TJobLog log;
    TWorkerThreadPool pool(manager_);
    int expected = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        pool.AddJob(std::make_unique<TProbeJob>(log, c.Throw));
        ASSERT_TRUE(WaitForCompleted(log, ++expected));
        EXPECT_EQ(log.Errors.back(), c.Expected);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return pool.PendingJobs() == 0; }, 20000));
}

TEST_F(PoolTest, AnErrorOfCompletedIsSwallowedAndThePoolGoesOn)
{
    TJobLog log;
    TWorkerThreadPool pool(manager_);
    pool.AddJob(std::make_unique<TProbeJob>(log, nullptr, [] { throw std::runtime_error("receiver"); }));
    ASSERT_TRUE(WaitForCompleted(log, 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pool.PendingJobs() == 0; }, 20000));
    pool.AddJob(std::make_unique<TProbeJob>(log));
    EXPECT_TRUE(WaitForCompleted(log, 2));
}

TEST_F(PoolTest, DestructionServesMessagesUntilTheRunningJobIsDelivered)
{
    TJobLog log;
    TGate gate;
    std::atomic<bool> timedOut{false};
    auto pool = std::make_unique<TWorkerThreadPool>(manager_);
    pool->AddJob(std::make_unique<TProbeJob>(log, [&] {
        if (!gate.Wait())
            timedOut = true;
    }));
    // Only a destruction that keeps serving the message queue lets this open the gate.
    QTimer::singleShot(0, [&] { gate.Open(); });
    pool.reset();
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(log.Completed, 1);
    EXPECT_EQ(manager_.RecordCount(), 0u);
}

TEST_F(PoolTest, SynchronizerRaisesTheErrorOfTheProcedureInTheCallingThread)
{
    TclThreadSynchronizer sync(manager_);
    std::thread::id ranOn;
    std::string caught;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        try {
            sync.Run([&] {
                ranOn = std::this_thread::get_id();
                throw std::runtime_error("Fehler im Hauptthread");
            });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
        done = true;
    });
    const bool finished = QTest::qWaitFor([&] { return done.load(); }, 20000);
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(caught, "Fehler im Hauptthread");
}

TEST_F(PoolTest, TheThreadWindowGoesWithItsLastSynchronizerAlsoWhenThatEndsOnAnotherThread)
{
    auto first = std::make_unique<TclThreadSynchronizer>(manager_);
    auto second = std::make_unique<TclThreadSynchronizer>(manager_, first->Info());
    EXPECT_EQ(manager_.RecordCount(), 1u);
    first.reset();
    EXPECT_EQ(manager_.RecordCount(), 1u);

    // Released on a worker: the window may only go on its own thread, once that serves messages.
    std::thread([&] { second.reset(); }).join();
    EXPECT_EQ(manager_.RecordCount(), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return manager_.RecordCount() == 0; }, 20000));

    // A new synchronizer on this thread gets a fresh window that works.
    TclThreadSynchronizer again(manager_);
    std::atomic<bool> ran{false};
    std::thread caller([&] { again.Run([&] { ran = true; }); });
    const bool served = QTest::qWaitFor([&] { return ran.load(); }, 20000);
    caller.join();
    EXPECT_TRUE(served);
}

} // namespace
} // namespace artikel
