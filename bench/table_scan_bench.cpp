// The code table scan against memchr over the same bytes: a miss reads the
// whole table, so this is what the first sighting of a title costs.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "quote/dzh_reader.h"
#include "support/code_table.h"

namespace {

const std::string& Table() {
  static const std::string table = code_table::LargeTable(true, 16 << 20, 2024);
  return table;
}

// The table as a file would deliver it: copied out chunk by chunk.
std::size_t ScanFromMemory(const std::string& table, const std::string& title, Market market) {
  std::size_t offset = 0;
  const TableReader read = [&](char* buffer, std::size_t size) {
    const std::size_t n = std::min(size, table.size() - offset);
    std::memcpy(buffer, table.data() + offset, n);
    offset += n;
    return n;
  };
  benchmark::DoNotOptimize(ScanCodeTable(read, title, market));
  return offset;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Table().size()));
  state.counters["table_MB"] = static_cast<double>(Table().size()) / (1 << 20);
}

// A title in neither table's Shanghai part: every byte is read.
void BM_TableScanMiss(benchmark::State& state) {
  Table();  // made before the clock runs
  const std::string title = "平安银行";
  for (auto _ : state) benchmark::DoNotOptimize(ScanFromMemory(Table(), title, Market::kShanghai));
  SetBytes(state);
}
BENCHMARK(BM_TableScanMiss)->Unit(benchmark::kMillisecond);

// memchr for the title's first byte over the same bytes, every hit counted.
void BM_MemchrFirstByte(benchmark::State& state) {
  const std::string& table = Table();
  const char first = std::string("平安银行")[0];
  for (auto _ : state) {
    std::size_t hits = 0;
    for (const char *p = table.data(), *end = p + table.size();
         (p = static_cast<const char*>(std::memchr(p, first, static_cast<std::size_t>(end - p)))); ++p)
      ++hits;
    benchmark::DoNotOptimize(hits);
  }
  SetBytes(state);
}
BENCHMARK(BM_MemchrFirstByte)->Unit(benchmark::kMillisecond);

// memchr for a byte that never occurs: the machine's plain search speed.
void BM_MemchrAbsentByte(benchmark::State& state) {
  const std::string& table = Table();
  for (auto _ : state) benchmark::DoNotOptimize(std::memchr(table.data(), '\xFF', table.size()));
  SetBytes(state);
}
BENCHMARK(BM_MemchrAbsentByte)->Unit(benchmark::kMillisecond);

// A title near the end of the table: found after reading nearly all of it.
void BM_TableScanLateHit(benchmark::State& state) {
  const std::string title = code_table::ShanghaiSecurities().back().name;
  for (auto _ : state) benchmark::DoNotOptimize(ScanFromMemory(Table(), title, Market::kShanghai));
}
BENCHMARK(BM_TableScanLateHit)->Unit(benchmark::kMillisecond);

}  // namespace
