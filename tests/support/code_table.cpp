#include "support/code_table.h"

#include <algorithm>
#include <functional>
#include <random>
#include <set>

namespace code_table {

namespace {

// The GB2312 block of common characters: lead 0xB0..0xD7, trail 0xA1..0xFE.
std::string RandomName(std::mt19937& random) {
  std::uniform_int_distribution<int> length(2, 4), lead(0xB0, 0xD7), trail(0xA1, 0xFE);
  std::string name;
  for (int i = length(random); i > 0; --i) {
    name.push_back(static_cast<char>(lead(random)));
    name.push_back(static_cast<char>(trail(random)));
  }
  return name;
}

std::string SixDigits(int value) { return std::to_string(1000000 + value % 1000000).substr(1); }

}  // namespace

const std::vector<Security>& ShanghaiSecurities() {
  static const std::vector<Security> securities = {{"600000", "浦发银行"}, {"600036", "招商银行"},
                                                   {"600519", "贵州茅台"}, {"601318", "中国平安"},
                                                   {"601398", "工商银行"}, {"600028", "中国石化"}};
  return securities;
}

const std::vector<Security>& ShenzhenSecurities() {
  static const std::vector<Security> securities = {
      {"000001", "平安银行"}, {"000002", "万科Ａ"}, {"000651", "格力电器"}, {"000858", "五粮液"}};
  return securities;
}

std::vector<Security> Generated(bool shanghai, std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  // The real securities' codes and names are taken from the start.
  std::set<std::string> taken, names;
  for (const auto* list : {&ShanghaiSecurities(), &ShenzhenSecurities()})
    for (const Security& security : *list) taken.insert(security.code), names.insert(security.name);
  std::vector<std::string> codes;
  const int ranges[2][2][2] = {{{1, 4000}, {300001, 302000}}, {{600000, 606000}, {688000, 690000}}};
  for (const auto& range : ranges[shanghai ? 1 : 0])
    for (int value = range[0]; value < range[1]; ++value)
      if (!taken.count(SixDigits(value))) codes.push_back(SixDigits(value));
  std::shuffle(codes.begin(), codes.end(), random);
  if (count > codes.size()) count = codes.size();

  std::vector<Security> securities;
  while (securities.size() < count) {
    std::string name = RandomName(random);
    if (names.insert(name).second) securities.push_back({codes[securities.size()], name});
  }
  return securities;
}

std::string Record(const Security& security, std::uint32_t seed) {
  std::string record(kRecordSize, '\0');
  record.replace(0, std::min(security.code.size(), kCodeFieldSize), security.code, 0, kCodeFieldSize);
  record.replace(kCodeFieldSize, std::min(security.name.size(), kNameFieldSize), security.name, 0, kNameFieldSize);
  // Quote data: small little-endian numbers.  Only ASCII bytes, so that no
  // name can be found inside it.
  std::uint32_t state = seed * 2654435761u + static_cast<std::uint32_t>(std::hash<std::string>{}(security.code));
  for (std::size_t i = kCodeFieldSize + kNameFieldSize; i < kRecordSize; i += 2) {
    state = state * 1664525u + 1013904223u;
    record[i] = static_cast<char>((state >> 24) & 0x7F);
  }
  return record;
}

std::string Table(const std::vector<Security>& securities, std::uint32_t seed) {
  std::string table(kHeaderSize, '\0');
  table.replace(0, 8, "STKINFO1");
  const auto count = static_cast<std::uint32_t>(securities.size());
  for (int i = 0; i < 4; ++i) table[8 + i] = static_cast<char>(count >> (8 * i));
  for (const Security& security : securities) table += Record(security, seed);
  return table;
}

std::string LargeTable(bool shanghai, std::size_t bytes, std::uint32_t seed) {
  const std::vector<Security>& real = shanghai ? ShanghaiSecurities() : ShenzhenSecurities();
  const std::size_t records = std::max<std::size_t>(bytes / kRecordSize, real.size() + 1);
  // Made-up securities repeat once the exchange's codes run out; a table
  // this size only has to be large, not true.
  const std::vector<Security> made = Generated(shanghai, std::min<std::size_t>(records, 5000), seed);
  std::string table = Table({});
  table.reserve(kHeaderSize + records * kRecordSize);
  const std::size_t spacing = records / (real.size() + 1);
  for (std::size_t i = 0, r = 0; i < records; ++i)
    table += Record(r < real.size() && i == (r + 1) * spacing ? real[r++] : made[i % made.size()], seed);
  return table;
}

std::string Field(const std::string& code) {
  return (code + std::string(kCodeFieldSize, '\0')).substr(0, kCodeFieldSize);
}

std::string TnfRecord(const Security& security) {
  std::string record(314, '\x01');
  record.replace(0, security.code.size(), security.code);
  return record.replace(23, 8, (security.name + std::string(8, '\0')).substr(0, 8));
}

std::string TnfTable(const std::vector<Security>& securities) {
  std::string table(50, '\0');
  for (const Security& security : securities) table += TnfRecord(security);
  return table;
}

}  // namespace code_table
