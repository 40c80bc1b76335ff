// 通达信 mode: the chart title's name through the installation's name tables.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
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
using std::string_literals::operator""s;

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
  EXPECT_EQ(std::tie(AppState.tdx.mainWindow, AppState.tdx.folder), std::make_tuple(front.frame, "D:\\new_tdx"s));
  EXPECT_EQ(Label(), "000009");
  EXPECT_EQ(sim::TimerInterval(kQuoteTimerId), kPollInterval);

  // The trader brings the other forward, and back: the label follows within
  // a tick, each with its own tables.
  sim::BringToTop(back.frame);
  sim::Advance(100);
  EXPECT_EQ(AppState.tdx.mainWindow, back.frame);
  EXPECT_EQ(Label(), "600000");
  sim::BringToTop(front.frame);
  sim::ClearCalls();
  sim::Advance(100);
  EXPECT_EQ(Label(), "000009");
  EXPECT_EQ(CountCalls("SendMessageTimeoutA"), 2) << "its title alone, length and text";

  // Gone: the other one, a 32-bit program, takes its place at once; then
  // none is left, and the search runs every 10 s again.
  sim::EndProcess(front.process);
  sim::Advance(100);
  EXPECT_EQ(std::tie(AppState.tdx.mainWindow, AppState.tdx.folder), std::make_tuple(back.frame, "C:\\tdx"s));
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
  const auto twoFunds = write("shm.tnf", {{"510300", "沪深300ETF"}, {"510310", "沪深300ETF"}, {"600000", "浦发银行"}});
  const struct {
    std::string title, label;
    TdxOutcome outcome;
    int opened = 0;  // name files read for the title
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
      {TdxChartTitle("艾融软件"), "艾融软件", TdxOutcome::kNotListed, 0,
       write("shm.tnf", {{"510300", "沪深300ETF"}, {"600000", "浦发银行"}, {"601988", "郵储银行"}})},
      // Names longer than the field: listed cut at a character, found once.
      {TdxChartTitle("沪深300ETF"), "510300", TdxOutcome::kCode, 1},
      {TdxChartTitle("沪深300ETF联接"), "510300", TdxOutcome::kCode},
      {TdxChartTitle("郵储银行"), "601988", TdxOutcome::kCode, 0, twoFunds},  // 郵 ends in the byte of "]"
      {TdxChartTitle("沪深300ETF"), "沪深300ETF", TdxOutcome::kListedMoreThanOnce, 1,
       [] { sim::WriteFile(kCache + "infoharbor_ex.name", "1|510300|沪深300ETF华泰柏瑞\r\n0|000001|平安银行\r\n"); }},
      // The whole names where they are listed, and the tables for the rest.
      {TdxChartTitle("沪深300ETF华泰柏瑞"), "510300", TdxOutcome::kCode, 1},
      {TdxChartTitle("中证500ETF南方"), "中证500ETF南方", TdxOutcome::kNotListed, 0,
       write("shm.tnf", {{"510300", "沪深300ETF"}, {"510310", "沪深300ETF"}, {"600036", "招商银行"}})},
      // Rewritten with as many records: the same size, but written since.
      {TdxChartTitle("招商银行"), "600036", TdxOutcome::kCode, 1,
       [] { sim::WriteFile(kCache + "infoharbor_ex.name", "1|510300|沪深300ETF华泰柏瑞\r\n0|00001|平安银行\r\n"); }},
      // A list with a line that is not one is not taken at all.
      {TdxChartTitle("沪深300ETF华泰柏瑞"), "沪深300ETF华泰柏瑞", TdxOutcome::kListedMoreThanOnce, 1},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.title);
    sim::SetText(tdx.frame, step.title);
    sim::ClearCalls();
    sim::Advance(100);
    EXPECT_EQ(Label(), step.label);
    EXPECT_EQ(AppState.currentCode, step.label);
    EXPECT_EQ(AppState.tdx.outcome, step.outcome);
    EXPECT_EQ(CountCalls("GetFileAttributesExA"), TdxChartName(step.title).empty() ? 0 : 4)
        << "infoharbor_ex.name, shm, szm, bjm";
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

// A table of the 360-byte layout: the code at 0, the name at 31 (or where
// one script has it).
std::string Tnf360(const std::vector<Security>& securities, std::size_t nameAt = 31) {
  std::string table(kTnfHeaderSize, '\0');
  for (const Security& s : securities)
    table += (s.code + std::string(360, '\0')).substr(0, 360).replace(nameAt, s.name.size(), s.name);
  return table;
}

// What a table file gives, as codes by name: cut and malformed files give
// what they hold whole and right; bjm.tnf and the layouts no two readers
// agree on, only when all of it is right.
TEST_F(TdxMode, ReadsCutAndMalformedTablesAsFarAsTheyAreRight) {
  const std::string good = code_table::TnfTable({{"600000", "浦发银行"}, {"600036", "招商银行"}});
  const std::string first = good.substr(0, 50 + 314);
  const std::string badCode = code_table::TnfTable({{"60A000", "浦发银行"}, {"600036", "招商银行"}});
  std::string afterNul = code_table::TnfTable({{"600000", "浦发"}});
  afterNul.replace(50 + 23 + 5, 3, "XYZ");  // bytes after the NUL are not part of the name
  const std::string longNames = Tnf360({{"510300", "沪深300ETF华泰柏瑞"}, {"600036", "招商银行"}});
  // Just over the cap, every record right: only reading it all shows it whole.
  const std::uint64_t overCap = kTnfHeaderSize + (kMostTnfBytes / 314 + 1) * 314;
  // What, the layout (of kTnfLayouts), the file's bytes ("": over the cap),
  // the codes by name it gives, and whether the table is used.
  const std::tuple<const char*, int, std::string, std::vector<Security>, bool> cases[] = {
      {"whole", 0, good, {{"600000", "浦发银行"}, {"600036", "招商银行"}}, true},
      {"cut in a record", 0, good.substr(0, first.size() + 100), {{"600000", "浦发银行"}}, true},
      {"cut in the header", 0, good.substr(0, 20), {}, true},
      {"a record with a bad code", 1, badCode, {{"600036", "招商银行"}}, true},
      {"an empty name", 1, code_table::TnfTable({{"600000", ""}}), {}, true},
      {"a name of eight bytes, no NUL", 1, first, {{"600000", "浦发银行"}}, true},
      {"bytes after the name's NUL", 1, afterNul, {{"600000", "浦发"}}, true},
      {"bjm.tnf whole", 2, good, {{"600000", "浦发银行"}, {"600036", "招商银行"}}, true},
      {"bjm.tnf cut", 2, good + "x", {}, false},
      {"bjm.tnf with a bad code", 2, badCode, {}, false},
      {"a newer layout, whole", 3, longNames, {{"510300", "沪深300ETF华泰柏瑞"}, {"600036", "招商银行"}}, true},
      {"a newer layout, cut", 3, longNames.substr(0, longNames.size() - 1), {}, false},
      {"a newer layout read a byte off", 4, longNames.substr(0, 49) + longNames.substr(50) + '\0', {}, false},
      {"a newer layout with its names a byte before", 5, Tnf360({{"830799", "艾融软件"}}, 30), {}, false},
      {"bjm.tnf over the cap", 2, "", {}, false},
  };
  for (const auto& [what, layout, bytes, found, used] : cases) {
    SCOPED_TRACE(what);
    TnfTable table(kTnfLayouts[layout]);
    const std::string path = kCache + table.layout->fileName;
    bytes.empty() ? sim::WriteSparseFile(path, overCap, '1') : sim::WriteFile(path, bytes);
    EXPECT_TRUE(RefreshTnfTable(path, &table));
    EXPECT_EQ(std::make_pair(table.used, table.records.size()), std::make_pair(used, found.size()));
    for (const Security& security : found) {
      const TdxMatch match = MatchInTables(&table, 1, security.name);
      EXPECT_EQ(std::tie(match.count, match.code), std::make_tuple(std::size_t{1}, security.code)) << security.name;
    }
    EXPECT_FALSE(RefreshTnfTable(path, &table)) << "unchanged";
    EXPECT_EQ(sim::OpenHandles(), 0);
  }

  // However large the file, what is read of it stays bounded.
  sim::WriteSparseFile(kCache + "shm.tnf", overCap, '1');
  TnfTable table(kTnfLayouts[0]);
  RefreshTnfTable(kCache + "shm.tnf", &table);
  EXPECT_EQ(table.records.size(), (kMostTnfBytes - kTnfHeaderSize) / 314);
}

// A table that cannot be read when the chart changes (通达信 rewriting it)
// is read at the next change, though it has not changed since.  A newer
// version's tables are read where the older ones are not, and dropped when
// those come back.
TEST_F(TdxMode, ATableThatFailedIsReadAgainAndNewerLayoutsWhereTheOlderAreNot) {
  const TdxScene tdx = StartTdx(kTdxExe, "浦发银行");
  sim::FailOpen(kCache + "shm.tnf");
  sim::Advance(100);
  EXPECT_EQ(AppState.tdx.outcome, TdxOutcome::kNotListed);
  sim::FailOpen(kCache + "shm.tnf", false);
  const auto show = [&](const std::string& name) {
    sim::SetText(tdx.frame, TdxChartTitle(name));
    sim::Advance(100);
    return Label();
  };
  EXPECT_EQ(show("招商银行"), "600036");

  for (const std::string file : {"shm.tnf", "szm.tnf"}) sim::RenameOver(kCache + file, kCache + file + ".old");
  sim::WriteFile(kCache + "shs.tnf", Tnf360({{"510300", "沪深300ETF华泰柏瑞"}, {"600036", "招商银行"}}));
  EXPECT_EQ(show("沪深300ETF华泰柏瑞"), "510300");
  EXPECT_EQ(AppState.tdx.match.file, std::string("shs.tnf"));
  EXPECT_EQ(show("平安银行"), "平安银行");
  for (const std::string file : {"shm.tnf", "szm.tnf"}) sim::RenameOver(kCache + file + ".old", kCache + file);
  EXPECT_EQ(show("沪深300ETF华泰柏瑞"), "沪深300ETF华泰柏瑞");
  EXPECT_EQ(show("平安银行"), "000001");
}

}  // namespace
