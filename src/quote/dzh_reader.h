// 大智慧: document titles to codes, through the cache in new.ini and the
// program's own code tables.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

std::string LookupCachedCode(const std::string& title);
std::string ResolveDzhCode(const std::string& title);
// Forgets what the reader keeps in memory for the run (tests, restart).
void ResetDzhReader();

// Whether the profile functions can store title as a key and find it again.
// A title that cannot is kept in memory for the run instead of in new.ini.
bool IsCacheableTitle(std::string_view title);

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
// read fills up to size bytes of buffer and returns how many came; 0 ends the
// table.  The table is read in chunks of chunkSize bytes, so memory does not
// grow with it, and reading stops as soon as the result is known.
using TableReader = std::function<std::size_t(char* buffer, std::size_t size)>;
inline constexpr std::size_t kTableChunkSize = 256 * 1024;
std::string ScanCodeTable(const TableReader& read, std::string_view title, Market market,
                          std::size_t chunkSize = kTableChunkSize);
