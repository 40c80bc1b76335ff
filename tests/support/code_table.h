// Code table files laid out the way the 大智慧 reader expects them: fixed-size
// records, each a 10-byte code field (ASCII code, NUL padded) followed at once
// by the security's GBK name (NUL padded) and a block of binary quote data.
// Shared by the tests and the benchmarks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace code_table {

inline constexpr std::size_t kCodeFieldSize = 10;
inline constexpr std::size_t kNameFieldSize = 32;
inline constexpr std::size_t kDataFieldSize = 22;
inline constexpr std::size_t kRecordSize = kCodeFieldSize + kNameFieldSize + kDataFieldSize;
inline constexpr std::size_t kHeaderSize = 16;

struct Security {
  std::string code;  // as stored in the code field, usually six digits
  std::string name;  // GBK
};

// A few real securities of each exchange.
const std::vector<Security>& ShanghaiSecurities();
const std::vector<Security>& ShenzhenSecurities();

// count made-up securities of one exchange (at most about 6000): distinct
// codes of that exchange (Shanghai 6xxxxx, Shenzhen 0xxxxx and 3xxxxx) and
// distinct GBK names of two to four characters, none of them the name of a
// real one.  The same seed gives the same list.
std::vector<Security> Generated(bool shanghai, std::size_t count, std::uint32_t seed);

// A code as its field holds it: NUL-padded, or cut, to the field's size.
std::string Field(const std::string& code);
// One record; a code longer than the field is cut, so a code field without
// any NUL can be made with a 10-byte code.
std::string Record(const Security& security, std::uint32_t seed = 0);
// A table: a small header, then one record per security.
std::string Table(const std::vector<Security>& securities, std::uint32_t seed = 0);

// A table of about `bytes` bytes: the real securities of the exchange spread
// through made-up ones.
std::string LargeTable(bool shanghai, std::size_t bytes, std::uint32_t seed);

// 通达信's name tables: a 50-byte header, then 314-byte records with the code
// at offset 0 and the name, NUL-padded to 8 bytes (cut to them), at 23.
std::string TnfRecord(const Security& security);
std::string TnfTable(const std::vector<Security>& securities);

// Reads a table held in memory, as a file read delivers it, in reads of at
// most `step` bytes each.
struct MemoryReader {
  const std::string& table;
  std::size_t step = SIZE_MAX;
  std::size_t offset = 0;
  std::size_t operator()(char* buffer, std::size_t size) {
    const std::size_t n = std::min({size, step, table.size() - offset});
    std::copy(table.data() + offset, table.data() + offset + n, buffer);
    offset += n;
    return n;
  }
};

}  // namespace code_table
