#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "../fuzz/table_scan_yardstick.h"
#include "quote/dzh_reader.h"
#include "support/code_table.h"

namespace {

using code_table::Field;
using std::string_literals::operator""s;

std::string Scan(const std::string& table, const std::string& title, Market market, std::size_t chunk,
                 std::size_t step = SIZE_MAX) {
  code_table::MemoryReader reader{table, step};
  return ScanCodeTable(std::ref(reader), title, market, chunk);
}

TEST(MarketRule, AcceptsSixCharactersOfTheExchange) {
  // A code, and whether it meets the Shanghai and the Shenzhen rule.
  const std::tuple<std::string, bool, bool> cases[] = {
      {"600000", true, false},  {"500001", true, false},   {"688001", true, false},
      {"700000", false, false}, {"000001", false, true},   {"300750", false, true},
      {"499999", false, true},  {"000000", false, false},  // value 0
      {"60000", false, false},  {"6000000", false, false}, {"", false, false},
      {"60003a", true, false},  // the leading number decides
      {"+12345", false, true},  // a first character that is no digit counts as 0
      {"-60000", false, false}, {"abcdef", false, false},
  };
  for (const auto& [code, shanghai, shenzhen] : cases) {
    EXPECT_EQ(MeetsMarketRule(code, Market::kShanghai), shanghai) << code;
    EXPECT_EQ(MeetsMarketRule(code, Market::kShenzhen), shenzhen) << code;
  }
}

// Each table scanned in chunks of many sizes, and fed cut at every offset and
// again a few bytes further on: a title or code field split over two or three
// pieces, whatever the title's length against the pieces'.
TEST(TableScan, FindsTheCodeInFrontOfTheNameHoweverTheTableIsCut) {
  const std::string name = "浦发银行";
  struct Case {
    std::string what, table, code;
    std::string title = "浦发银行";
    Market market = Market::kShanghai;
  };
  std::vector<Case> cases = {
      {"a record in the middle", "header" + Field("600000") + name + "tail"s, "600000"},
      {"the record opens the table", Field("600000") + name + "x", "600000"},
      {"the title only at the very end", "header" + Field("600000") + name, ""},
      {"the title nowhere", "header" + Field("600000") + "招商银行x", ""},
      {"a field less than 10 bytes from the start", "600000" + name + "x", ""},
      {"six digits without NUL", "6000001234" + name + "x", ""},
      {"a Shenzhen code in the Shanghai rule", Field("000001") + name + "x", ""},
      {"a Shenzhen code", Field("000001") + name + "x", "000001", name, Market::kShenzhen},
      {"a later valid record", Field("ABC") + name + Field("600036") + name + "x", "600036"},
      {"back-to-back titles leave an empty piece", Field("600036") + name + name + "x", "600036"},
      // The piece between two titles is shorter than a field: no candidate
      // there, but the table goes on and the trailing piece is examined.
      {"a short piece, then the table's last 10 bytes", "xx" + name + "12" + name + Field("600519"), "600519"},
      {"the trailing piece alone", name + "tail-" + Field("601318"), "601318"},
      {"an empty table", "", ""},
      // The last 10 bytes would run back into the title and read "600001".
      {"a trailing piece shorter than a field", "junk-junk-6" + "00001\0\0\0\0"s, "", "6"},
      {"a trailing piece of exactly a field", "junk-junk-X" + "600002\0\0\0\0"s, "600002", "X"},
      {"the table is the title", name, ""},
  };
  // The record the code comes from, and the table's last bytes, after a near
  // miss of the title: same first and last byte.
  const std::string padding(70, '.');
  const std::string longTitle = std::string(20, 'L') + "-" + std::string(19, 'M');
  const std::tuple<const char*, std::string, std::string> titles[] = {
      {"one byte", "X", ""},
      {"two equal bytes", "XX", ""},
      {"two bytes", "XY", ""},
      {"first and last byte equal", "ABA", "A-A"},
      {"a GBK name", "浦发银行", "浦发兴行"},
      {"longer than most pieces", longTitle, std::string(20, 'L') + "+" + std::string(19, 'M')}};
  for (const auto& [what, title, nearMiss] : titles) {
    cases.push_back({what, padding + nearMiss + Field("600000") + title + "-tail", "600000", title});
    // Only the trailing piece offers a code: the table's last 10 bytes.
    cases.push_back({what + ", trailing"s, padding + title + nearMiss + "-" + Field("601318"), "601318", title});
  }

  for (const Case& c : cases) {
    ASSERT_EQ(ReferenceScan(c.table, c.title, c.market), c.code) << c.what;
    for (std::size_t chunk : {1, 2, 5, 9, 10, 11, 17, 64, 1 << 16})
      EXPECT_EQ(Scan(c.table, c.title, c.market, chunk), c.code) << c.what << ", chunk " << chunk;
    for (std::size_t cut = 0; cut <= c.table.size(); ++cut)
      for (std::size_t next = cut; next <= std::min(c.table.size(), cut + c.title.size() + 10); ++next)
        ASSERT_EQ(FeedCut(c.table, c.title, c.market, {cut, next}), c.code)
            << c.what << ", cut at " << cut << " and " << next << " of " << c.table.size();
  }
}

// Feed tells the caller to stop with the byte that settles the result, not
// before it and not later, and the scan of a file stops reading there.
TEST(TableScan, FeedSaysWhenTheCodeIsKnown) {
  const std::string name = "浦发银行";
  const std::size_t never = SIZE_MAX;
  // What, the table, the bytes fed when Feed first says the code is known,
  // and the code.
  const std::tuple<const char*, std::string, std::size_t, std::string> cases[] = {
      {"a first record: once the table goes on", Field("600000") + name + "xyz", 10 + name.size() + 1, "600000"},
      {"a first record followed by the title", Field("600000") + name + name, 10 + name.size() + 1, "600000"},
      {"a later record: at the end of its title", Field("ABC") + name + Field("600036") + name + "x",
       2 * (10 + name.size()), "600036"},
      {"the title only at the very end", Field("600000") + name, never, ""},
      {"the code in the trailing piece", name + "tail-" + Field("601318"), never, "601318"},
      {"no code at all", Field("ABC") + name + "tail-tail-tail", never, ""},
  };
  for (const auto& [what, table, expectedAfter, code] : cases) {
    CodeTableScanner scanner(name, Market::kShanghai);
    std::size_t knownAfter = never;
    for (std::size_t i = 0; i < table.size() && knownAfter == never; ++i)
      if (scanner.Feed(std::string_view(table).substr(i, 1))) knownAfter = i + 1;
    EXPECT_EQ(knownAfter, expectedAfter) << what;
    // Whatever comes after a known result changes nothing.
    EXPECT_TRUE(knownAfter == never || scanner.Feed(Field("600519") + name + "x")) << what;
    EXPECT_EQ(scanner.Finish(), code) << what;
  }
  const std::string table = Field("600000") + name + std::string(1 << 20, 'x');
  code_table::MemoryReader reader{table};
  EXPECT_EQ(ScanCodeTable(std::ref(reader), name, Market::kShanghai, 4096), "600000");
  EXPECT_LT(reader.offset, 3 * 4096u);
}

// Tables with many occurrences, titles running across chunk boundaries,
// overlapping title candidates, NULs and bytes of 0x80 and more: the chunked
// scan must give what the plain split gives.
TEST(TableScan, ChunkedScanAgreesWithThePlainSplit) {
  const char alphabet[] = {'0', '1', '5', '6', '9', 'A', 'B', '\0', '\xB0', '\xA1'};
  int withCode = 0;
  for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::string title;
    for (int i = 1 + pick(4); i > 0; --i) title += alphabet[pick(sizeof alphabet)];
    std::string table;
    for (int i = pick(60); i > 0; --i) {
      const int kind = pick(4);
      if (kind == 0)
        table += title;
      else if (kind == 1)
        table += Field(std::to_string(pick(2) ? 600000 + pick(9999) : 1 + pick(4999))) + title;
      else
        table += alphabet[pick(sizeof alphabet)];
    }
    const Market market = pick(2) ? Market::kShanghai : Market::kShenzhen;
    const std::string expected = ReferenceScan(table, title, market);
    if (!expected.empty()) ++withCode;
    const std::size_t chunk = 1 + pick(40), step = 1 + pick(50);
    ASSERT_EQ(Scan(table, title, market, chunk, step), expected)
        << "seed " << seed << ", chunk " << chunk << ", read step " << step;
    // Pieces of random sizes, from single bytes to long runs.
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; (at += 1 + pick(pick(2) ? 3 : 90)) < table.size();) cuts.push_back(at);
    ASSERT_EQ(FeedCut(table, title, market, cuts), expected) << "seed " << seed << ", " << cuts.size() << " cuts";
  }
  EXPECT_GT(withCode, 300) << "the generated tables hardly ever hold a code";
}

// Real securities spread through a large table, and thousands of made-up
// ones, each found under its own code.
TEST(TableScan, FindsEverySecurityInALargeTable) {
  for (bool shanghai : {true, false}) {
    const std::string table = code_table::LargeTable(shanghai, 2 << 20, 7);
    const Market own = shanghai ? Market::kShanghai : Market::kShenzhen;
    const Market other = shanghai ? Market::kShenzhen : Market::kShanghai;
    for (const auto& security : shanghai ? code_table::ShanghaiSecurities() : code_table::ShenzhenSecurities()) {
      EXPECT_EQ(Scan(table, security.name, own, 1 << 16), security.code) << security.name;
      EXPECT_EQ(Scan(table, security.name, other, 1 << 16), "") << security.name;
    }
  }

  const auto securities = code_table::Generated(false, 3000, 11);
  const std::string table = code_table::Table(securities, 11);
  ASSERT_EQ(securities.size(), 3000u);
  // A name that is the start of another name may be found first in the other
  // record; the yardstick decides what is right for those.
  for (std::size_t i = 0; i < securities.size(); i += 97) {
    const auto& s = securities[i];
    EXPECT_EQ(Scan(table, s.name, Market::kShenzhen, 4096), ReferenceScan(table, s.name, Market::kShenzhen));
    EXPECT_EQ(Scan(table, s.name + std::string(1, '\0'), Market::kShenzhen, 4096), s.code) << i;
  }
}

}  // namespace
