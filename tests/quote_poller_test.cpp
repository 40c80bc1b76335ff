#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/app_state.h"
#include "app/main_bar.h"
#include "app/quote_poller.h"
#include "platform/sim/sim.h"
#include "settings/settings.h"
#include "support/calls.h"
#include "support/code_table.h"
#include "support/dzh_scene.h"
#include "support/test_fixture.h"

namespace {

using platform::Hwnd;

constexpr const char* kDzhExe = "D:\\dzh2\\dzh.exe";

class QuotePoller : public SimTest {
 protected:
  void SetUp() override { Restart(); }
  static std::string Label() { return sim::TextOf(sim::Bar().codeLabel); }
  static unsigned Interval() { return sim::TimerInterval(kQuoteTimerId); }
  // The code held, when the label shows the same.
  static std::string Shown() {
    return AppState.currentCode == Label() ? Label() : AppState.currentCode + "/" + Label();
  }
  static auto Attached() { return std::tie(AppState.dzh.mainWindow, AppState.dzh.mdiClient, AppState.dzh.exePath); }
};

// Searched for every 10 s while absent; attached on one tick, the code read
// on the next; followed through a restart.
TEST_F(QuotePoller, AttachesOnOneTickReadsTheCodeOnTheNextAndFollowsARestart) {
  sim::Advance(100);
  EXPECT_EQ(Interval(), kDzhRetryInterval);
  const DzhScene first = StartDzh(kDzhExe);
  sim::Advance(kDzhRetryInterval - 1);
  EXPECT_EQ(AppState.dzh.mainWindow, 0);
  sim::Advance(1);
  EXPECT_EQ(Attached(), std::make_tuple(first.frame, first.mdiClient, std::string(kDzhExe)));
  EXPECT_EQ(Shown(), "");
  EXPECT_EQ(Interval(), kPollInterval);

  sim::Advance(100);
  EXPECT_EQ(Shown(), "600000");
  EXPECT_EQ(ReadSetting(kCodeCacheSection, "浦发银行", ""), "600000");

  sim::BringToTop(first.documents[1]);
  sim::Advance(100);
  EXPECT_EQ(Shown(), "000001");
  EXPECT_EQ(Interval(), kPollInterval);

  // An empty or missing document changes nothing.
  sim::SetText(first.documents[1], "");
  sim::Advance(100);
  EXPECT_EQ(AppState.currentCode, "000001");
  for (Hwnd document : first.documents) sim::DestroyWindow(document);
  sim::Advance(100);
  EXPECT_EQ(Shown(), "000001");
  EXPECT_EQ(Interval(), kPollInterval);

  sim::EndProcess(first.process);
  sim::Advance(100);
  EXPECT_EQ(AppState.dzh.mainWindow, 0);
  EXPECT_EQ(Interval(), kDzhRetryInterval);
  EXPECT_EQ(Shown(), "000001");

  const DzhScene second = StartDzh("E:\\新大智慧\\dzh.exe", "大智慧", 1, {"贵州茅台"});
  // Listed after the table chosen before, which is kept while it is there.
  sim::WriteFile("E:\\新大智慧\\data\\sh\\STKINFO70.DAT", code_table::Table({{"600999", "贵州茅台"}}));
  sim::Advance(kDzhRetryInterval);
  EXPECT_EQ(Attached(), std::make_tuple(second.frame, second.mdiClient, std::string("E:\\新大智慧\\dzh.exe")));
  sim::Advance(100);
  EXPECT_EQ(Label(), "600519");
}

TEST_F(QuotePoller, KeepsDzhAttachedThroughAStayWithTheOtherSource) {
  const DzhScene dzh = StartDzh(kDzhExe);
  sim::Advance(200);
  ASSERT_EQ(Label(), "600000");

  ChooseQuoteSource(platform::TrayMenuItem::kTrader);
  sim::Advance(100);
  EXPECT_EQ(AppState.currentCode, "");  // no 交易师 running
  EXPECT_EQ(Label(), "600000");         // the label never goes blank
  EXPECT_EQ(AppState.dzh.mainWindow, dzh.frame);

  sim::CreateWindow({"JysMain", "交易师 - 600036 - 招商银行", sim::AddProcess("C:\\jys\\jys.exe")});
  sim::Advance(100);
  EXPECT_EQ(Label(), "600036");
  EXPECT_EQ(Interval(), kPollInterval);

  ChooseQuoteSource(platform::TrayMenuItem::kDzh);
  sim::BringToTop(dzh.documents[1]);
  sim::ClearCalls();
  sim::Advance(100);
  EXPECT_EQ(Label(), "000001");
  EXPECT_EQ(CountCalls("EnumWindows"), 0) << "an attached 大智慧 is not searched for again";
}

// The first visible window whose title begins with 大智慧 and that has an
// MDIClient among its first forty children.
TEST_F(QuotePoller, AttachesToTheFirstQualifyingWindow) {
  for (const int position : {1, 40, 41}) {
    SetUp();
    const DzhScene dzh = StartDzh(kDzhExe, "大智慧", position);
    sim::Advance(100);
    EXPECT_EQ(AppState.dzh.mainWindow, position <= 40 ? dzh.frame : 0) << position;
    EXPECT_EQ(Interval(), position <= 40 ? kPollInterval : kDzhRetryInterval) << position;
  }

  SetUp();
  const DzhScene wanted = StartDzh(kDzhExe, "大智慧 - 行情", 2);
  // Created later, so above it in the Z order.
  const std::uint32_t other = sim::AddProcess("C:\\other\\other.exe");
  sim::CreateWindow({"Frame", "大智慧 资讯", other});  // no MDIClient
  for (const Hwnd frame : {sim::CreateWindow({"Frame", "新版大智慧", other}), CreateHidden({"Frame", "大智慧", other})})
    sim::CreateWindow({"MDIClient", "", other, 0, frame});

  sim::Advance(100);
  EXPECT_EQ(Attached(), std::make_tuple(wanted.frame, wanted.mdiClient, std::string(kDzhExe)));
}

TEST_F(QuotePoller, AnUninspectableDzhFallsBackToTheTitle) {
  const DzhScene dzh = StartDzh(kDzhExe);
  sim::DenyOpenProcess(dzh.process);
  sim::Advance(200);
  EXPECT_EQ(AppState.dzh.exePath, "");
  EXPECT_EQ(Shown(), "浦发银行");
}

// A cached title needs no table.  While the front document stays, a tick
// touches no file at all, whatever happens to new.ini meanwhile (a hand edit
// takes effect at the next start); another document in front brings the
// cache lookup back.
TEST_F(QuotePoller, ASteadyTickTouchesNoFileUntilTheTitleChanges) {
  const DzhScene dzh = StartDzh(kDzhExe);
  WriteSetting(kCodeCacheSection, "浦发银行", "600001");
  WriteSetting(kCodeCacheSection, "平安银行", "000001");
  sim::Advance(100);
  sim::ClearCalls();
  sim::Advance(100);
  ASSERT_EQ(Label(), "600001");
  for (const sim::Call& call : sim::Calls()) EXPECT_EQ(call.text.find("STKINFO"), std::string::npos) << call.text;

  const std::pair<const char*, std::function<void()>> edits[] = {
      {"nothing", [] {}},
      {"a hand edit of the same length",
       [] {
         std::string ini = sim::FileContent(SettingsPath());
         ini.replace(ini.find("600001"), 6, "600002");
         sim::WriteFile(SettingsPath(), ini);
       }},
      {"another entry written by a second instance", [] { WriteSetting(kCodeCacheSection, "万科Ａ", "000002"); }},
      {"new.ini deleted", [] { sim::RemoveFile(SettingsPath()); }},
  };
  for (const auto& [change, make] : edits) {
    make();
    sim::ClearCalls();
    sim::Advance(1000);
    EXPECT_EQ(FileCalls(), 0) << change;
    EXPECT_EQ(Label(), "600001") << change;
  }

  sim::SetText(dzh.documents[0], "平安银行");
  sim::ClearCalls();
  sim::Advance(100);
  EXPECT_GE(CountCalls("GetPrivateProfileStringA"), 1);
  EXPECT_EQ(Label(), "000001");
  sim::SetText(dzh.documents[0], "浦发银行");
  sim::Advance(100);
  EXPECT_EQ(Label(), "600000") << "new.ini is gone: resolved through the tables";
  sim::ClearCalls();
  sim::Advance(500);
  EXPECT_EQ(FileCalls(), 0);
}

// A slow tick (here a hung document window, read within its bound) arms its
// timer once, at its end, so it is followed one interval later; a quick one
// leaves the running timer alone, which ticks an interval on.
TEST_F(QuotePoller, ASlowTickArmsItsTimerAtItsEndAQuickOneLeavesIt) {
  const DzhScene dzh = StartDzh(kDzhExe);
  WriteSetting(kCodeCacheSection, "浦发银行", "600000");
  std::vector<std::uint64_t> starts;
  sim::OnTick([&](unsigned) { starts.push_back(sim::Now()); });
  sim::Advance(200);
  ASSERT_EQ(Label(), "600000");
  for (const bool hung : {false, true}) {
    SCOPED_TRACE(hung ? "hung" : "answering");
    sim::SetHung(sim::MainThreadOf(dzh.process), hung);
    starts.clear();
    sim::ClearCalls();
    sim::Advance(2000);
    ASSERT_GE(starts.size(), 2u);
    EXPECT_EQ(CountCalls("SetTimer"), hung ? static_cast<int>(starts.size()) : 0);
    EXPECT_EQ(CountCalls("KillTimer"), 0);
    const std::uint64_t tickLength = hung ? 500 : 0;
    for (std::size_t i = 1; i < starts.size(); ++i) EXPECT_EQ(starts[i] - starts[i - 1], tickLength + 100) << i;
  }
}

TEST_F(QuotePoller, FindChildByPathFollowsPositions) {
  const DzhScene dzh = StartDzh(kDzhExe, "大智慧", 3, {"一", "二"});
  const std::pair<const char*, Hwnd> found[] = {{"1", platform::FindWindowExA(dzh.frame, 0)},
                                                {"3", dzh.mdiClient},
                                                {"3-1", dzh.documents[0]},
                                                {"3-2", dzh.documents[1]}};
  for (const auto& [path, window] : found) EXPECT_EQ(FindChildByPath(dzh.frame, path), window) << path;
  for (const char* path : {"3-3", "4", "", "0", "3-0", "1-1", "-1", "3-"})
    EXPECT_EQ(FindChildByPath(dzh.frame, path), 0) << '"' << path << '"';
}

}  // namespace
