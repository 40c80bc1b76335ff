// The code table scan, read in chunks of any size and with short reads, and
// pushed in pieces of any size, against the scan of the whole table at once
// as the reader defines it.
//
// Input: a byte for the market, a byte for the chunk size, a byte for the
// short reads, a byte for the title's length, the title, then the table.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "quote/dzh_reader.h"
#include "table_scan_yardstick.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const Market market = data[0] & 1 ? Market::kShenzhen : Market::kShanghai;
  const std::size_t chunk = 1 + data[1] % 64;
  const unsigned shortReads = data[2];
  const std::size_t titleLength = std::min<std::size_t>(1 + data[3] % 24, size - 4);
  const std::string_view rest = fuzz::Text(data + 4, size - 4);
  const std::string_view title = rest.substr(0, titleLength);
  const std::string_view table = rest.substr(titleLength);

  std::size_t position = 0, reads = 0, asked = 0;
  const TableReader read = [&](char* buffer, std::size_t room) -> std::size_t {
    FUZZ_CHECK(room > 0);
    asked = std::max(asked, room);
    // Now and then fewer bytes than asked for, never none before the end.
    std::size_t n = std::min(room, table.size() - position);
    if (n > 1 && (shortReads >> (reads++ % 8)) & 1) n = 1 + n / 2;
    std::memcpy(buffer, table.data() + position, n);
    position += n;
    return n;
  };
  const std::string expected = ReferenceScan(table, title, market);
  const std::string found = ScanCodeTable(read, title, market, chunk);
  FUZZ_CHECK(found == expected);
  FUZZ_CHECK(asked <= chunk);
  FUZZ_CHECK(found.empty() || MeetsMarketRule(found, market));

  // The same table pushed in pieces of sizes drawn from the chunk and short
  // read bytes (FeedCut catches a read past a piece, or of an earlier one).
  std::uint32_t sizes = (static_cast<std::uint32_t>(data[1]) << 8 | shortReads) * 2654435761u;
  const auto pieceSize = [&] {
    sizes = sizes * 1664525u + 1013904223u;
    return 1 + (sizes >> 24) % (sizes >> 31 ? 4 : 96);
  };
  std::vector<std::size_t> cuts;
  for (std::size_t at = 0; (at += pieceSize()) < table.size();) cuts.push_back(at);
  FUZZ_CHECK(FeedCut(table, title, market, cuts) == expected);
  return 0;
}
