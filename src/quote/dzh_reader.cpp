#include "quote/dzh_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "app/app_state.h"
#include "app/settings.h"
#include "platform/platform.h"
#include "text/text.h"

namespace {

// The code field starts this many bytes before the first byte of a name.
constexpr std::size_t kCodeFieldWidth = 10;

// Codes of titles that new.ini cannot hold as keys, for the rest of the run.
std::map<std::string, std::string, std::less<>> uncacheableCodes;
// A window whose odd title keeps changing must not make that memory grow
// without end: past this many titles it starts afresh (and re-reads tables).
constexpr std::size_t kMostUncacheableCodes = 1024;
// A cached title comes back through ReadSetting's 10240-byte buffer, so a
// longer one would come back cut; far longer keys (32 K characters) even
// crash the profile functions under Wine.  No security is named like that.
constexpr std::size_t kLongestCacheableTitle = 10239;

// Every byte of 0x80 or more starts a two-byte GBK character with a proper
// trail byte.  The profile functions convert keys through Unicode, where a
// broken sequence can turn into the key of another title.
bool IsWellFormedGbk(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) continue;
    if (lead == 0x80 || lead == 0xFF || i + 1 == text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[++i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
  }
  return true;
}

class FileHandle {
 public:
  explicit FileHandle(platform::Handle handle) : handle_(handle) {}
  ~FileHandle() {
    if (valid()) platform::CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return handle_ != platform::kInvalidHandle; }
  platform::Handle get() const { return handle_; }

 private:
  platform::Handle handle_;
};

class FindHandle {
 public:
  FindHandle(const std::string& pattern, platform::FindData* data) : handle_(platform::FindFirstFileA(pattern, data)) {}
  ~FindHandle() {
    if (valid()) platform::FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool valid() const { return handle_ != platform::kInvalidHandle; }
  platform::Handle get() const { return handle_; }

 private:
  platform::Handle handle_;
};

bool Exists(const std::string& path) {
  platform::FindData data;
  return FindHandle(path, &data).valid();
}

// The code field that ends right before name: up to its first NUL.
std::string_view CodeFieldBefore(const char* name) {
  const char* field = name - kCodeFieldWidth;
  const void* nul = std::memchr(field, '\0', kCodeFieldWidth);
  return {field, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : kCodeFieldWidth};
}

// The directory of 大智慧's executable; a path without a backslash leaves the
// data folders at the root of the current drive.
std::string DzhBaseFolder() {
  const std::string& exe = AppState.dzhExePath;
  const int slash = FindText(exe, "\\", TextSearch{false, true, 1});
  return slash > 0 ? LeftText(exe, slash - 1) : std::string();
}

// The last plain file in the Shanghai folder whose name holds "STKINFO".
std::string ChooseStockInfoFile(const std::string& shanghaiFolder) {
  std::string chosen;
  platform::FindData entry;
  FindHandle find(shanghaiFolder + "*", &entry);
  if (!find.valid()) return chosen;
  do {
    if (!entry.isDirectory && ContainsText(entry.fileName, "STKINFO")) chosen = entry.fileName;
  } while (platform::FindNextFileA(find.get(), &entry));
  return chosen;
}

// Scans one table file; false when it cannot be opened.
bool ScanTableFile(const std::string& path, const std::string& title, Market market, std::string* code) {
  code->clear();
  FileHandle file(platform::OpenExistingFileShared(path));
  if (!file.valid()) return false;
  const TableReader read = [&file](char* buffer, std::size_t size) -> std::size_t {
    std::uint32_t got = 0;
    const auto request = static_cast<std::uint32_t>(std::min<std::size_t>(size, UINT32_MAX));
    if (!platform::ReadFile(file.get(), buffer, request, &got)) return 0;
    return got;
  };
  *code = ScanCodeTable(read, title, market);
  return true;
}

void StoreCode(const std::string& title, const std::string& code) {
  if (IsCacheableTitle(title)) {
    WriteSetting(kCodeCacheSection, title, code);
  } else {
    if (uncacheableCodes.size() >= kMostUncacheableCodes) uncacheableCodes.clear();
    uncacheableCodes[title] = code;
  }
}

}  // namespace

bool IsCacheableTitle(std::string_view title) {
  if (title.empty() || title.size() > kLongestCacheableTitle || !IsWellFormedGbk(title)) return false;
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  if (blank(title.front()) || blank(title.back())) return false;
  if (title.front() == '[' || title.front() == ';') return false;
  if (title.find_first_of(std::string_view("\r\n=\0", 4)) != std::string_view::npos) return false;
  // A value in matching quotes is read back without them, so a title cached
  // as itself would come back changed.
  if (title.size() >= 2 && (title.front() == '"' || title.front() == '\'') && title.back() == title.front())
    return false;
  return true;
}

bool MeetsMarketRule(std::string_view code, Market market) {
  if (code.size() != 6 || TextToInt(code) <= 0) return false;
  const std::int32_t first = TextToInt(code.substr(0, 1));
  return market == Market::kShanghai ? first > 4 && first < 7 : first < 5;
}

std::string ScanCodeTable(const TableReader& read, std::string_view title, Market market, std::size_t chunkSize) {
  if (title.empty()) return {};
  chunkSize = std::max<std::size_t>(chunkSize, 1);
  const std::size_t n = title.size();
  // What a chunk must carry over from the one before: the start of a title
  // that runs across the boundary and the code field in front of it.
  const std::size_t carry = n - 1 + kCodeFieldWidth;
  std::vector<char> buffer(carry + chunkSize);
  const char first = title.front();

  std::uint64_t base = 0;        // table offset of buffer[0]
  std::size_t used = 0;          // bytes held in buffer
  std::uint64_t pieceStart = 0;  // where the piece being read began
  std::uint64_t searchFrom = 0;  // no occurrence starts before this
  bool seen = false;             // an occurrence was found
  std::uint64_t firstEnd = 0;    // end of the first occurrence
  // A match on the first occurrence counts only if the table goes on after
  // it: a title at the very end of the table alone gives nothing.
  bool pending = false;
  std::string pendingCode;

  for (;;) {
    const std::size_t got = std::min(read(buffer.data() + used, chunkSize), chunkSize);
    used += got;
    const std::uint64_t end = base + used;
    if (pending && end > firstEnd) return pendingCode;
    if (got == 0) break;

    const char* data = buffer.data();
    std::size_t i = static_cast<std::size_t>(searchFrom - base);
    while (used >= n && i + n <= used) {
      const void* hit = std::memchr(data + i, first, used - n + 1 - i);
      if (!hit) {
        i = used - n + 1;
        break;
      }
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
      if (std::memcmp(data + at + 1, title.data() + 1, n - 1) != 0) {
        i = at + 1;
        continue;
      }
      const std::uint64_t occurrence = base + at;
      const std::string_view code =
          occurrence - pieceStart >= kCodeFieldWidth ? CodeFieldBefore(data + at) : std::string_view();
      if (!seen) {
        seen = true;
        firstEnd = occurrence + n;
      }
      if (MeetsMarketRule(code, market)) {
        if (end > firstEnd) return std::string(code);
        pending = true;
        pendingCode.assign(code);
      }
      pieceStart = occurrence + n;
      i = at + n;
    }
    searchFrom = base + i;

    // Keep only what the next chunk may still need.
    const std::uint64_t keepFrom = std::max({base, pieceStart, end > carry ? end - carry : 0});
    const auto drop = static_cast<std::size_t>(keepFrom - base);
    std::memmove(buffer.data(), buffer.data() + drop, used - drop);
    used -= drop;
    base = keepFrom;
  }

  // The trailing piece, when the table was split at all and goes on after
  // the last occurrence: its candidate is the table's last 10 bytes.
  const std::uint64_t end = base + used;
  if (!seen || end <= firstEnd || end - pieceStart < kCodeFieldWidth) return {};
  const std::string_view code = CodeFieldBefore(buffer.data() + used);
  return MeetsMarketRule(code, market) ? std::string(code) : std::string();
}

std::string LookupCachedCode(const std::string& title) {
  if (!IsCacheableTitle(title)) {
    const auto found = uncacheableCodes.find(title);
    return found == uncacheableCodes.end() ? std::string() : found->second;
  }
  return ReadSetting(kCodeCacheSection, title, "");
}

std::string ResolveDzhCode(const std::string& title) {
  const std::string base = DzhBaseFolder();
  const std::string shanghai = base + "\\data\\sh\\";
  const std::string shenzhen = base + "\\data\\sz\\";

  std::string& stockInfoFile = AppState.dzhStockInfoFile;
  if (!stockInfoFile.empty() && !Exists(shanghai + stockInfoFile)) stockInfoFile.clear();
  if (stockInfoFile.empty()) stockInfoFile = ChooseStockInfoFile(shanghai);

  std::string code;
  if (!stockInfoFile.empty() && ScanTableFile(shanghai + stockInfoFile, title, Market::kShanghai, &code) &&
      code.empty()) {
    ScanTableFile(shenzhen + stockInfoFile, title, Market::kShenzhen, &code);
  }
  if (code.size() != 6 || TextToInt(code) < 1) code.clear();
  if (code.empty()) code = title;

  StoreCode(title, code);
  return code;
}

void ResetDzhReader() { uncacheableCodes.clear(); }
