#pragma once

#include <cstdint>

namespace aerovell::bench {

// Heap allocations made by this process so far (every operator new of the
// benchmark binary is counted; see alloc_counter.cpp).
uint64_t Allocations();

}  // namespace aerovell::bench
