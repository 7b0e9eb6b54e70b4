#pragma once

// Splitting the data engine's work over the cores. The filter, the sort and the load all go
// through here, so how many threads take part and how work is handed to them is decided once.

#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

namespace artikel {

// The threads a piece of work is split between: two where the machine has two cores or more
// (more threads than that gained nothing on the engine's memory-bound loops), else one.
inline int WorkerCount()
{
    static const int count = std::thread::hardware_concurrency() >= 2 ? 2 : 1;
    return count;
}

// Runs `other` on a thread of its own while `mine` runs on the calling thread, and returns once
// both have ended. An exception of either is raised here after both ended (that of `mine` first).
template <class Mine, class Other>
void RunBoth(Mine&& mine, Other&& other)
{
    std::exception_ptr otherError;
    std::thread thread([&] {
        try {
            other();
        } catch (...) {
            otherError = std::current_exception();
        }
    });
    try {
        mine();
    } catch (...) {
        thread.join();
        throw;
    }
    thread.join();
    if (otherError)
        std::rethrow_exception(otherError);
}

// Runs fn(begin, end) over [0, n) split into `parts` nearly equal pieces, the first on the
// calling thread; with fewer than `minimum` items, or one part, all of it on the calling thread.
// fn must not throw.
template <class Fn>
void ParallelFor(size_t n, int parts, size_t minimum, Fn&& fn)
{
    if (parts <= 1 || n < minimum || n < static_cast<size_t>(parts)) {
        fn(size_t(0), n);
        return;
    }
    std::vector<std::thread> threads;
    const size_t step = n / static_cast<size_t>(parts);
    for (int p = 1; p < parts; ++p) {
        const size_t b = step * static_cast<size_t>(p);
        const size_t e = p + 1 == parts ? n : b + step;
        threads.emplace_back([&fn, b, e] { fn(b, e); });
    }
    fn(size_t(0), step);
    for (std::thread& t : threads)
        t.join();
}

} // namespace artikel
