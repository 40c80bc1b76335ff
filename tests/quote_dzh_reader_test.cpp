#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "quote/dzh_reader.h"
#include "settings/code_cache.h"
#include "settings/settings.h"
#include "support/code_table.h"
#include "support/test_fixture.h"

namespace {

using code_table::Security;

const std::string kShanghai = "D:\\dzh2\\data\\sh\\";
const std::string kShenzhen = "D:\\dzh2\\data\\sz\\";
constexpr const char* kTable = "STKINFO60.DAT";

class DzhReader : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    dzh.exePath = "D:\\dzh2\\dzh.exe";
  }

  std::string Resolve(const std::string& title) { return ResolveDzhCode(title, dzh); }
  DzhAttachment dzh;

  // Both tables under one name: the real securities of each exchange amid
  // made-up ones, plus whatever a test adds.
  static void WriteTables(const std::vector<Security>& shanghaiExtra, const std::vector<Security>& shenzhenExtra,
                          const std::string& name = kTable) {
    for (const bool shanghai : {true, false}) {
      std::vector<Security> securities = code_table::Generated(shanghai, 200, shanghai ? 1 : 2);
      const auto& real = shanghai ? code_table::ShanghaiSecurities() : code_table::ShenzhenSecurities();
      const auto& extra = shanghai ? shanghaiExtra : shenzhenExtra;
      securities.insert(securities.begin() + 50, real.begin(), real.end());
      securities.insert(securities.end() - 20, extra.begin(), extra.end());
      sim::WriteFile((shanghai ? kShanghai : kShenzhen) + name, code_table::Table(securities));
    }
  }

  static std::string Cached(const std::string& title) { return ReadSetting(kCodeCacheSection, title, ""); }

  static bool Opened(const std::string& folder) {
    for (const sim::Call& call : sim::Calls())
      if (call.text.rfind("OpenExistingFileShared(" + folder, 0) == 0) return true;
    return false;
  }
};

TEST_F(DzhReader, ResolvesEachExchangeAndCachesTheAnswer) {
  WriteTables({}, {});
  const std::pair<std::string, std::string> cases[] = {
      {"浦发银行", "600000"}, {"贵州茅台", "600519"}, {"中国平安", "601318"},           {"平安银行", "000001"},
      {"万科Ａ", "000002"},   {"五粮液", "000858"},   {"不存在的股票", "不存在的股票"},
  };
  for (const auto& [title, code] : cases) {
    EXPECT_EQ(LookupCachedCode(title), "") << title;
    EXPECT_EQ(Resolve(title), code) << title;
    EXPECT_EQ(Cached(title), code) << title;
    EXPECT_EQ(LookupCachedCode(title), code) << title;
  }
  EXPECT_EQ(dzh.stockInfoFile, kTable);

  // A title cached as itself stays so once a table has it; an entry emptied
  // by hand counts as missing and is looked up again.
  WriteTables({{"603999", "不存在的股票"}}, {});
  EXPECT_EQ(LookupCachedCode("不存在的股票"), "不存在的股票");
  WriteSetting(kCodeCacheSection, "不存在的股票", "");
  EXPECT_EQ(LookupCachedCode("不存在的股票"), "");
  EXPECT_EQ(Resolve("不存在的股票"), "603999");
  EXPECT_EQ(Cached("不存在的股票"), "603999");
}

// Shanghai's table first; Shenzhen's is read only when Shanghai's has no
// code for the title that meets its exchange's rule.
TEST_F(DzhReader, CodesRejectedByTheMarketRules) {
  const std::vector<Security> shanghai = {{"000777", "沪表深码"}, {"0007771234", "无结尾码"}, {"ABC", "先错后对"},
                                          {"600999", "先错后对"}, {"000666", "两表深码"},     {"600888", "两地股票"}};
  WriteTables(shanghai, {{"000666", "两表深码"}, {"600555", "深表沪码"}, {"000888", "两地股票"}});
  // What, the title, its code, and whether Shenzhen's table was read.
  const std::tuple<const char*, std::string, std::string, bool> cases[] = {
      {"a 0 code in Shanghai, absent in Shenzhen", "沪表深码", "沪表深码", true},
      {"a 0 code in Shanghai, then Shenzhen", "两表深码", "000666", true},
      {"six digits and no NUL in the field", "无结尾码", "无结尾码", true},
      {"a later valid record", "先错后对", "600999", false},
      {"a 6 code in Shenzhen", "深表沪码", "深表沪码", true},
      {"in both: Shanghai wins", "两地股票", "600888", false},
  };
  for (const auto& [what, title, code, shenzhenRead] : cases) {
    sim::ClearCalls();
    EXPECT_EQ(Resolve(title), code) << what;
    EXPECT_TRUE(Opened(kShanghai)) << what;
    EXPECT_EQ(Opened(kShenzhen), shenzhenRead) << what;
  }
}

// Neither a file named in small letters nor a folder qualifies; of those that
// do, the last one the Shanghai folder lists is used in both folders.
TEST_F(DzhReader, TheLastStockInfoFileListedIsUsedInBothFolders) {
  std::vector<Security> lower = code_table::ShanghaiSecurities();
  lower.push_back({"600999", "多表股票"});
  sim::WriteFile(kShanghai + "stkinfo99.dat", code_table::Table(lower));
  for (const char* folder : {"STKINFO", "STKINFO_ZZZ"}) sim::MakeDirectory(kShanghai + folder);
  EXPECT_EQ(Resolve("浦发银行"), "浦发银行");
  EXPECT_EQ(dzh.stockInfoFile, "");

  const std::vector<std::string> names = {"STKINFO51.DAT", "STKINFO60.DAT", "OLD_STKINFO.DAT"};
  for (std::size_t i = 0; i < names.size(); ++i)
    WriteTables({{"60010" + std::to_string(i), "多表股票"}}, {{"00010" + std::to_string(i), "深市多表"}}, names[i]);
  // What the folder lists, in its own order.
  std::string last;
  platform::FindData entry;
  const platform::Handle find = platform::FindFirstFileA(kShanghai + "*", &entry);
  ASSERT_NE(find, platform::kInvalidHandle);
  do {
    if (!entry.isDirectory && entry.fileName.find("STKINFO") != std::string::npos) last = entry.fileName;
  } while (platform::FindNextFileA(find, &entry));
  platform::FindClose(find);
  const std::size_t index = std::find(names.begin(), names.end(), last) - names.begin();
  ASSERT_LT(index, names.size());

  EXPECT_EQ(Resolve("多表股票"), "60010" + std::to_string(index));
  EXPECT_EQ(dzh.stockInfoFile, last);
  EXPECT_EQ(Resolve("深市多表"), "00010" + std::to_string(index));
}

TEST_F(DzhReader, ForgetsAStockInfoFileThatIsGone) {
  WriteTables({}, {}, "STKINFO51.DAT");
  EXPECT_EQ(Resolve("浦发银行"), "600000");
  sim::RemoveFile(kShanghai + "STKINFO51.DAT");
  WriteTables({{"600222", "新表股票"}}, {}, "STKINFO60.DAT");
  EXPECT_EQ(Resolve("新表股票"), "600222");
  EXPECT_EQ(dzh.stockInfoFile, "STKINFO60.DAT");
}

TEST_F(DzhReader, AnExecutablePathWithoutBackslashLooksAtTheDriveRoot) {
  dzh.exePath = "dzh.exe";
  sim::WriteFile(std::string("\\data\\sh\\") + kTable, code_table::Table(code_table::ShanghaiSecurities()));
  EXPECT_EQ(Resolve("招商银行"), "600036");
  dzh.exePath = "";
  EXPECT_EQ(Resolve("浦发银行"), "600000");
}

// Titles the profile functions cannot keep as keys, and titles no security
// has that a window may still show (far too long for a value read back from
// new.ini, or bytes that are not GBK), are resolved all the same, kept in
// memory instead of new.ini, never take the cached code of a look-alike, and
// are forgotten by a reset.
TEST_F(DzhReader, TitlesNewIniCannotHoldStayInMemory) {
  std::vector<std::string> titles = {
      "[浦发银行]", ";注释",        " 前有空格",    "后有空格 ", "等号=股票",    "换行\r\n[软件设置]", "\t制表",
      "\"引号\"",   "浦发银行\x81", "\x80浦发银行", "\xFF银行",  "银\x81\x7F行", "银\x81\x3F行",       "\x80\x41股票"};
  titles.insert(titles.end(), {std::string(10240, 'x'), std::string(32767 * 2, '\xB3')});
  const auto code = [](std::size_t i) { return std::to_string(600700 + i); };
  std::string table = "STKINFO1" + std::string(8, '\0');
  for (std::size_t i = 0; i < titles.size(); ++i) table += code_table::Field(code(i)) + titles[i] + '\0';
  for (const std::string& folder : {kShanghai, kShenzhen}) sim::WriteFile(folder + kTable, table);
  WriteSetting(kCodeCacheSection, "浦发银行", "600000");
  const std::string iniBefore = sim::FileContent(IniPath());

  for (std::size_t i = 0; i < titles.size(); ++i) {
    EXPECT_FALSE(IsCacheableTitle(titles[i])) << i;
    EXPECT_EQ(LookupCachedCode(titles[i]), "") << i;
    EXPECT_EQ(Resolve(titles[i]), code(i)) << i;
    sim::ClearCalls();
    EXPECT_EQ(LookupCachedCode(titles[i]), code(i)) << i;
    EXPECT_TRUE(sim::Calls().empty()) << "looked up in memory only: " << i;
  }
  EXPECT_EQ(sim::FileContent(IniPath()), iniBefore);
  EXPECT_EQ(Cached("浦发银行"), "600000");
  for (const char* title : {"浦发银行", "万科Ａ", "ST 股票", "乕乚", "600000", "A;B", "a[b]", "x\"y"})
    EXPECT_TRUE(IsCacheableTitle(title)) << title;
  EXPECT_TRUE(IsCacheableTitle(std::string(10239, 'x')));
  EXPECT_FALSE(IsCacheableTitle(""));

  ResetCodeCache();
  for (const std::string& title : titles) EXPECT_EQ(LookupCachedCode(title), "") << title.substr(0, 20);

  // A title that changes all the time and cannot be cached (a clock with "=")
  // must not make the memory kept for such titles grow for the whole run.
  for (int i = 0; i < 1024; ++i) Resolve("时间=" + std::to_string(i));
  EXPECT_EQ(LookupCachedCode("时间=1023"), "时间=1023");
  EXPECT_EQ(LookupCachedCode("时间=0"), "时间=0");
  Resolve("时间=1024");
  EXPECT_EQ(LookupCachedCode("时间=0"), "") << "the oldest titles are forgotten, not kept for ever";
  EXPECT_EQ(LookupCachedCode("时间=1024"), "时间=1024");
}

}  // namespace
