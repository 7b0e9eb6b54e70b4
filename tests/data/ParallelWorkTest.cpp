// The engine's work splitting: every index exactly once whatever the split, and the other
// thread's end (and its exception) awaited before anything returns.

#include "data/ParallelWork.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace artikel {
namespace {

TEST(ParallelWork, ParallelForVisitsEveryIndexOnce)
{
    struct Case {
        size_t n;
        int parts;
        size_t minimum;
    } cases[] = {{0, 2, 0}, {1, 2, 0}, {2, 3, 0}, {7, 2, 0}, {10001, 2, 0}, {10001, 3, 0}, {4095, 2, 4096}, {5, 1, 0}};
    for (const Case& c : cases) {
        std::vector<std::atomic<int>> seen(c.n);
        std::atomic<int> calls{0};
        ParallelFor(c.n, c.parts, c.minimum, [&](size_t b, size_t e) {
            ++calls;
            ASSERT_LE(b, e);
            ASSERT_LE(e, c.n);
            for (size_t i = b; i < e; ++i)
                ++seen[i];
        });
        for (size_t i = 0; i < c.n; ++i)
            ASSERT_EQ(seen[i].load(), 1) << "n " << c.n << " parts " << c.parts << " index " << i;
        const bool split = c.parts > 1 && c.n >= c.minimum && c.n >= static_cast<size_t>(c.parts);
        EXPECT_EQ(calls.load(), split ? c.parts : 1) << "n " << c.n << " parts " << c.parts;
    }
}

TEST(ParallelWork, RunBothWaitsForTheOtherAndRaisesItsError)
{
    std::atomic<bool> otherDone{false};
    auto slowOther = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        otherDone = true;
    };
    RunBoth([] {}, slowOther);
    EXPECT_TRUE(otherDone.load());

    otherDone = false;
    EXPECT_THROW(RunBoth([] { throw std::runtime_error("mine"); }, slowOther), std::runtime_error);
    EXPECT_TRUE(otherDone.load()) << "an error of the calling thread still waits for the other";

    try {
        RunBoth([] {}, [] { throw std::runtime_error("other"); });
        ADD_FAILURE() << "the other thread's error is lost";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "other");
    }
    EXPECT_GE(WorkerCount(), 1);
    EXPECT_LE(WorkerCount(), 2);
}

} // namespace
} // namespace artikel
