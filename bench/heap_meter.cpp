// Replaces the global operator new and delete of the benchmark process.  Each
// block carries its size in a header, so the sized and unsized deletes agree.
#include "heap_meter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kHeader = alignof(std::max_align_t);
std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};
std::atomic<std::size_t> allocations{0};

void* Take(std::size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (!block) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(block) = size;
  const std::size_t now = live += size;
  for (std::size_t high = peak; now > high && !peak.compare_exchange_weak(high, now);) {
  }
  ++allocations;
  return block + kHeader;
}

void Give(void* pointer) {
  if (!pointer) return;
  auto* block = static_cast<unsigned char*>(pointer) - kHeader;
  live -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return Take(size); }
void* operator new[](std::size_t size) { return Take(size); }
void operator delete(void* pointer) noexcept { Give(pointer); }
void operator delete[](void* pointer) noexcept { Give(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { Give(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { Give(pointer); }

namespace heap_meter {

std::size_t StartPeak() { return peak = live.load(); }
double PeakKB(std::size_t start) { return static_cast<double>(peak - start) / 1024.0; }
std::size_t Allocations() { return allocations; }

}  // namespace heap_meter
