// 大智慧: document titles to codes, through the cache in new.ini and the
// program's own code tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/platform.h"

// What the reader keeps of a running 大智慧 while it stays attached.
struct DzhAttachment {
  platform::Hwnd mainWindow = 0;  // below 1: not attached
  platform::Hwnd mdiClient = 0;
  std::string exePath;        // 大智慧's executable; its folder holds the tables
  std::string stockInfoFile;  // the code table file chosen, once one is
  std::string lastTitle;      // the front document's title last read
  std::string lastCode;       // and the code it gave
};

// The first visible top-level window whose title begins with "大智慧" and
// that has an "MDIClient" among its first 40 children, with its executable;
// mainWindow 0 when there is none.
DzhAttachment FindDzh();
// The code of the front document: from the cache, else from the code tables
// (and then cached), else its title; "" when there is no document title.
// While the title stays the same, its code is the one it gave before: new.ini
// is not looked at again (a hand edit takes effect at the next start).
std::string ReadDzhCode(DzhAttachment& dzh);
// The title through the code tables beside dzh.exePath; the title itself
// when they do not have it.  Either way the answer is cached.
std::string ResolveDzhCode(const std::string& title, DzhAttachment& dzh);
// A child by its positions in Z order, one per level, "3-1": the first child
// of the third child; 0 when there is none.
platform::Hwnd FindChildByPath(platform::Hwnd parent, const std::string& path);

// Which table a candidate code is checked against.
enum class Market { kShanghai, kShenzhen };
bool MeetsMarketRule(std::string_view code, Market market);

// The code table scan.  A table is an unstructured run of bytes in which a
// security's name is preceded, 10 bytes before its first byte, by its code
// (ASCII, ending at the first NUL inside those 10 bytes).  The table is split
// at the non-overlapping occurrences of title; each piece offers the text that
// starts 10 bytes before its end as a candidate, and the first one that meets
// the market's rule is the result ("" when none does, when the title does not
// occur, or when it occurs only at the very end).
//
// The table is pushed through in chunks of any size, in order, without being
// copied: only the few bytes a title or code field running across a chunk
// boundary needs are kept from one chunk to the next.  A chunk need not
// outlive the Feed that gets it.
class CodeTableScanner {
 public:
  CodeTableScanner(std::string_view title, Market market);
  // True once the result is known: the rest of the table need not be read.
  bool Feed(std::string_view chunk);
  // The result, once the whole table (or enough of it) has been fed.
  std::string Finish() const;

 private:
  // Bytes that sit at offset base of the table.
  struct Span {
    std::string_view bytes;
    std::uint64_t base;
  };
  void Search(Span span, std::uint64_t startsBefore);
  void Found(std::uint64_t at, Span span);
  void Keep(std::string_view chunk);

  std::string title_;
  Market market_;
  std::size_t carry_;      // what a chunk may need of the bytes before it
  std::uint64_t fed_ = 0;  // table offset of the next chunk
  // The table's last carry_ bytes (fewer at its start) before the chunk being
  // fed, followed while it is fed by that chunk's first carry_ bytes.
  std::string seam_;
  std::uint64_t seamBase_ = 0;    // table offset of seam_
  std::uint64_t pieceStart_ = 0;  // where the piece being read began
  std::uint64_t searchFrom_ = 0;  // no occurrence starts before this
  bool seen_ = false;             // an occurrence was found
  std::uint64_t firstEnd_ = 0;    // end of the first occurrence
  // A match on the first occurrence counts only if the table goes on after
  // it: a title at the very end of the table alone gives nothing.
  bool pending_ = false;
  bool known_ = false;
  std::string code_;
};

// The table through read, which fills up to size bytes of buffer and returns
// how many came (0 ends the table), in chunks of chunkSize bytes, so memory
// does not grow with the table; reading stops as soon as the result is known.
using TableReader = std::function<std::size_t(char* buffer, std::size_t size)>;
inline constexpr std::size_t kTableChunkSize = 256 * 1024;
std::string ScanCodeTable(const TableReader& read, std::string_view title, Market market,
                          std::size_t chunkSize = kTableChunkSize);
