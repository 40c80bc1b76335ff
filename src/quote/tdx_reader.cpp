#include "quote/tdx_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "discovery/processes.h"
#include "discovery/windows.h"
#include "quote/table_file.h"

namespace {

constexpr const char* kTdxClass = "TdxW_MainFrame_Class";
constexpr int kClassNameBuffer = 259;
constexpr std::string_view kChartMarker = "[分析图表-";
constexpr std::size_t kCodeDigits = 6;
// Records read at a time: the buffer stays well under 64 KB.
constexpr std::size_t kRecordsPerRead = 200;

bool LessByName(const TnfRecord& a, const TnfRecord& b) {
  return std::memcmp(a.name.data(), b.name.data(), kTnfNameSize) < 0;
}
// The C library's sort: the program stays small, and a table is sorted once.
int CompareNames(const void* a, const void* b) {
  return std::memcmp(static_cast<const TnfRecord*>(a)->name.data(), static_cast<const TnfRecord*>(b)->name.data(),
                     kTnfNameSize);
}

// The name as a record holds it, NUL-padded; false when it cannot fit.
bool AsField(std::string_view name, std::array<char, kTnfNameSize>* field) {
  if (name.empty() || name.size() > kTnfNameSize || name.find('\0') != std::string_view::npos) return false;
  field->fill('\0');
  std::copy(name.begin(), name.end(), field->begin());
  return true;
}

// The whole of a table, read afresh; false when it does not meet the check
// at some record (or is not a header and whole records in all).
bool ReadTnfTable(const std::string& path, std::size_t expectedSize, TnfTable* table) {
  table->records.clear();
  TableFile file(path);
  if (!file.IsOpen()) return false;
  std::vector<char> buffer(kRecordsPerRead * kTnfRecordSize);
  if (file.Read(buffer.data(), kTnfHeaderSize) < kTnfHeaderSize) return false;
  std::size_t read = kTnfHeaderSize;
  bool wellFormed = true;
  while (table->records.size() < kMostTnfRecords) {
    const std::size_t room = std::min(kRecordsPerRead, kMostTnfRecords - table->records.size());
    const std::size_t got = file.Read(buffer.data(), room * kTnfRecordSize);
    read += got;
    wellFormed &= TakeTnfRecords({buffer.data(), got - got % kTnfRecordSize}, &table->records);
    if (got < room * kTnfRecordSize) break;
  }
  table->records.shrink_to_fit();
  // No table at all for qsort: it takes no null array, even of no records.
  if (!table->records.empty())
    std::qsort(table->records.data(), table->records.size(), sizeof(TnfRecord), CompareNames);
  return wellFormed && read == expectedSize && (read - kTnfHeaderSize) % kTnfRecordSize == 0;
}

}  // namespace

bool TakeTnfRecords(std::string_view bytes, std::vector<TnfRecord>* records) {
  bool allGood = true;
  for (std::size_t at = 0; at + kTnfRecordSize <= bytes.size(); at += kTnfRecordSize) {
    const std::string_view record = bytes.substr(at, kTnfRecordSize);
    const std::string_view digits = record.substr(0, kCodeDigits);
    std::string_view name = record.substr(kTnfNameOffset, kTnfNameSize);
    name = name.substr(0, name.find('\0'));
    TnfRecord taken{};
    const bool good = std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
                      AsField(name, &taken.name);
    if (!good) {
      allGood = false;
      continue;
    }
    for (const char digit : digits) taken.code = taken.code * 10 + static_cast<std::uint32_t>(digit - '0');
    records->push_back(taken);
  }
  return allGood;
}

bool RefreshTnfTable(const std::string& path, TnfTable* table) {
  platform::FileStamp stamp;
  const bool present = platform::GetFileAttributesExA(path, &stamp);
  if (present == table->present && (!present || stamp == table->stamp)) return false;
  table->present = present;
  table->stamp = stamp;
  const bool wellFormed = present && ReadTnfTable(path, stamp.size, table);
  // bjm.tnf's layout is not confirmed anywhere: only a table that is whole
  // and right in every record is taken for one.
  const bool strict = std::strcmp(table->fileName, "bjm.tnf") == 0;
  table->used = present && (wellFormed || !strict);
  if (!table->used) std::vector<TnfRecord>().swap(table->records);
  return true;
}

std::size_t CountTnfRecords(const TnfTable* tables, std::size_t count, std::string_view name, std::string* code) {
  TnfRecord wanted{};
  if (!AsField(name, &wanted.name)) return 0;
  std::size_t found = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::vector<TnfRecord>& records = tables[i].records;
    auto at = std::lower_bound(records.begin(), records.end(), wanted, LessByName);
    if (at == records.end() || LessByName(wanted, *at)) continue;
    const std::uint32_t first = at->code;
    for (; at != records.end() && !LessByName(wanted, *at); ++at) ++found;
    code->assign(kCodeDigits, '0');
    for (std::uint32_t value = first, digit = kCodeDigits; digit-- > 0; value /= 10)
      (*code)[digit] = static_cast<char>('0' + value % 10);
  }
  return found;
}

std::string TdxChartName(std::string_view title) {
  const std::size_t start = title.find(kChartMarker);
  if (start == std::string_view::npos) return "";
  const std::string_view rest = title.substr(start + kChartMarker.size());
  const std::size_t end = rest.find(']');
  return end == std::string_view::npos ? std::string() : std::string(rest.substr(0, end));
}

std::string TnfPath(const TdxAttachment& tdx, const TnfTable& table) {
  return tdx.folder + "\\T0002\\hq_cache\\" + table.fileName;
}

void FindTdx(TdxAttachment& tdx) {
  tdx.mainWindow = 0;
  tdx.lastTitle.clear();
  for (const platform::Hwnd window : ListVisibleTopLevelWindows()) {
    if (platform::GetClassNameA(window, kClassNameBuffer) != kTdxClass) continue;
    const std::string folder = FolderOf(MainModulePath(ProcessIdOfWindow(window)));
    if (folder != tdx.folder) {
      for (TnfTable& table : tdx.tables) table = TnfTable(table.fileName);
      tdx.folder = folder;
    }
    tdx.mainWindow = window;
    return;
  }
}

std::string ReadTdxCode(TdxAttachment& tdx) {
  const std::string title = ReadWindowText(tdx.mainWindow);
  // The steady tick: nothing else is asked while the title stays.
  if (title == tdx.lastTitle) return tdx.shown;
  tdx.lastTitle = title;
  tdx.name = TdxChartName(title);
  tdx.records = 0;
  tdx.shown.clear();
  if (title.empty() || tdx.name.empty()) {
    tdx.outcome = title.empty() ? TdxOutcome::kNoTitle : TdxOutcome::kNotChart;
    return "";
  }
  std::string code;
  if (!tdx.folder.empty()) {
    for (TnfTable& table : tdx.tables) RefreshTnfTable(TnfPath(tdx, table), &table);
    tdx.records = CountTnfRecords(tdx.tables.data(), tdx.tables.size(), tdx.name, &code);
  }
  tdx.outcome = tdx.records == 1   ? TdxOutcome::kCode
                : tdx.records == 0 ? TdxOutcome::kNotListed
                                   : TdxOutcome::kListedMoreThanOnce;
  tdx.shown = tdx.records == 1 ? code : tdx.name;
  return tdx.shown;
}
