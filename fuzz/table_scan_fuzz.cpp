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

namespace {

// Split the table at the non-overlapping occurrences of the title; each piece
// offers the text from 10 bytes before its end up to a NUL; the first that
// meets the market's rule wins.  A table split into fewer than two pieces
// gives nothing.
std::string Reference(std::string_view table, std::string_view title, Market market) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t at = table.find(title); at != std::string_view::npos; at = table.find(title, start)) {
    pieces.push_back(table.substr(start, at - start));
    start = at + title.size();
  }
  if (start < table.size()) pieces.push_back(table.substr(start));
  if (pieces.size() < 2) return {};
  for (const std::string_view piece : pieces) {
    const std::string code = piece.size() < 10 ? "" : std::string(piece.substr(piece.size() - 10)).c_str();
    if (MeetsMarketRule(code, market)) return code;
  }
  return {};
}

}  // namespace

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
  const std::string expected = Reference(table, title, market);
  const std::string found = ScanCodeTable(read, title, market, chunk);
  FUZZ_CHECK(found == expected);
  FUZZ_CHECK(asked <= chunk);
  FUZZ_CHECK(found.empty() || MeetsMarketRule(found, market));

  // The same table pushed in pieces of sizes drawn from the chunk and short
  // read bytes, each in a heap block of exactly its size that is freed before
  // the next comes: a read past a piece, or of an earlier one, is caught.
  CodeTableScanner scanner(title, market);
  std::uint32_t sizes = (static_cast<std::uint32_t>(data[1]) << 8 | shortReads) * 2654435761u;
  for (std::size_t at = 0; at < table.size();) {
    sizes = sizes * 1664525u + 1013904223u;
    const std::size_t n = std::min<std::size_t>(1 + (sizes >> 24) % (sizes >> 31 ? 4 : 96), table.size() - at);
    const std::vector<char> piece(table.begin() + at, table.begin() + at + n);
    if (scanner.Feed({piece.data(), piece.size()})) break;
    at += n;
  }
  FUZZ_CHECK(scanner.Finish() == expected);
  return 0;
}
