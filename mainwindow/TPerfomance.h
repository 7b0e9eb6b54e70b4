#pragma once

// Stopwatches of the status line: one measures the load of a database, one the last search.
// They run on a monotonic clock, so a change of the wall clock never shows a negative time.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace artikel {

class TPerfomance {
public:
    using Clock = std::chrono::steady_clock;

    void Start();
    // Stops and returns the elapsed seconds; 0 when it was never started.
    double Stop();
    void Reset();

    bool Running() const { return running_; }
    double Elapsed() const { return elapsed_; }

    // For tests: the clock readings come from here instead of the steady clock.
    void SetClockForTest(Clock::time_point (*now)()) { now_ = now; }

private:
    Clock::time_point (*now_)() = &Clock::now;
    std::int64_t frequency_ = 0;
    std::int64_t startCount_ = 0;
    std::int64_t stopCount_ = 0;
    double elapsed_ = 0;
    bool running_ = false;
};

class TPerfomance2 {
public:
    static constexpr int kLoad = 0;
    static constexpr int kSearch = 1;

    TPerfomance& operator[](int slot) { return slots_.at(static_cast<size_t>(slot)); }
    const TPerfomance& operator[](int slot) const { return slots_.at(static_cast<size_t>(slot)); }

    // Stops the running stopwatches and gives the status line's time text: each non-zero time
    // with three decimals and " s.", load first, joined by " + ".
    std::string TimeText(char decimalPoint);

private:
    std::array<TPerfomance, 2> slots_;
};

// Seconds with three decimals ("#0.000"), the given decimal point.
std::string FormatSeconds(double seconds, char decimalPoint);

} // namespace artikel
