// 通达信's name table read from a file of any bytes and size, against the
// table as its published layout defines it, written out here on its own so
// that a wrong offset or size in the reader is caught: a 50-byte header, then
// 314-byte records, the code in the six bytes at 0 and the name in the eight
// at 23.  A record counts when its code is six ASCII digits and its name, up
// to its NUL or the field's end, is not empty; bjm.tnf only when all of the
// file is so.  A name longer than eight bytes is looked up cut at a character.
//
// Input: a byte for the file (odd: bjm.tnf), a byte for how many times the
// body repeats (so that tables cross the reader's buffer), a byte for the
// name's length, the name, then the file's bytes: the first 50 the header.
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "fuzz_check.h"
#include "platform/sim/sim.h"
#include "quote/tdx_reader.h"

namespace {

constexpr std::size_t kHeader = 50, kRecord = 314, kNameAt = 23, kNameSize = 8;

// The name as an eight-byte field holds it: whole characters that fit.
std::string Cut(const std::string& name) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < name.size() && i + fuzz::CharLength(name, i) <= kNameSize; i = end)
    end = i + fuzz::CharLength(name, i);
  return name.substr(0, end);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const bool beijing = data[0] & 1;
  const std::size_t repeats = 1 + data[1] % 256;
  const std::size_t nameLength = data[2] % 12;
  if (size < 3 + nameLength) return 0;
  const std::string name(fuzz::Text(data + 3, nameLength));
  const std::string bytes(fuzz::Text(data + 3 + nameLength, size - 3 - nameLength));
  std::string file = bytes.substr(0, kHeader);
  for (std::size_t i = 0; i < repeats && bytes.size() > kHeader; ++i) file += bytes.substr(kHeader);
  // The bound on what is read is the unit tests' to check.
  if (file.size() > 1u << 20) return 0;

  // The codes by name, and whether the file is a header and right records.
  std::map<std::string, std::set<std::string>> expected;
  bool allRight = file.size() >= kHeader && (file.size() - kHeader) % kRecord == 0;
  std::size_t records = 0;
  for (std::size_t at = kHeader; at + kRecord <= file.size(); at += kRecord) {
    const std::string code = file.substr(at, 6), listed = file.substr(at + kNameAt, kNameSize).c_str();
    const bool right = !listed.empty() && code.find_first_not_of("0123456789") == std::string::npos;
    if (right) {
      expected[listed].insert(code);
      ++records;
    }
    allRight &= right;
  }
  const bool used = !beijing || allRight;
  if (!used) {
    expected.clear();
    records = 0;
  }

  sim::Reset();
  const TnfLayout& layout = kTnfLayouts[beijing ? 2 : 0];
  const std::string path = std::string("C:\\tdx\\T0002\\hq_cache\\") + layout.fileName;
  sim::WriteFile(path, file);
  TnfTable table(layout);
  FUZZ_CHECK(RefreshTnfTable(path, &table));
  FUZZ_CHECK(sim::OpenHandles() == 0);
  FUZZ_CHECK(!RefreshTnfTable(path, &table));
  FUZZ_CHECK(table.used == used);
  FUZZ_CHECK(table.records.size() == records);
  for (const auto& [listed, codes] : expected) {
    const TdxMatch match = MatchInTables(&table, 1, listed);
    FUZZ_CHECK(match.count == codes.size());
    FUZZ_CHECK(codes.count(match.code) == 1);
  }
  const auto wanted = expected.find(Cut(name));
  FUZZ_CHECK(MatchInTables(&table, 1, name).count == (wanted == expected.end() ? 0 : wanted->second.size()));
  return 0;
}
