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

constexpr const char* kTdxExe = "D:\\new_tdx\\TdxW.exe";
const std::string kCache = "D:\\new_tdx\\T0002\\hq_cache\\";

class TdxMode : public SimTest {
 protected:
  void SetUp() override {
    Restart();
    SetQuoteSource(QuoteSource::kTdx);
  }
  static std::string Label() { return sim::TextOf(sim::Bar().codeLabel); }
};

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
  CreateHidden({"TdxW_MainFrame_Class", TdxChartTitle("贵州茅台"), other});

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

// Each step a new title, read at the next tick: the tables' stamps are looked
// at, and a table read again only when its size or time changed.  Then the
// step's change to the tables, and a steady second that touches no file, nor
// the label, as the title stays.
TEST_F(TdxMode, FollowsTheChartTitleReadingTablesOnlyWhenChanged) {
  const TdxScene tdx = StartTdx(kTdxExe, "浦发银行");
  // 招商银行 also in szm.tnf: two records, no code.
  sim::WriteFile(kCache + "szm.tnf",
                 code_table::TnfTable({{"000001", "平安银行"}, {"000002", "万科Ａ"}, {"001979", "招商银行"}}));
  sim::Advance(100);
  ASSERT_EQ(Label(), "600000");
  const auto write = [](const char* file, std::vector<Security> securities) {
    return [=] { sim::WriteFile(kCache + file, code_table::TnfTable(securities)); };
  };
  const struct {
    std::string title, label;
    TdxOutcome outcome;
    int opened = 0;  // table files read for the title
    std::function<void()> then = [] {};
  } steps[] = {
      {TdxChartTitle("平安银行"), "000001", TdxOutcome::kCode},
      {"通达信金融终端V7.642 - [行情报价-沪深Ａ股]", "000001", TdxOutcome::kNotChart},
      {"通达信金融终端V7.642 - [版面-平安银行]", "000001", TdxOutcome::kNotChart},
      {TdxChartTitle("万科Ａ"), "000002", TdxOutcome::kCode},
      {TdxChartTitle("招商银行"), "招商银行", TdxOutcome::kListedMoreThanOnce},
      {TdxChartTitle("无此股票"), "无此股票", TdxOutcome::kNotListed},
      {"通达信金融终端V7.642 - [分析图表-浦发银行", "无此股票", TdxOutcome::kNotChart},
      {"", "无此股票", TdxOutcome::kNoTitle},
      {"招商证券智远一户通 - [分析图表-贵州茅台]", "600519", TdxOutcome::kCode},
      {TdxChartTitle("浦发银行"), "600000", TdxOutcome::kCode, 0,
       write("szm.tnf", {{"000001", "平安银行"}, {"000003", "浦发银行"}})},
      {TdxChartTitle("平安银行"), "000001", TdxOutcome::kCode, 1},
      {TdxChartTitle("浦发银行"), "浦发银行", TdxOutcome::kListedMoreThanOnce, 0,
       write("bjm.tnf", {{"830799", "艾融软件"}})},
      {TdxChartTitle("艾融软件"), "830799", TdxOutcome::kCode, 1, [] { sim::RemoveFile(kCache + "bjm.tnf"); }},
      {TdxChartTitle("平安银行"), "000001", TdxOutcome::kCode},
      {TdxChartTitle("艾融软件"), "艾融软件", TdxOutcome::kNotListed},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.title);
    sim::SetText(tdx.frame, step.title);
    sim::ClearCalls();
    sim::Advance(100);
    EXPECT_EQ(Label(), step.label);
    EXPECT_EQ(AppState.currentCode, step.label);
    EXPECT_EQ(AppState.tdx.outcome, step.outcome);
    EXPECT_EQ(CountCalls("GetFileAttributesExA"), TdxChartName(step.title).empty() ? 0 : 3);
    EXPECT_EQ(CountCalls("OpenExistingFileShared"), step.opened);
    EXPECT_EQ(CountCalls("ReadFile") > 0, step.opened > 0);
    step.then();
    sim::ClearCalls();
    sim::Advance(1000);
    EXPECT_EQ(FileCalls(), 0);
    EXPECT_EQ(Label(), step.label);
  }
  EXPECT_EQ(sim::OpenHandles(), 0);

  // Nor does a steady tick of the other modes.
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

// What a table file gives, as codes by name: cut and malformed files give
// what they hold whole and right; bjm.tnf, of unconfirmed layout, only when
// all of it is right.
TEST_F(TdxMode, ReadsCutAndMalformedTablesAsFarAsTheyAreRight) {
  const std::string good = code_table::TnfTable({{"600000", "浦发银行"}, {"600036", "招商银行"}});
  const std::string first = good.substr(0, kTnfHeaderSize + kTnfRecordSize);
  const std::string badCode = code_table::TnfTable({{"60A000", "浦发银行"}, {"600036", "招商银行"}});
  std::string afterNul = code_table::TnfTable({{"600000", "浦发"}});
  afterNul.replace(kTnfHeaderSize + kTnfNameOffset + 5, 3, "XYZ");  // bytes after the NUL are not part of the name
  const struct {
    const char* what;
    const char* file;
    std::string bytes;
    std::vector<Security> found;
    bool used = true;
  } cases[] = {
      {"whole", "shm.tnf", good, {{"600000", "浦发银行"}, {"600036", "招商银行"}}},
      {"cut in a record", "shm.tnf", good.substr(0, first.size() + 100), {{"600000", "浦发银行"}}},
      {"cut in the header", "shm.tnf", good.substr(0, 20), {}},
      {"a record with a bad code", "szm.tnf", badCode, {{"600036", "招商银行"}}},
      {"an empty name", "szm.tnf", code_table::TnfTable({{"600000", ""}}), {}},
      {"a name of eight bytes, no NUL", "szm.tnf", first, {{"600000", "浦发银行"}}},
      {"bytes after the name's NUL", "szm.tnf", afterNul, {{"600000", "浦发"}}},
      {"bjm.tnf whole", "bjm.tnf", good, {{"600000", "浦发银行"}, {"600036", "招商银行"}}},
      {"bjm.tnf cut", "bjm.tnf", good + "x", {}, false},
      {"bjm.tnf with a bad code", "bjm.tnf", badCode, {}, false},
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
  sim::WriteFile(kCache + "shm.tnf",
                 code_table::TnfTable(std::vector<Security>(kMostTnfRecords + 500, {"600000", "浦发银行"})));
  TnfTable table("shm.tnf");
  RefreshTnfTable(kCache + "shm.tnf", &table);
  EXPECT_EQ(table.records.size(), kMostTnfRecords);
}

}  // namespace
