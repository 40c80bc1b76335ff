// The quote timer tick.  Attached to 大智慧 with the front document's title
// already in the code cache, it is what the program costs ten times a second;
// while 大智慧 is absent, the search for its window runs every 10 s instead.
// Both over the simulated desktop, with the cache and the number of top-level
// windows as the variables.
#include <benchmark/benchmark.h>

#include <string>

#include "app/app_state.h"
#include "app/main_bar.h"
#include "heap_meter.h"
#include "platform/sim/sim.h"
#include "quote/dzh_reader.h"
#include "quote/quote_poller.h"

namespace {

// The program with a cache of `entries` titles, the front one cached last,
// among `windows` top-level windows of other programs.
void Scene(int entries, int windows, bool withDzh) {
  sim::Reset();
  ResetAppState();
  ResetMainBar();
  ResetDzhReader();
  std::string ini = "[软件设置]\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n[代码表]\r\n";
  for (int i = 1; i < entries; ++i) ini += "股票" + std::to_string(i) + "=" + std::to_string(600000 + i) + "\r\n";
  ini += "浦发银行=600000\r\n";
  const std::string exe = sim::kOwnExePath;
  sim::WriteFile(exe.substr(0, exe.rfind('\\')) + "\\new.ini", ini);

  const std::uint32_t other = sim::AddProcess("C:\\Program Files\\Other\\other.exe");
  for (int i = 0; i < windows; ++i) sim::CreateWindow({"OtherFrame", "窗口 " + std::to_string(i), other});
  if (withDzh) {
    const std::uint32_t dzh = sim::AddProcess("D:\\dzh2\\dzh.exe");
    const platform::Hwnd frame = sim::CreateWindow({"DzhFrame", "大智慧", dzh});
    sim::WindowSpec mdi{"MDIClient", "", dzh};
    mdi.parent = frame;
    sim::WindowSpec document{"DzhChart", "浦发银行", dzh};
    document.parent = sim::CreateWindow(mdi);
    sim::CreateWindow(document);
  }
  StartMainBar();
}

void Report(benchmark::State& state, std::size_t ticks, std::size_t allocations, std::size_t peakAbove) {
  state.counters["cache_entries"] = static_cast<double>(state.range(0));
  state.counters["windows"] = static_cast<double>(state.range(1));
  state.counters["allocs_per_tick"] = static_cast<double>(allocations) / static_cast<double>(ticks ? ticks : 1);
  state.counters["heap_peak_KB"] = static_cast<double>(peakAbove) / 1024.0;
}

// Attached, nothing changes: one title read, one cache lookup, one caption
// comparison.
void BM_SteadyTick(benchmark::State& state) {
  Scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), true);
  sim::Advance(200);  // attach, then read
  if (AppState.currentCode != "600000") state.SkipWithError("not attached with the cached code");
  sim::ClearHistory();
  const std::size_t before = heap_meter::Live();
  heap_meter::ResetPeak();
  const std::size_t allocations = heap_meter::Allocations();
  std::size_t ticks = 0;
  for (auto _ : state) {
    OnQuoteTimer();
    // The simulated desktop records every call; keep that record from growing.
    if (++ticks % 256 == 0) sim::ClearHistory();
  }
  Report(state, ticks, heap_meter::Allocations() - allocations, heap_meter::Peak() - before);
}
BENCHMARK(BM_SteadyTick)
    ->ArgNames({"cache", "windows"})
    ->Args({10, 10})
    ->Args({100, 10})
    ->Args({1000, 10})
    ->Args({10000, 10})
    ->Args({10, 100})
    ->Args({10, 1000})
    ->Unit(benchmark::kMicrosecond);

// 大智慧 absent: the search through every visible top-level window's title.
void BM_SearchTick(benchmark::State& state) {
  Scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), false);
  sim::ClearHistory();
  const std::size_t before = heap_meter::Live();
  heap_meter::ResetPeak();
  const std::size_t allocations = heap_meter::Allocations();
  std::size_t ticks = 0;
  for (auto _ : state) {
    OnQuoteTimer();
    if (AppState.dzhMainWindow > 0) state.SkipWithError("found a 大智慧 that is not there");
    if (++ticks % 16 == 0) sim::ClearHistory();
  }
  Report(state, ticks, heap_meter::Allocations() - allocations, heap_meter::Peak() - before);
}
BENCHMARK(BM_SearchTick)
    ->ArgNames({"cache", "windows"})
    ->Args({10, 10})
    ->Args({10, 100})
    ->Args({10, 1000})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
