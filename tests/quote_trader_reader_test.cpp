#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/sim/sim.h"
#include "quote/trader_reader.h"
#include "support/test_fixture.h"

namespace {

using platform::Hwnd;

// 乕 ends in the byte of '[', 乚 in that of ']'.
static_assert("乕"[1] == '[' && "乚"[1] == ']', "sources must be compiled to GBK");

TEST(TextBetween, CutsBetweenTheFirstMarkersInGbkSteps) {
  // The text, the start and end markers, and what stands between them.
  const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
      {"交易师 - 600036 - 招商银行", " - ", " - ", "600036"},
      {"a - b - c - d", " - ", " - ", "b"},
      {"a - - b", " - ", " - ", ""},   // the end marker must come after the start
      {"a -  - b", " - ", " - ", ""},  // nothing between the markers
      {"a - b", " - ", " - ", ""},     // no end marker
      {"a b", " - ", " - ", ""},       // no start marker
      {"[SH600036]", "[", "]", "SH600036"},
      {"乕600036乚[SZ000002]", "[", "]", "SZ000002"},
      {"[乕乚]", "[", "]", "乕乚"},
      {"xxSTARTabcEND", "start", "end", "abc"},  // markers fold ASCII case
      {"圓A", "a", "z", ""},                     // a trail byte 'A' is no letter
  };
  for (const auto& [text, start, end, between] : cases)
    EXPECT_EQ(TextBetween(text, start, end), between) << text << " / " << start << end;
}

class TraderReader : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    process_ = sim::AddProcess("C:\\jys\\jys.exe");
  }
  // 交易师's main window with the given title, and above it in the Z order an
  // owned window that carries the marker.
  Hwnd ShowTrader(const std::string& mainTitle) {
    const Hwnd main = sim::CreateWindow({"JysMain", mainTitle, process_});
    sim::CreateWindow({"JysPanel", "交易师 提示", process_, 0, 0, main});
    return main;
  }
  std::uint32_t process_ = 0;
};

TEST_F(TraderReader, CutsTheCodeOutOfTheRootOwnersTitle) {
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"dash form", "行情 - 600036 - 招商银行", "600036"},
      {"five digits: the brackets are not tried", "行情 - 60003 - 招商银行 [SH600036]", ""},
      {"one dash and a bracket", "招商银行 - 行情 [SH600036]", "600036"},
      {"a name in the dash position", "行情 - 招商银行 - [SH600036]", "600036"},
      {"a bracket shorter than six bytes", "行情 [600]", ""},
      {"a bracket of six bytes that are no number", "行情 [SH6000]", ""},
      {"a code of value 1", "行情 - 000001 - 平安银行", "000001"},
      {"trail bytes that look like brackets", "乕600036乚 [SZ000002]", "000002"},
      {"no code at all", "交易师", ""},
      {"a zero code", "行情 - 000000 - x [SH600036]", "600036"},
      {"seven digits: no code, the brackets are not tried", "行情 - 6000361 - x [SH600036]", ""},
  };
  for (const auto& [what, title, code] : cases) {
    SetUp();
    ShowTrader(title);
    EXPECT_EQ(ReadTraderCode(), code) << what;
  }
}

// A window alone: without the marker it is no 交易师; with it, it may carry
// the code itself.  The topmost marked window counts, hidden or not.
TEST_F(TraderReader, TakesTheTopmostMarkedWindowHiddenOrNot) {
  sim::CreateWindow({"Other", "行情 - 600036 - 招商银行", process_});
  EXPECT_EQ(ReadTraderCode(), "");
  EXPECT_EQ(FindWindowByTitleFragment("交易师"), -1);
  sim::CreateWindow({"JysMain", "交易师 - 600519 - 贵州茅台", process_});
  EXPECT_EQ(ReadTraderCode(), "600519");
  ShowTrader("行情 - 600036 - 招商银行");
  EXPECT_EQ(ReadTraderCode(), "600036");
  const Hwnd top = CreateHidden({"JysMain", "旧交易师 - 000002 - 万科Ａ", process_});
  EXPECT_EQ(FindWindowByTitleFragment("交易师"), top);
  EXPECT_EQ(ReadTraderCode(), "000002");
}

// The title's reported length is not trusted, and a hung 交易师 costs at most
// the length's time-out.
TEST_F(TraderReader, DistrustsTheReportedLengthAndAHungTrader) {
  const Hwnd main = ShowTrader("行情 - 600036 - 招商银行");
  const std::pair<std::intptr_t, std::string> cases[] = {
      {-1, ""}, {65536, ""}, {std::intptr_t{1} << 40, ""}, {7, "行情 - "}, {0, ""}, {65535, "行情 - 600036 - 招商银行"},
  };
  for (const auto& [length, text] : cases) {
    sim::SetReportedTextLength(main, length);
    EXPECT_EQ(GetWindowTextTimeout(main), text) << length;
  }
  EXPECT_EQ(GetWindowTextTimeout(0), "");

  sim::SetHung(sim::MainThreadOf(process_));
  const std::uint64_t before = sim::Now();
  EXPECT_EQ(GetWindowTextTimeout(main), "");
  EXPECT_EQ(ReadTraderCode(), "");
  EXPECT_LE(sim::Now() - before, 2 * 100u);
}

TEST_F(TraderReader, ListsEveryTopLevelWindowInZOrder) {
  const Hwnd bottom = sim::CreateWindow({"A", "底", process_});
  const Hwnd middle = CreateHidden({"B", std::string(300, 'x'), process_});
  const Hwnd top = sim::CreateWindow({"C", "顶", process_});
  const auto entries = ListTopLevelWindows();
  ASSERT_GE(entries.size(), 3u);
  EXPECT_EQ(std::tie(entries[0].window, entries[1].window, entries[2].window), std::tie(top, middle, bottom));
  EXPECT_EQ(entries[0].title, "顶");
  EXPECT_EQ(entries[1].title, std::string(254, 'x'));
}

}  // namespace
