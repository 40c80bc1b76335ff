#include "quote/tdx_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "discovery/processes.h"
#include "discovery/windows.h"
#include "quote/table_file.h"
#include "text/text.h"

// The 314-byte tables: fasiondog/hikyuu's importer ('6s 17s 8s 283s' after a
// 50-byte header), read the same way for bjm.tnf by one C++ reader.  The
// 360-byte ones: name at 31 in one reader (at 30 in another script), the
// 250-byte ones: name at 24 in 18 bytes; neither confirmed.
const std::array<TnfLayout, 8> kTnfLayouts{{
    {"shm.tnf", Exchange::kShanghai, 314, 23, 8, true, false},
    {"szm.tnf", Exchange::kShenzhen, 314, 23, 8, true, false},
    {"bjm.tnf", Exchange::kBeijing, 314, 23, 8, false, false},
    {"shs.tnf", Exchange::kShanghai, 360, 31, 31, false, true},
    {"szs.tnf", Exchange::kShenzhen, 360, 31, 31, false, true},
    {"bjs.tnf", Exchange::kBeijing, 360, 31, 31, false, true},
    {"shex.tnf", Exchange::kShanghai, 250, 24, 18, false, true},
    {"szex.tnf", Exchange::kShenzhen, 250, 24, 18, false, true},
}};

namespace {

constexpr const char* kTdxClass = "TdxW_MainFrame_Class";
constexpr std::string_view kChartMarker = "[分析图表-";
constexpr std::size_t kCodeDigits = 6;
// Read at a time: the buffer stays well under 64 KB.
constexpr std::size_t kReadSize = 60 * 1024;
// A name list of far more lines than any market lists.
constexpr std::size_t kMostNameListBytes = 8u << 20;

bool LessByName(const TnfRecord& a, const TnfRecord& b) {
  return std::memcmp(a.name.data(), b.name.data(), kLongestTnfName) < 0;
}
// The C library's sort: the program stays small, and a table is sorted once.
int CompareNames(const void* a, const void* b) {
  return std::memcmp(static_cast<const TnfRecord*>(a)->name.data(), static_cast<const TnfRecord*>(b)->name.data(),
                     kLongestTnfName);
}

// The name as a record holds it, NUL-padded; false when it cannot fit.
bool AsField(std::string_view name, std::size_t size, std::array<char, kLongestTnfName>* field) {
  if (name.empty() || name.size() > size || name.find('\0') != std::string_view::npos) return false;
  field->fill('\0');
  std::copy(name.begin(), name.end(), field->begin());
  return true;
}

bool SixDigits(std::string_view digits, std::uint32_t* code) {
  if (digits.size() != kCodeDigits) return false;
  *code = 0;
  for (const char digit : digits) {
    if (digit < '0' || digit > '9') return false;
    *code = *code * 10 + static_cast<std::uint32_t>(digit - '0');
  }
  return true;
}

std::string CodeText(std::uint32_t value) {
  std::string code(kCodeDigits, '0');
  for (std::size_t digit = kCodeDigits; digit-- > 0; value /= 10) code[digit] = static_cast<char>('0' + value % 10);
  return code;
}

// Whole GBK characters: a lead byte 0x81..0xFE with a trail byte 0x40..0xFE
// (not 0x7F), or a printable ASCII byte.
bool WholeGbk(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7F) continue;
    if (byte < 0x81 || byte == 0xFF || ++i == text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
  }
  return true;
}

// Whether the file is to be read: it appeared or went, its stamp changed,
// or its last read was not whole.  Forgets what it held when it must be read.
bool MustRead(const std::string& path, TdxFile* file, platform::FileStamp* stamp) {
  const bool present = platform::GetFileAttributesExA(path, stamp);
  if (present == file->present && (!present || (file->whole && *stamp == file->stamp))) return false;
  file->present = present;
  file->whole = false;
  file->used = false;
  return true;
}

// Reads up to limit bytes of the file through handle in pieces, each handed
// to take; the count read.
template <typename Take>
std::uint64_t ReadPieces(TableFile& file, std::size_t limit, std::size_t piece, Take take) {
  std::vector<char> buffer(piece);
  std::uint64_t read = 0;
  while (read < limit) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(piece, limit - read));
    const std::size_t got = file.Read(buffer.data(), want);
    read += got;
    take(std::string_view(buffer.data(), got));
    if (got < want) break;
  }
  return read;
}

}  // namespace

bool TakeTnfRecords(std::string_view bytes, const TnfLayout& layout, std::vector<TnfRecord>* records) {
  bool allGood = true;
  for (std::size_t at = 0; at + layout.recordSize <= bytes.size(); at += layout.recordSize) {
    const std::string_view record = bytes.substr(at, layout.recordSize);
    std::string_view name = record.substr(layout.nameOffset, layout.nameSize);
    name = name.substr(0, name.find('\0'));
    TnfRecord taken{};
    const bool good = SixDigits(record.substr(0, kCodeDigits), &taken.code) &&
                      AsField(name, layout.nameSize, &taken.name) && (!layout.newer || WholeGbk(name));
    allGood &= good;
    if (good) records->push_back(taken);
  }
  return allGood;
}

bool RefreshTnfTable(const std::string& path, TnfTable* table) {
  platform::FileStamp stamp;
  if (!MustRead(path, table, &stamp)) return false;
  table->records.clear();
  const TnfLayout& layout = *table->layout;
  if (table->present) {
    TableFile file(path);
    // The header, then records a whole number at a time, as many as fit
    // within the cap.
    const std::size_t piece = kReadSize - kReadSize % layout.recordSize;
    const std::uint64_t most =
        kTnfHeaderSize + (kMostTnfBytes - kTnfHeaderSize) / layout.recordSize * layout.recordSize;
    std::string header(kTnfHeaderSize, '\0');
    std::uint64_t read = file.Read(header.data(), kTnfHeaderSize);
    bool wellFormed = read == kTnfHeaderSize;
    if (wellFormed) {
      read += ReadPieces(file, most - kTnfHeaderSize, piece,
                         [&](std::string_view bytes) { wellFormed &= TakeTnfRecords(bytes, layout, &table->records); });
    }
    // Read as far as the file goes (or the cap): what it was, is known.
    table->whole = read == std::min<std::uint64_t>(stamp.size, most);
    table->stamp = stamp;
    const bool allRight = wellFormed && read == stamp.size && (read - kTnfHeaderSize) % layout.recordSize == 0;
    table->used = layout.confirmed || allRight;
  }
  if (!table->used) std::vector<TnfRecord>().swap(table->records);
  table->records.shrink_to_fit();
  // No table at all for qsort: it takes no null array, even of no records.
  if (!table->records.empty())
    std::qsort(table->records.data(), table->records.size(), sizeof(TnfRecord), CompareNames);
  return true;
}

bool TakeListedNames(std::string_view text, std::vector<ListedName>* names) {
  bool allGood = true;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    ListedName listed{};
    const char market = line[0];
    const std::size_t bar = line.find('|', 2);
    const bool good = line.size() > 2 && market >= '0' && market <= '2' && line[1] == '|' &&
                      bar != std::string_view::npos && SixDigits(line.substr(2, bar - 2), &listed.code) &&
                      bar + 1 < line.size() &&
                      line.find_first_of(std::string_view("|\0", 2), bar + 1) == std::string_view::npos &&
                      WholeGbk(line.substr(bar + 1));
    allGood &= good;
    if (!good) continue;
    listed.exchange = market == '0' ? Exchange::kShenzhen : market == '1' ? Exchange::kShanghai : Exchange::kBeijing;
    listed.name.assign(line.substr(bar + 1));
    names->push_back(std::move(listed));
  }
  std::sort(names->begin(), names->end(), [](const ListedName& a, const ListedName& b) { return a.name < b.name; });
  return allGood;
}

bool RefreshTdxNameList(const std::string& path, TdxNameList* list) {
  platform::FileStamp stamp;
  if (!MustRead(path, list, &stamp)) return false;
  list->names.clear();
  if (list->present && stamp.size <= kMostNameListBytes) {
    TableFile file(path);
    std::string text;
    const std::uint64_t read =
        ReadPieces(file, kMostNameListBytes, kReadSize, [&](std::string_view bytes) { text.append(bytes); });
    list->whole = read == stamp.size;
    list->stamp = stamp;
    list->used = list->whole && TakeListedNames(text, &list->names);
  }
  if (!list->used) std::vector<ListedName>().swap(list->names);
  return true;
}

std::string_view CutToField(std::string_view name, std::size_t size) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t length = static_cast<unsigned char>(name[i]) >= 0x80 && i + 1 < name.size() ? 2 : 1;
    if (i + length > size) break;
    i += length;
    end = i;
  }
  return name.substr(0, end);
}

namespace {

// The securities found, each once (a security can be in two layouts).
class Found {
 public:
  void Add(std::uint32_t code, Exchange exchange, const char* file) {
    for (const auto& one : seen_)
      if (one.first == code && one.second == exchange) return;
    seen_.emplace_back(code, exchange);
    match_.code = CodeText(code);
    match_.exchange = exchange;
    match_.file = file;
    match_.count = seen_.size();
  }
  const TdxMatch& Match() const { return match_; }

 private:
  std::vector<std::pair<std::uint32_t, Exchange>> seen_;
  TdxMatch match_;
};

}  // namespace

TdxMatch MatchInTables(const TnfTable* tables, std::size_t count, std::string_view name) {
  Found found;
  for (std::size_t i = 0; i < count; ++i) {
    const TnfTable& table = tables[i];
    const TnfLayout& layout = *table.layout;
    TnfRecord wanted{};
    // A name longer than the field is listed cut.
    if (table.records.empty() || !AsField(CutToField(name, layout.nameSize), layout.nameSize, &wanted.name)) continue;
    for (auto at = std::lower_bound(table.records.begin(), table.records.end(), wanted, LessByName);
         at != table.records.end() && !LessByName(wanted, *at); ++at)
      found.Add(at->code, layout.exchange, layout.fileName);
  }
  return found.Match();
}

TdxMatch MatchInNameList(const TdxNameList& list, std::string_view name) {
  Found found;
  auto at = std::lower_bound(list.names.begin(), list.names.end(), name,
                             [](const ListedName& listed, std::string_view wanted) { return listed.name < wanted; });
  for (; at != list.names.end() && at->name == name; ++at) found.Add(at->code, at->exchange, kTdxNameListFile);
  return found.Match();
}

std::string TdxChartName(std::string_view title) {
  // Character by character: "]" and "[" are also trail bytes of GBK
  // characters, so a byte search cuts some names inside one.
  const int start = FindText(title, kChartMarker);
  if (start < 1) return "";
  TextSearch after;
  after.from = start + static_cast<int>(kChartMarker.size());
  const int end = FindText(title, "]", after);
  return end < 1 ? std::string() : MidText(title, after.from, end - after.from);
}

platform::Hwnd FrontmostTdx() {
  for (platform::Hwnd window = platform::FindWindowExA(0, 0, kTdxClass); window > 0;
       window = platform::FindWindowExA(0, window, kTdxClass)) {
    const auto style = static_cast<std::uint32_t>(platform::GetWindowLongA(window, platform::kGwlStyle));
    if (style & platform::kWsVisible) return window;
  }
  return 0;
}

void AttachTdx(TdxAttachment& tdx, platform::Hwnd window) {
  tdx.mainWindow = 0;
  tdx.lastTitle.clear();
  // A window gone meanwhile has no process, and no folder: an empty image
  // path must not make our own folder its.
  const std::string image = window > 0 ? MainModulePath(ProcessIdOfWindow(window)) : std::string();
  if (image.empty()) return;
  const std::string folder = FolderOf(image);
  if (folder != tdx.folder) {
    // Its own files, none read yet; their paths made once.
    TdxAttachment fresh;
    tdx.tables = fresh.tables;
    tdx.nameList = fresh.nameList;
    tdx.folder = folder;
    const std::string cache = folder + "\\T0002\\hq_cache\\";
    tdx.nameList.path = cache + kTdxNameListFile;
    for (TnfTable& table : tdx.tables) table.path = cache + table.layout->fileName;
  }
  tdx.mainWindow = window;
}

std::string ReadTdxCode(TdxAttachment& tdx) {
  const std::string title = ReadWindowText(tdx.mainWindow);
  // The steady tick: nothing else is asked while the title stays.
  if (title == tdx.lastTitle) return tdx.shown;
  tdx.lastTitle = title;
  tdx.name = TdxChartName(title);
  tdx.match = TdxMatch();
  tdx.shown.clear();
  tdx.exchange = Exchange::kUnknown;
  if (title.empty() || tdx.name.empty()) {
    tdx.outcome = title.empty() ? TdxOutcome::kNoTitle : TdxOutcome::kNotChart;
    return "";
  }
  if (!tdx.folder.empty()) {
    RefreshTdxNameList(tdx.nameList.path, &tdx.nameList);
    bool older = false;
    for (TnfTable& table : tdx.tables) {
      if (table.layout->newer && older) {
        // One version's tables: what a newer layout held before is gone.
        if (table.present) table = TnfTable(*table.layout, table.path);
        continue;
      }
      RefreshTnfTable(table.path, &table);
      older |= !table.layout->newer && table.present && table.layout->confirmed;
    }
    // The whole names first; the tables hold them cut.
    tdx.match = MatchInNameList(tdx.nameList, tdx.name);
    if (tdx.match.count == 0) tdx.match = MatchInTables(tdx.tables.data(), tdx.tables.size(), tdx.name);
  }
  const std::size_t found = tdx.match.count;
  tdx.outcome = found == 1 ? TdxOutcome::kCode : found == 0 ? TdxOutcome::kNotListed : TdxOutcome::kListedMoreThanOnce;
  tdx.shown = found == 1 ? tdx.match.code : tdx.name;
  if (found == 1) tdx.exchange = tdx.match.exchange;
  return tdx.shown;
}
