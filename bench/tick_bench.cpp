// The quote timer tick.  Attached to 大智慧 with the front document's title
// already in the code cache, it is what the program costs ten times a second;
// a tick after the front document changed also asks the cache in new.ini;
// while 大智慧 is absent, the search for its window runs every 10 s instead.
// Both over the simulated desktop, with the cache and the number of top-level
// windows as the variables.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_bar.h"
#include "app/quote_poller.h"
#include "heap_meter.h"
#include "platform/sim/sim.h"
#include "quote/dzh_reader.h"
#include "quote/tdx_reader.h"
#include "settings/code_cache.h"
#include "support/code_table.h"
#include "support/dzh_scene.h"

namespace {

// The program with a cache of state.range(0) titles, the front one cached
// last, among state.range(1) top-level windows of other programs, and with
// 大智慧 attached and its code read, its front document (else 0) returned.
platform::Hwnd Scene(const benchmark::State& state, bool withDzh) {
  sim::Reset();
  ResetAppState();
  ResetMainBar();
  ResetCodeCache();
  std::string ini = "[软件设置]\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n[代码表]\r\n";
  for (std::int64_t i = 1; i < state.range(0); ++i)
    ini += "股票" + std::to_string(i) + "=" + std::to_string(600000 + i) + "\r\n";
  ini += "浦发银行=600000\r\n";
  const std::string exe = sim::kOwnExePath;
  sim::WriteFile(exe.substr(0, exe.rfind('\\')) + "\\new.ini", ini);

  const std::uint32_t other = sim::AddProcess("C:\\Program Files\\Other\\other.exe");
  for (std::int64_t i = 0; i < state.range(1); ++i)
    sim::CreateWindow({"OtherFrame", "窗口 " + std::to_string(i), other});
  platform::Hwnd document = 0;
  if (withDzh) document = AddDzhWindows("D:\\dzh2\\dzh.exe", "大智慧", 1, {"浦发银行"}).documents.front();
  StartMainBar();
  if (withDzh) sim::Advance(200);  // attach, then read
  return document;
}

// Runs tick once per iteration; the simulated desktop records every call, so
// its record is cleared every clearEvery ticks to keep it from growing.
template <typename Tick>
void MeasureTicks(benchmark::State& state, std::size_t clearEvery, Tick tick) {
  sim::ClearHistory();
  const std::size_t start = heap_meter::StartPeak();
  const std::size_t allocations = heap_meter::Allocations();
  std::size_t ticks = 0;
  for (auto _ : state) {
    tick();
    if (++ticks % clearEvery == 0) sim::ClearHistory();
  }
  state.counters["cache_entries"] = static_cast<double>(state.range(0));
  state.counters["windows"] = static_cast<double>(state.range(1));
  state.counters["allocs_per_tick"] =
      static_cast<double>(heap_meter::Allocations() - allocations) / static_cast<double>(ticks ? ticks : 1);
  state.counters["heap_peak_KB"] = heap_meter::PeakKB(start);
}

// The window's title switched between two before every tick.
void MeasureSwitches(benchmark::State& state, platform::Hwnd window, const std::string (&titles)[2]) {
  std::size_t next = 0;
  MeasureTicks(state, 256, [&] {
    sim::SetText(window, titles[next++ % 2]);
    OnQuoteTimer();
  });
}

// Attached, nothing changes: one title read, one look at new.ini's stamp, one
// caption comparison.
void BM_SteadyTick(benchmark::State& state) {
  Scene(state, true);
  if (AppState.currentCode != "600000") state.SkipWithError("not attached with the cached code");
  MeasureTicks(state, 256, [] { OnQuoteTimer(); });
}
BENCHMARK(BM_SteadyTick)
    ->ArgNames({"cache", "windows"})
    ->ArgsProduct({{10, 100, 1000, 10000}, {10}})
    ->ArgsProduct({{10}, {100, 1000}})
    ->Unit(benchmark::kMicrosecond);

// Attached, the front document changes before every tick between two cached
// titles: each tick asks the cache in new.ini.
void BM_TitleChangeTick(benchmark::State& state) {
  const platform::Hwnd document = Scene(state, true);
  MeasureSwitches(state, document, {"股票1", "浦发银行"});
  if (AppState.currentCode != "600000" && AppState.currentCode != "600001") state.SkipWithError("codes not cached");
}
BENCHMARK(BM_TitleChangeTick)
    ->ArgNames({"cache", "windows"})
    ->ArgsProduct({{10, 10000}, {10}})
    ->Unit(benchmark::kMicrosecond);

// 通达信 mode, the chart switched before every tick between two names: the
// main window's title read, the name files' stamps looked at, the name looked
// up in an infoharbor_ex.name of 10,000 lines and then in shm.tnf and
// szm.tnf of 20,000 records each.  Beside BM_TitleChangeTick,
// what 大智慧 mode costs for the same switch.
void BM_TdxTitleChangeTick(benchmark::State& state) {
  Scene(state, false);
  const platform::Hwnd frame = StartTdx("D:\\tdx\\TdxW.exe", "浦发银行").frame;
  // The tables, and the whole names of 10,000 funds beside them, none of them
  // a title here.
  std::string names;
  for (const bool shanghai : {true, false}) {
    std::vector<code_table::Security> securities =
        shanghai ? code_table::ShanghaiSecurities() : code_table::ShenzhenSecurities();
    const auto made = code_table::Generated(shanghai, 5000, 11);
    while (securities.size() < 20000) securities.push_back(made[securities.size() % made.size()]);
    sim::WriteFile(std::string("D:\\tdx\\T0002\\hq_cache\\") + (shanghai ? "shm.tnf" : "szm.tnf"),
                   code_table::TnfTable(securities));
    for (const auto& fund : code_table::Generated(shanghai, 5000, shanghai ? 12 : 13))
      names += (shanghai ? "1|5" : "0|1") + fund.code.substr(1) + "|" + fund.name + (shanghai ? "ETF\r\n" : "LOF\r\n");
  }
  sim::WriteFile("D:\\tdx\\T0002\\hq_cache\\infoharbor_ex.name", names);
  SetQuoteSource(QuoteSource::kTdx);
  sim::Advance(200);
  if (AppState.currentCode != "600000") state.SkipWithError("not attached with the code");
  MeasureSwitches(state, frame, {TdxChartTitle("平安银行"), TdxChartTitle("浦发银行")});
  if (AppState.currentCode != "600000" && AppState.currentCode != "000001") state.SkipWithError("codes not found");
  if (AppState.tdx.nameList.names.size() != 10000) state.SkipWithError("the name list not taken");
  state.counters["tables_KB"] =
      static_cast<double>((AppState.tdx.tables[0].records.capacity() + AppState.tdx.tables[1].records.capacity()) *
                          sizeof(TnfRecord)) /
      1024.0;
}
BENCHMARK(BM_TdxTitleChangeTick)->ArgNames({"cache", "windows"})->Args({10, 10})->Unit(benchmark::kMicrosecond);

// 大智慧 absent: the search through every visible top-level window's title.
void BM_SearchTick(benchmark::State& state) {
  Scene(state, false);
  MeasureTicks(state, 16, [&] {
    OnQuoteTimer();
    if (AppState.dzh.mainWindow > 0) state.SkipWithError("found a 大智慧 that is not there");
  });
}
BENCHMARK(BM_SearchTick)
    ->ArgNames({"cache", "windows"})
    ->ArgsProduct({{10}, {10, 100, 1000}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
