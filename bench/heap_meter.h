// Counts what the benchmark process takes from the heap, so that memory
// figures come from the program's own allocations and not from the noisy
// resident size of the whole process.
#pragma once

#include <cstddef>

namespace heap_meter {

// Starts a new peak at the bytes live now and returns them; PeakKB(start) is
// then the highest rise of the live bytes above start, in KB.
std::size_t StartPeak();
double PeakKB(std::size_t start);
// Allocations made since the process started.
std::size_t Allocations();

}  // namespace heap_meter
