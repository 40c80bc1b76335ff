// Counts what the benchmark process takes from the heap, so that memory
// figures come from the program's own allocations and not from the noisy
// resident size of the whole process.
#pragma once

#include <cstddef>

namespace heap_meter {

// Bytes allocated and not yet freed.
std::size_t Live();
// The highest Live() since the last ResetPeak().
std::size_t Peak();
void ResetPeak();
// Allocations made since the process started.
std::size_t Allocations();

}  // namespace heap_meter
