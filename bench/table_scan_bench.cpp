// The 大智慧 code table scan.  A miss scans the whole table, so it is what the
// first sighting of a title costs; memchr over the same bytes is the floor,
// and reading the table by copy, as from a file, is measured on its own.
// Then the first resolution of a title as the program does it, on two tables
// of realistic size, and how the scan grows with the table.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "app/main_bar.h"
#include "heap_meter.h"
#include "platform/sim/sim.h"
#include "quote/dzh_reader.h"
#include "settings/code_cache.h"
#include "support/code_table.h"

namespace {

// The table of state.range(0) MB, made before the clock runs.
const std::string& Table(const benchmark::State& state) {
  static std::map<std::int64_t, std::string> tables;
  std::string& table = tables[state.range(0)];
  if (table.empty()) table = code_table::LargeTable(true, static_cast<std::size_t>(state.range(0)) << 20, 2024);
  return table;
}

// A title in neither table's Shanghai part: every byte is scanned.
const std::string kMissTitle = "平安银行";

// The scan over the table in memory, fed as 256 KB views of it: no copy.
// True when it read every byte.
bool ScanInPlace(const std::string& table) {
  CodeTableScanner scanner(kMissTitle, Market::kShanghai);
  bool stopped = false;
  for (std::size_t offset = 0; offset < table.size() && !stopped; offset += kTableChunkSize)
    stopped = scanner.Feed(std::string_view(table).substr(offset, kTableChunkSize));
  benchmark::DoNotOptimize(scanner.Finish());
  return !stopped;
}

// The table as a file delivers it: copied out chunk by chunk into the scan's
// buffer.
bool ReadAndScan(const std::string& table) {
  code_table::MemoryReader reader{table};
  benchmark::DoNotOptimize(ScanCodeTable(std::ref(reader), kMissTitle, Market::kShanghai));
  return reader.offset == table.size();
}

// Runs pass over the table once per iteration; pass tells whether it went
// through every byte, as a miss must.
template <typename Pass>
void MeasurePasses(benchmark::State& state, Pass pass) {
  const std::string& table = Table(state);
  const std::size_t start = heap_meter::StartPeak();
  for (auto _ : state)
    if (!pass(table)) state.SkipWithError("stopped early");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * table.size()));
  state.counters["table_MB"] = static_cast<double>(table.size()) / (1 << 20);
  state.counters["heap_peak_KB"] = heap_meter::PeakKB(start);
}

void BM_TableScanMiss(benchmark::State& state) { MeasurePasses(state, ScanInPlace); }
BENCHMARK(BM_TableScanMiss)->ArgName("MB")->Arg(1)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

// The same miss through the reader, as a table file is scanned: the copy into
// the 256 KB buffer is part of the figure.
void BM_TableReadAndScan(benchmark::State& state) { MeasurePasses(state, ReadAndScan); }
BENCHMARK(BM_TableReadAndScan)->ArgName("MB")->Arg(16)->Unit(benchmark::kMillisecond);

// memchr for a byte that never occurs, over the same bytes: the machine's
// plain search speed, and the floor of the scan.
void BM_MemchrAbsentByte(benchmark::State& state) {
  MeasurePasses(state, [](const std::string& table) { return !std::memchr(table.data(), '\xFF', table.size()); });
}
BENCHMARK(BM_MemchrAbsentByte)->ArgName("MB")->Arg(16)->Unit(benchmark::kMillisecond);

// memchr for the title's first byte, every hit counted: what the scan cannot
// avoid doing before it compares the rest of the title.
void BM_MemchrFirstByte(benchmark::State& state) {
  MeasurePasses(state, [](const std::string& table) {
    std::size_t hits = 0;
    for (const char *p = table.data(), *end = p + table.size();
         (p = static_cast<const char*>(std::memchr(p, kMissTitle[0], static_cast<std::size_t>(end - p)))); ++p)
      ++hits;
    benchmark::DoNotOptimize(hits);
    return true;
  });
}
BENCHMARK(BM_MemchrFirstByte)->ArgName("MB")->Arg(16)->Unit(benchmark::kMillisecond);

// The table copied chunk by chunk as a file read delivers it, then memchr for
// an absent byte over each chunk: the floor of BM_TableReadAndScan.
void BM_CopyThenMemchr(benchmark::State& state) {
  std::string chunk(kTableChunkSize, '\0');
  MeasurePasses(state, [&](const std::string& table) {
    bool found = false;
    for (std::size_t offset = 0; offset < table.size(); offset += chunk.size()) {
      const std::size_t n = std::min(chunk.size(), table.size() - offset);
      std::memcpy(chunk.data(), table.data() + offset, n);
      benchmark::ClobberMemory();
      found |= std::memchr(chunk.data(), '\xFF', n) != nullptr;
    }
    return !found;
  });
}
BENCHMARK(BM_CopyThenMemchr)->ArgName("MB")->Arg(16)->Unit(benchmark::kMillisecond);

// The first sighting of a title as the program resolves it: 大智慧's folder
// with a 3 MB Shanghai and a 3 MB Shenzhen table, through the file calls of
// the simulated desktop, the cache entry written at the end.  A Shenzhen
// title is the dearer case: the Shanghai table is read whole first.
void BM_FirstResolution(benchmark::State& state) {
  const bool shenzhen = state.range(0) != 0;
  sim::Reset();
  ResetCodeCache();
  sim::WriteFile("D:\\dzh2\\data\\sh\\STKINFO60.DAT", code_table::LargeTable(true, 3 << 20, 7));
  sim::WriteFile("D:\\dzh2\\data\\sz\\STKINFO60.DAT", code_table::LargeTable(false, 3 << 20, 8));
  DzhAttachment dzh;
  dzh.exePath = "D:\\dzh2\\dzh.exe";
  const code_table::Security& wanted =
      shenzhen ? code_table::ShenzhenSecurities().front() : code_table::ShanghaiSecurities().back();
  const std::size_t start = heap_meter::StartPeak();
  for (auto _ : state) {
    if (ResolveDzhCode(wanted.name, dzh) != wanted.code) state.SkipWithError("resolved to the wrong code");
    sim::ClearHistory();
  }
  state.counters["heap_peak_KB"] = heap_meter::PeakKB(start);
}
BENCHMARK(BM_FirstResolution)->ArgName("shenzhen")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
