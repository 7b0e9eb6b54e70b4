#include "mainwindow/TPerfomance.h"

#include <cmath>
#include <cstdio>

namespace artikel {

namespace {

std::int64_t Ticks(TPerfomance::Clock::time_point at)
{
    return static_cast<std::int64_t>(at.time_since_epoch().count());
}

} // namespace

void TPerfomance::Start()
{
    using Period = Clock::period;
    frequency_ = static_cast<std::int64_t>(Period::den / Period::num);
    startCount_ = Ticks(now_());
    running_ = true;
    elapsed_ = 0;
}

double TPerfomance::Stop()
{
    stopCount_ = Ticks(now_());
    // The steady clock's epoch may be the boot time: a start count of 0 still is a start.
    elapsed_ = (running_ || startCount_ > 0) && frequency_ > 0 && stopCount_ >= startCount_
        ? static_cast<double>(stopCount_ - startCount_) / static_cast<double>(frequency_)
        : 0.0;
    running_ = false;
    return elapsed_;
}

void TPerfomance::Reset()
{
    Stop();
    elapsed_ = 0;
}

std::string FormatSeconds(double seconds, char decimalPoint)
{
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", seconds);
    std::string text = buffer;
    for (char& c : text)
        if (c == '.' || c == ',')
            c = decimalPoint;
    return text;
}

std::string TPerfomance2::TimeText(char decimalPoint)
{
    std::string entries;
    for (TPerfomance& watch : slots_) {
        if (watch.Running())
            watch.Stop();
        if (watch.Elapsed() == 0)
            continue;
        if (!entries.empty())
            entries += " + ";
        entries += FormatSeconds(watch.Elapsed(), decimalPoint) + " s.";
    }
    return " </b>| <b><font color=\"clblue\" /font>" + entries;
}

} // namespace artikel
