#include "quote/dzh_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
// Thirty-two places at once where the processor has AVX2, chosen when the
// program runs: the plain sixteen fall behind memchr, which uses it, on some
// processors (to 0.3 of it on one AMD EPYC).
#if defined(__GNUC__) && defined(__x86_64__)
#define LINGBO_AVX2_SCAN 1
#include <cpuid.h>
#include <immintrin.h>
#endif

#include "discovery/processes.h"
#include "discovery/windows.h"
#include "platform/platform.h"
#include "quote/table_file.h"
#include "settings/code_cache.h"
#include "text/text.h"

namespace {

// The code field starts this many bytes before the first byte of a name.
constexpr std::size_t kCodeFieldWidth = 10;

constexpr int kMdiClientSearchDepth = 40;
constexpr int kClassNameBuffer = 259;

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

#if defined(__SSE2__) || defined(_M_X64)
int LowestSetBit(unsigned bits) {
#if defined(__GNUC__)
  return __builtin_ctz(bits);
#else
  int bit = 0;
  for (; (bits & 1) == 0; bits >>= 1) ++bit;
  return bit;
#endif
}
#endif

#if LINGBO_AVX2_SCAN
// AVX2 on the processor, and its registers saved by the system (XGETBV).
bool HasAvx2() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX)) return false;
  unsigned low = 0, high = 0;
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  if ((low & 6) != 6) return false;
  return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2);
}

// Moves *place on by 32 at a time until a place where first and final both
// stand, or fewer than 32 places are left before stop; true when found.
__attribute__((target("avx2"))) bool Avx2Candidate(const char** place, const char* stop, char first, char final,
                                                   std::size_t last) {
  const __m256i firsts = _mm256_set1_epi8(first);
  const __m256i finals = _mm256_set1_epi8(final);
  for (const char* at = *place; stop - at >= 32; at += 32) {
    const __m256i heads = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i tails = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + last));
    const auto hits = static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(heads, firsts), _mm256_cmpeq_epi8(tails, finals))));
    *place = at;
    if (hits != 0) {
      *place = at + __builtin_ctz(hits);
      return true;
    }
    *place = at + 32;
  }
  return false;
}
#endif

// The first place in [from, stop) where title may start: its first and last
// bytes are there.  The bytes before stop + title.size() - 1 must be readable.
const char* NextCandidate(const char* from, const char* stop, std::string_view title) {
  const std::size_t last = title.size() - 1;
  const char* place = from;
#if LINGBO_AVX2_SCAN
  static const bool avx2 = HasAvx2();
  if (avx2 && Avx2Candidate(&place, stop, title.front(), title.back(), last)) return place;
#endif
#if defined(__SSE2__) || defined(_M_X64)
  // Sixteen places at once.  Checking the last byte along with the first
  // keeps common GBK lead bytes from sending many places to memcmp.
  const __m128i firsts = _mm_set1_epi8(title.front());
  const __m128i lasts = _mm_set1_epi8(title.back());
  const auto candidates = [&](const char* sixteen) {
    const __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sixteen));
    const __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sixteen + last));
    return _mm_and_si128(_mm_cmpeq_epi8(heads, firsts), _mm_cmpeq_epi8(tails, lasts));
  };
  for (; stop - place >= 16; place += 16) {
    const int hits = _mm_movemask_epi8(candidates(place));
    if (hits != 0) return place + LowestSetBit(static_cast<unsigned>(hits));
  }
#endif
  for (; place < stop; ++place)
    if (place[0] == title.front() && place[last] == title.back()) return place;
  return nullptr;
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
  TableFile file(path);
  if (!file.IsOpen()) return false;
  *code = ScanCodeTable([&file](char* buffer, std::size_t size) { return file.Read(buffer, size); }, title, market);
  return true;
}

}  // namespace

bool MeetsMarketRule(std::string_view code, Market market) {
  if (code.size() != 6 || TextToInt(code) <= 0) return false;
  const std::int32_t first = TextToInt(code.substr(0, 1));
  return market == Market::kShanghai ? first > 4 && first < 7 : first < 5;
}

CodeTableScanner::CodeTableScanner(std::string_view title, Market market)
    : title_(title), market_(market), carry_(title.empty() ? 0 : title.size() - 1 + kCodeFieldWidth) {
  // Nothing to find: done before the first chunk.
  known_ = title_.empty();
  seam_.reserve(2 * carry_);
}

bool CodeTableScanner::Feed(std::string_view chunk) {
  if (known_ || chunk.empty()) return known_;
  // The table goes on after a first occurrence that ended the last chunk.
  if (pending_) {
    known_ = true;
    return true;
  }
  const std::uint64_t base = fed_;
  fed_ += chunk.size();
  // A title that starts in the bytes kept from before and runs into this
  // chunk, and the code field of a title near the chunk's start, are found
  // in those bytes followed by a copy of the chunk's first few.
  seam_.append(chunk.substr(0, carry_));
  Search({seam_, seamBase_}, base);
  Search({chunk, base}, fed_);
  if (!known_) Keep(chunk);
  return known_;
}

// Looks for the title at the places of span that start before startsBefore
// and end within span.
void CodeTableScanner::Search(Span span, std::uint64_t startsBefore) {
  const std::size_t n = title_.size();
  if (known_ || span.bytes.size() < n) return;
  const char* data = span.bytes.data();
  const auto stop =
      static_cast<std::size_t>(std::min<std::uint64_t>(span.bytes.size() - n + 1, startsBefore - span.base));
  std::size_t at = searchFrom_ > span.base ? static_cast<std::size_t>(searchFrom_ - span.base) : 0;
  while (at < stop && !known_) {
    const char* candidate = NextCandidate(data + at, data + stop, title_);
    if (candidate == nullptr) {
      at = stop;
      break;
    }
    at = static_cast<std::size_t>(candidate - data);
    if (std::memcmp(candidate + 1, title_.data() + 1, n - 1) == 0) {
      Found(span.base + at, span);
      at += n;
    } else {
      ++at;
    }
  }
  searchFrom_ = std::max(searchFrom_, span.base + at);
}

void CodeTableScanner::Found(std::uint64_t at, Span span) {
  std::string_view code;
  if (at - pieceStart_ >= kCodeFieldWidth) {
    // A title less than a field into its chunk finds its field in the seam.
    const bool inSpan = at - span.base >= kCodeFieldWidth;
    code = inSpan ? CodeFieldBefore(span.bytes.data() + (at - span.base))
                  : CodeFieldBefore(seam_.data() + (at - seamBase_));
  }
  if (!seen_) {
    seen_ = true;
    firstEnd_ = at + title_.size();
  }
  if (MeetsMarketRule(code, market_)) {
    code_.assign(code);
    // Only a first occurrence can end the bytes fed so far.
    known_ = fed_ > firstEnd_;
    pending_ = !known_;
  }
  pieceStart_ = at + title_.size();
}

// Keeps the last carry_ bytes of the table fed so far for the next chunk.
void CodeTableScanner::Keep(std::string_view chunk) {
  if (chunk.size() >= carry_) {
    seam_.assign(chunk.substr(chunk.size() - carry_));
  } else {
    // The seam already ends with the whole chunk.
    seam_.erase(0, seam_.size() - std::min(seam_.size(), carry_));
  }
  seamBase_ = fed_ - seam_.size();
}

std::string CodeTableScanner::Finish() const {
  if (known_) return code_;
  // The trailing piece, when the table was split at all and goes on after
  // the last occurrence: its candidate is the table's last 10 bytes.
  if (!seen_ || fed_ <= firstEnd_ || fed_ - pieceStart_ < kCodeFieldWidth) return {};
  const std::string_view code = CodeFieldBefore(seam_.data() + seam_.size());
  return MeetsMarketRule(code, market_) ? std::string(code) : std::string();
}

std::string ScanCodeTable(const TableReader& read, std::string_view title, Market market, std::size_t chunkSize) {
  if (title.empty()) return {};
  CodeTableScanner scanner(title, market);
  std::vector<char> buffer(std::max<std::size_t>(chunkSize, 1));
  for (;;) {
    const std::size_t got = std::min(read(buffer.data(), buffer.size()), buffer.size());
    if (got == 0 || scanner.Feed({buffer.data(), got})) break;
  }
  return scanner.Finish();
}

std::string ResolveDzhCode(const std::string& title, DzhAttachment& dzh) {
  // A path without a backslash leaves the data folders at the root of the
  // current drive.
  const std::string base = FolderOf(dzh.exePath);
  const std::string shanghai = base + "\\data\\sh\\";
  const std::string shenzhen = base + "\\data\\sz\\";

  std::string& stockInfoFile = dzh.stockInfoFile;
  if (!stockInfoFile.empty() && !Exists(shanghai + stockInfoFile)) stockInfoFile.clear();
  if (stockInfoFile.empty()) stockInfoFile = ChooseStockInfoFile(shanghai);

  std::string code;
  if (!stockInfoFile.empty() && ScanTableFile(shanghai + stockInfoFile, title, Market::kShanghai, &code) &&
      code.empty()) {
    ScanTableFile(shenzhen + stockInfoFile, title, Market::kShenzhen, &code);
  }
  if (code.empty()) code = title;

  StoreCachedCode(title, code);
  return code;
}

DzhAttachment FindDzh() {
  static const std::string kDzhTitle = "大智慧";
  DzhAttachment dzh;
  for (const platform::Hwnd window : ListVisibleTopLevelWindows()) {
    if (ReadWindowText(window).compare(0, kDzhTitle.size(), kDzhTitle) != 0) continue;
    // The first 40 children in Z order; walking them one after the other
    // finds the same child at each position as a path of that position.
    platform::Hwnd child = 0;
    for (int position = 1; position <= kMdiClientSearchDepth; ++position) {
      child = platform::FindWindowExA(window, child);
      if (child <= 0) break;
      if (platform::GetClassNameA(child, kClassNameBuffer) == "MDIClient") {
        dzh.mainWindow = window;
        dzh.mdiClient = child;
        const std::string exeName = ProcessFileNameOfWindow(window);
        dzh.exePath = MainModulePath(FindProcessIdByFileName(exeName));
        return dzh;
      }
    }
  }
  return dzh;
}

std::string ReadDzhCode(DzhAttachment& dzh) {
  if (dzh.mdiClient <= 0) return "";
  // The MDI client's first child in Z order is the front document.
  const std::string title = ReadWindowText(FindChildByPath(dzh.mdiClient, "1"));
  if (title.empty()) return "";
  // The steady tick: no file is touched while the title stays.
  if (title == dzh.lastTitle && !dzh.lastCode.empty()) return dzh.lastCode;
  dzh.lastTitle = title;
  const std::string code = LookupCachedCode(title);
  dzh.lastCode = code.empty() ? ResolveDzhCode(title, dzh) : code;
  return dzh.lastCode;
}

platform::Hwnd FindChildByPath(platform::Hwnd parent, const std::string& path) {
  if (path.empty()) return 0;
  platform::Hwnd current = parent;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dash = path.find('-', start);
    const std::string_view part = std::string_view(path).substr(start, dash - start);
    const std::int32_t position = TextToInt(part);
    // Position 0 or below names no child; walking on from "no window" would
    // wander among the top-level windows.
    if (position < 1) return 0;
    platform::Hwnd child = 0;
    for (std::int32_t i = 0; i < position; ++i) {
      child = platform::FindWindowExA(current, child);
      if (child == 0) return 0;
    }
    current = child;
    if (dash == std::string::npos) return current;
    start = dash + 1;
  }
}
