// One quote timer tick while attached to 大智慧 with the front document's
// title already in the code cache: what the program costs ten times a second.
#include <benchmark/benchmark.h>

#include <string>

#include "app/app_state.h"
#include "app/main_bar.h"
#include "platform/sim/sim.h"
#include "quote/dzh_reader.h"
#include "quote/quote_poller.h"

namespace {

void AttachWithCache(int entries) {
  sim::Reset();
  ResetAppState();
  ResetMainBar();
  ResetDzhReader();
  // The cache as the program leaves it after many titles, the one in front last.
  std::string ini = "[软件设置]\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n[代码表]\r\n";
  for (int i = 1; i < entries; ++i) ini += "股票" + std::to_string(i) + "=" + std::to_string(600000 + i) + "\r\n";
  ini += "浦发银行=600000\r\n";
  const std::string exe = sim::kOwnExePath;
  sim::WriteFile(exe.substr(0, exe.rfind('\\')) + "\\new.ini", ini);

  const std::uint32_t dzh = sim::AddProcess("D:\\dzh2\\dzh.exe");
  const platform::Hwnd frame = sim::CreateWindow({"DzhFrame", "大智慧", dzh});
  sim::WindowSpec mdi{"MDIClient", "", dzh};
  mdi.parent = frame;
  sim::WindowSpec document{"DzhChart", "浦发银行", dzh};
  document.parent = sim::CreateWindow(mdi);
  sim::CreateWindow(document);

  StartMainBar();
  sim::Advance(200);  // attach, then read
}

void BM_SteadyTick(benchmark::State& state) {
  AttachWithCache(static_cast<int>(state.range(0)));
  if (AppState.currentCode != "600000") state.SkipWithError("not attached with the cached code");
  std::size_t ticks = 0;
  for (auto _ : state) {
    OnQuoteTimer();
    // The simulated desktop logs every call; keep the log from growing.
    if (++ticks % 1024 == 0) sim::ClearCalls();
  }
  state.counters["cache_entries"] = static_cast<double>(state.range(0));
  state.counters["ticks_per_s"] = benchmark::Counter(static_cast<double>(ticks), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SteadyTick)->Arg(10)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
