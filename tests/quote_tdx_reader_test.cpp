// 通达信 mode: the chart title's name through the installation's name tables.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_bar.h"
#include "app/quote_poller.h"
#include "platform/sim/sim.h"
#include "quote/tdx_reader.h"
#include "support/calls.h"
#include "support/code_table.h"
#include "support/dzh_scene.h"
#include "support/test_fixture.h"

namespace {

using code_table::Security;
using platform::Hwnd;

constexpr const char* kTdxExe = "D:\\new_tdx\\TdxW.exe";
const std::string kCache = "D:\\new_tdx\\T0002\\hq_cache\\";

class TdxMode : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    StartProgram();
    SetQuoteSource(QuoteSource::kTdx);
  }
  static std::string Label() { return sim::TextOf(sim::Bar().codeLabel); }
};

int FileCalls() {
  int count = 0;
  for (const char* name : {"GetFileAttributesExA", "GetPrivateProfileStringA", "WritePrivateProfileStringA",
                           "OpenExistingFileShared", "FindFirstFileA", "ReadFile"})
    count += CountCalls(name);
  return count;
}

TEST_F(TdxMode, FindsTheFrontmostTdxWindowAmongOthersAndItsOwnTables) {
  sim::Advance(100);
  EXPECT_EQ(sim::TimerInterval(kQuoteTimerId), kDzhRetryInterval) << "none yet: look again in 10 s";

  StartDzh("D:\\dzh2\\dzh.exe");
  const TdxScene back = StartTdx("C:\\tdx\\TdxW.exe", "浦发银行");
  sim::Make32Bit(back.process);
  const std::uint32_t other = sim::AddProcess("C:\\other\\other.exe");
  sim::CreateWindow({"Frame", TdxChartTitle("招商银行"), other});  // the title alone does not make it
  // The tables of the front one say otherwise than the real ones.
  const TdxScene front = StartTdx(kTdxExe, "平安银行");
  sim::WriteFile(kCache + "szm.tnf", code_table::TnfTable({{"000009", "平安银行"}}));
  sim::WindowSpec hidden{"TdxW_MainFrame_Class", TdxChartTitle("贵州茅台"), other};
  hidden.visible = false;
  sim::CreateWindow(hidden);

  sim::Advance(kDzhRetryInterval);
  EXPECT_EQ(AppState.tdx.mainWindow, front.frame);
  EXPECT_EQ(AppState.tdx.folder, "D:\\new_tdx");
  EXPECT_EQ(Label(), "000009");
  EXPECT_EQ(sim::TimerInterval(kQuoteTimerId), kPollInterval);

  // Gone: the other one, a 32-bit program, takes its place at once; then
  // none is left, and the search runs every 10 s again.
  sim::EndProcess(front.process);
  sim::Advance(100);
  EXPECT_EQ(AppState.tdx.mainWindow, back.frame);
  EXPECT_EQ(AppState.tdx.folder, "C:\\tdx");
  EXPECT_EQ(Label(), "600000");
  sim::EndProcess(back.process);
  sim::Advance(100);
  EXPECT_EQ(sim::TimerInterval(kQuoteTimerId), kDzhRetryInterval);
  EXPECT_EQ(Label(), "600000");
}

// Each step a new title, read at the next tick.
TEST_F(TdxMode, FollowsTheChartTitleThroughSwitches) {
  const TdxScene tdx = StartTdx(kTdxExe, "浦发银行");
  // 招商银行 also in szm.tnf: two records, no code.
  sim::WriteFile(kCache + "szm.tnf",
                 code_table::TnfTable({{"000001", "平安银行"}, {"000002", "万科Ａ"}, {"001979", "招商银行"}}));
  sim::Advance(100);
  ASSERT_EQ(Label(), "600000");
  const struct {
    std::string title;
    std::string label, code;
    TdxOutcome outcome;
  } steps[] = {
      {TdxChartTitle("平安银行"), "000001", "000001", TdxOutcome::kCode},
      {"通达信金融终端V7.642 - [行情报价-沪深Ａ股]", "000001", "000001", TdxOutcome::kNotChart},
      {"通达信金融终端V7.642 - [版面-平安银行]", "000001", "000001", TdxOutcome::kNotChart},
      {TdxChartTitle("万科Ａ"), "000002", "000002", TdxOutcome::kCode},
      {TdxChartTitle("招商银行"), "招商银行", "招商银行", TdxOutcome::kListedMoreThanOnce},
      {TdxChartTitle("无此股票"), "无此股票", "无此股票", TdxOutcome::kNotListed},
      {"通达信金融终端V7.642 - [分析图表-浦发银行", "无此股票", "无此股票", TdxOutcome::kNotChart},
      {"", "无此股票", "无此股票", TdxOutcome::kNoTitle},
      {"招商证券智远一户通 - [分析图表-贵州茅台]", "600519", "600519", TdxOutcome::kCode},
  };
  for (const auto& step : steps) {
    sim::SetText(tdx.frame, step.title);
    sim::Advance(100);
    EXPECT_EQ(Label(), step.label) << step.title;
    EXPECT_EQ(AppState.currentCode, step.code) << step.title;
    EXPECT_EQ(AppState.tdx.outcome, step.outcome) << step.title;
  }
}

// The tables are read when first needed and again only when their size or
// time changed; a steady tick, in every mode, touches no file.
TEST_F(TdxMode, ReadsTablesOnceAndAgainOnlyWhenChanged) {
  const TdxScene tdx = StartTdx(kTdxExe, "平安银行");
  sim::Advance(100);
  ASSERT_EQ(Label(), "000001");
  sim::ClearCalls();
  sim::Advance(1000);
  EXPECT_EQ(FileCalls(), 0);

  const auto switchTo = [&](const std::string& name) {
    sim::SetText(tdx.frame, TdxChartTitle(name));
    sim::ClearCalls();
    sim::Advance(100);
  };
  switchTo("浦发银行");
  EXPECT_EQ(Label(), "600000");
  EXPECT_EQ(CountCalls("ReadFile"), 0) << "unchanged tables are not read again";
  EXPECT_EQ(CountCalls("GetFileAttributesExA"), 3);

  sim::WriteFile(kCache + "szm.tnf", code_table::TnfTable({{"000001", "平安银行"}, {"000003", "浦发银行"}}));
  sim::Advance(1000);
  EXPECT_EQ(Label(), "600000") << "the same title: the tables are not looked at";
  switchTo("平安银行");
  EXPECT_EQ(CountCalls("OpenExistingFileShared"), 1) << "only the changed table is read";
  switchTo("浦发银行");
  EXPECT_EQ(Label(), "浦发银行") << "now in two tables";
  sim::WriteFile(kCache + "bjm.tnf", code_table::TnfTable({{"830799", "艾融软件"}}));
  switchTo("艾融软件");
  EXPECT_EQ(Label(), "830799");
  sim::RemoveFile(kCache + "bjm.tnf");
  switchTo("平安银行");
  switchTo("艾融软件");
  EXPECT_EQ(Label(), "艾融软件");
  EXPECT_EQ(sim::OpenHandles(), 0);

  for (const QuoteSource source : {QuoteSource::kDzh, QuoteSource::kTrader}) {
    SetUp();
    SetQuoteSource(source);
    StartDzh("D:\\dzh2\\dzh.exe");
    sim::CreateWindow({"JysMain", "交易师 - 600036 - 招商银行", sim::AddProcess("C:\\jys\\jys.exe")});
    sim::Advance(300);
    ASSERT_NE(Label(), "");
    sim::ClearCalls();
    sim::Advance(1000);
    EXPECT_EQ(FileCalls(), 0) << static_cast<int>(source);
  }
}

std::string Records(std::initializer_list<Security> securities) {
  std::string bytes;
  for (const Security& security : securities) bytes += code_table::TnfRecord(security);
  return bytes;
}

// What a table file gives, as codes by name: cut and malformed files give
// what they hold whole and right; bjm.tnf, of unconfirmed layout, only when
// all of it is right.
TEST_F(TdxMode, ReadsCutAndMalformedTablesAsFarAsTheyAreRight) {
  const std::string header(kTnfHeaderSize, '\0');
  const std::string good = Records({{"600000", "浦发银行"}, {"600036", "招商银行"}});
  std::string badCode = Records({{"60A000", "浦发银行"}, {"600036", "招商银行"}});
  std::string longName = Records({{"600000", "浦发银行"}});
  longName.replace(kTnfNameOffset + 4, 4, "银行");  // eight bytes, no NUL
  std::string afterNul = Records({{"600000", "浦发"}});
  afterNul.replace(kTnfNameOffset + 5, 3, "XYZ");  // bytes after the NUL are not part of the name
  const struct {
    const char* what;
    const char* file;
    std::string bytes;
    std::vector<Security> found;
    bool used;
  } cases[] = {
      {"whole", "shm.tnf", header + good, {{"600000", "浦发银行"}, {"600036", "招商银行"}}, true},
      {"cut in a record", "shm.tnf", header + good.substr(0, kTnfRecordSize + 100), {{"600000", "浦发银行"}}, true},
      {"cut in the header", "shm.tnf", header.substr(0, 20), {}, true},
      {"a record with a bad code", "szm.tnf", header + badCode, {{"600036", "招商银行"}}, true},
      {"an empty name", "szm.tnf", header + Records({{"600000", ""}}), {}, true},
      {"a name of eight bytes", "szm.tnf", header + longName, {{"600000", "浦发银行"}}, true},
      {"bytes after the name's NUL", "szm.tnf", header + afterNul, {{"600000", "浦发"}}, true},
      {"bjm.tnf whole", "bjm.tnf", header + good, {{"600000", "浦发银行"}, {"600036", "招商银行"}}, true},
      {"bjm.tnf cut", "bjm.tnf", header + good + "x", {}, false},
      {"bjm.tnf with a bad code", "bjm.tnf", header + badCode, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TnfTable table(c.file);
    sim::WriteFile(kCache + c.file, c.bytes);
    EXPECT_TRUE(RefreshTnfTable(kCache + c.file, &table));
    EXPECT_EQ(table.used, c.used);
    EXPECT_EQ(table.records.size(), c.found.size());
    for (const Security& security : c.found) {
      std::string code;
      EXPECT_EQ(CountTnfRecords(&table, 1, security.name, &code), 1u) << security.name;
      EXPECT_EQ(code, security.code);
    }
    EXPECT_FALSE(RefreshTnfTable(kCache + c.file, &table)) << "unchanged";
    EXPECT_EQ(sim::OpenHandles(), 0);
  }

  // However large the file, the records kept stay bounded.
  std::string huge = header;
  const std::string record = code_table::TnfRecord({"600000", "浦发银行"});
  for (std::size_t i = 0; i < kMostTnfRecords + 500; ++i) huge += record;
  sim::WriteFile(kCache + "shm.tnf", huge);
  TnfTable table("shm.tnf");
  RefreshTnfTable(kCache + "shm.tnf", &table);
  EXPECT_EQ(table.records.size(), kMostTnfRecords);
}

}  // namespace
