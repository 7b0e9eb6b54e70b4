#pragma once

// The memory a database's rows live in: allocated by the load, filled by the CSV reader, then
// handed on to the row store, which frees it. Move-only, so it has one owner at every step.

#include <cstdlib>
#include <memory>

namespace artikel {

struct TArenaFree {
    void operator()(char* p) const { std::free(p); }
};

// A buffer from malloc, realloc or aligned_alloc.
using TArenaBuffer = std::unique_ptr<char, TArenaFree>;

} // namespace artikel
