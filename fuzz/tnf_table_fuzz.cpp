// 通达信's name table read from a file of any bytes and size, against the
// table as its layout defines it: every whole record after the header whose
// code is six ASCII digits and whose name, up to its NUL or the field's end,
// is not empty; bjm.tnf only when all of the file is so.
//
// Input: a byte for the file (odd: bjm.tnf), a byte for how many times the
// body repeats (so that tables cross the reader's buffer), a byte for the
// name's length, the name, then the file's bytes: the first 50 the header.
#include <cstdint>
#include <map>
#include <string>

#include "fuzz_check.h"
#include "platform/sim/sim.h"
#include "quote/tdx_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const bool beijing = data[0] & 1;
  const std::size_t repeats = 1 + data[1] % 256;
  const std::size_t nameLength = data[2] % 12;
  if (size < 3 + nameLength) return 0;
  const std::string name(fuzz::Text(data + 3, nameLength));
  const std::string bytes(fuzz::Text(data + 3 + nameLength, size - 3 - nameLength));
  std::string file = bytes.substr(0, kTnfHeaderSize);
  for (std::size_t i = 0; i < repeats && bytes.size() > kTnfHeaderSize; ++i) file += bytes.substr(kTnfHeaderSize);
  // The bound on records kept is the unit tests' to check.
  if (file.size() > kTnfHeaderSize + kMostTnfRecords * kTnfRecordSize) return 0;

  // The codes by name, and whether the file is a header and right records.
  std::multimap<std::string, std::string> expected;
  bool allRight = file.size() >= kTnfHeaderSize && (file.size() - kTnfHeaderSize) % kTnfRecordSize == 0;
  for (std::size_t at = kTnfHeaderSize; at + kTnfRecordSize <= file.size(); at += kTnfRecordSize) {
    const std::string code = file.substr(at, 6), listed = file.substr(at + kTnfNameOffset, kTnfNameSize).c_str();
    const bool right = !listed.empty() && code.find_first_not_of("0123456789") == std::string::npos;
    if (right) expected.emplace(listed, code);
    allRight &= right;
  }
  const bool used = !beijing || allRight;
  if (!used) expected.clear();

  sim::Reset();
  const char* const fileName = beijing ? "bjm.tnf" : "shm.tnf";
  const std::string path = std::string("C:\\tdx\\T0002\\hq_cache\\") + fileName;
  sim::WriteFile(path, file);
  TnfTable table(fileName);
  FUZZ_CHECK(RefreshTnfTable(path, &table));
  FUZZ_CHECK(sim::OpenHandles() == 0);
  FUZZ_CHECK(!RefreshTnfTable(path, &table));
  FUZZ_CHECK(table.used == used);
  FUZZ_CHECK(table.records.size() == expected.size());
  std::string found;
  for (const auto& [listed, code] : expected) {
    const std::size_t count = expected.count(listed);
    FUZZ_CHECK(CountTnfRecords(&table, 1, listed, &found) == count);
    FUZZ_CHECK(count > 1 || found == code);
  }
  FUZZ_CHECK(CountTnfRecords(&table, 1, name, &found) == expected.count(name));
  return 0;
}
