// 通达信's name table read from a file of any bytes and size, against the
// table as its layout defines it: the header, then every whole record (up to
// the bound) whose code is six ASCII digits and whose name, up to its NUL or
// the field's end, is not empty; bjm.tnf only when all of it is so.
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

namespace {

struct Expected {
  std::map<std::string, std::pair<std::size_t, std::string>> byName;  // count, a code
  std::size_t records = 0;
  bool allRight = true;
};

Expected Reference(const std::string& file) {
  Expected expected;
  if (file.size() < kTnfHeaderSize) return expected;
  expected.allRight = (file.size() - kTnfHeaderSize) % kTnfRecordSize == 0;
  for (std::size_t at = kTnfHeaderSize; at + kTnfRecordSize <= file.size(); at += kTnfRecordSize) {
    if (expected.records + 1 > kMostTnfRecords) {
      expected.allRight = false;
      break;
    }
    const std::string code = file.substr(at, 6);
    std::string name = file.substr(at + kTnfNameOffset, kTnfNameSize);
    name = name.substr(0, name.find('\0'));
    bool digits = true;
    for (const char c : code) digits &= c >= '0' && c <= '9';
    if (!digits || name.empty()) {
      expected.allRight = false;
      continue;
    }
    ++expected.records;
    auto& entry = expected.byName[name];
    ++entry.first;
    entry.second = code;
  }
  return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const bool beijing = data[0] & 1;
  const std::size_t repeats = 1 + data[1] % 256;
  const std::size_t nameLength = data[2] % 12;
  if (size < 3 + nameLength) return 0;
  const std::string name(reinterpret_cast<const char*>(data) + 3, nameLength);
  const std::string bytes(reinterpret_cast<const char*>(data) + 3 + nameLength, size - 3 - nameLength);
  std::string file = bytes.substr(0, kTnfHeaderSize);
  for (std::size_t i = 0; i < repeats && bytes.size() > kTnfHeaderSize; ++i) file += bytes.substr(kTnfHeaderSize);

  sim::Reset();
  const std::string path = beijing ? "C:\\tdx\\T0002\\hq_cache\\bjm.tnf" : "C:\\tdx\\T0002\\hq_cache\\shm.tnf";
  sim::WriteFile(path, file);
  TnfTable table(beijing ? "bjm.tnf" : "shm.tnf");
  FUZZ_CHECK(RefreshTnfTable(path, &table));
  FUZZ_CHECK(sim::OpenHandles() == 0);
  FUZZ_CHECK(!RefreshTnfTable(path, &table));

  Expected expected = Reference(file);
  const bool used = !beijing || (file.size() >= kTnfHeaderSize && expected.allRight);
  FUZZ_CHECK(table.used == used);
  if (!used) expected = Expected{};
  FUZZ_CHECK(table.records.size() == expected.records);
  for (const auto& [listed, entry] : expected.byName) {
    std::string code;
    FUZZ_CHECK(CountTnfRecords(&table, 1, listed, &code) == entry.first);
    if (entry.first == 1) FUZZ_CHECK(code == entry.second);
  }
  std::string code;
  const auto wanted = expected.byName.find(name);
  FUZZ_CHECK(CountTnfRecords(&table, 1, name, &code) == (wanted == expected.byName.end() ? 0 : wanted->second.first));
  return 0;
}
