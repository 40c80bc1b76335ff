// The program's own windows: where they stand, what they hold and what they
// report.  Styles, pixels and resources, which only real windows have, are
// tested in tests/win32.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "contract/fixture.h"

namespace contract {
namespace {

using namespace platform;
using Events = std::vector<std::string>;
constexpr unsigned kGwOwner = 4;

class OwnWindowsTest : public ContractTest {
 protected:
  void TearDown() override {
    for (Hwnd window : {keys.window, status.window, bar.bar})
      if (window > 0 && IsWindow(window)) world().Destroy(window);
    world().Pump(20);
    ContractTest::TearDown();
  }
  void SetUp() override {
    ContractTest::SetUp();
    bar = CreateMainBar();
    ASSERT_GT(bar.bar, 0);
  }
  // Where window stands from origin's top-left corner, itself at (x, y).
  static std::vector<int> PlaceIn(Hwnd origin, Hwnd window, int x = 0, int y = 0) {
    Rect o, r;
    GetWindowRect(origin, &o);
    GetWindowRect(window, &r);
    return {r.left - o.left + x, r.top - o.top + y, r.right - o.left + x, r.bottom - o.top + y};
  }
  // A window just made: centred on the screen, hidden, with its title.
  static void ExpectMadeCentredAndHidden(Hwnd window, int width, int height, const std::string& title) {
    Rect screen;
    GetWindowRect(GetDesktopWindow(), &screen);
    const int left = (screen.right - width) / 2, top = (screen.bottom - height) / 2;
    EXPECT_EQ(PlaceIn(GetDesktopWindow(), window), (std::vector<int>{left, top, left + width, top + height})) << title;
    EXPECT_FALSE(IsWindowVisible(window)) << title;
    EXPECT_EQ(GetWindowTextA(window, 256), title);
  }
  MainBarWindows bar;
  KeySettingsWindows keys;
  StatusWindows status;
};

TEST_F(OwnWindowsTest, TheBarIsCentredHiddenTopmostAndLaidOutWithItsMonitorsDpi) {
  ExpectMadeCentredAndHidden(bar.bar, 120, 24, "凌波助手");
  struct Case {
    Hwnd control;
    std::vector<int> place;
    const char* className;
    const char* text;
  } const cases[] = {
      {bar.buyButton, {0, 0, 30, 24}, "Button", "买"},
      {bar.codeLabel, {30, 0, 90, 24}, "LingboCodeLabel", ""},
      {bar.sellButton, {90, 0, 120, 24}, "Button", "卖"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlaceIn(bar.bar, c.control), c.place) << c.text;
    EXPECT_STRCASEEQ(GetClassNameA(c.control, 259).c_str(), c.className);
    EXPECT_EQ(GetWindowTextA(c.control, 10), c.text);
    EXPECT_EQ(GetParent(c.control), bar.bar);
  }
  Peer peer = Start({TopLevel("newer", "newer")});
  const std::vector<Hwnd> all = EnumWindows();
  const auto barAt = std::find(all.begin(), all.end(), bar.bar);
  EXPECT_LT(barAt, std::find(all.begin(), all.end(), peer["newer"])) << "a topmost window stays above new ones";

  // The screen's corners are on a monitor, a point far beyond them on none;
  // the test sessions run at 100 %.  A new font moves nothing.
  Rect screen;
  GetWindowRect(GetDesktopWindow(), &screen);
  EXPECT_TRUE(MonitorFromPoint({screen.left, screen.top}));
  EXPECT_TRUE(MonitorFromPoint({screen.right - 1, screen.bottom - 1}));
  EXPECT_FALSE(MonitorFromPoint({screen.right + 5000, screen.top}));
  EXPECT_FALSE(MonitorFromPoint({-30000, -30000}));
  EXPECT_EQ(GetDpiForWindow(bar.bar), 96u);
  SetFontForDpi(bar.bar, 144);
  EXPECT_EQ(PlaceIn(bar.bar, bar.codeLabel), (std::vector<int>{30, 0, 90, 24}));
  EXPECT_EQ(Reported(20), Events{}) << "no move may be reported while the bar is made, nor for a new font";

  // The tray menu keeps its marks.
  EXPECT_TRUE(IsTrayMenuItemChecked(TrayMenuItem::kDzh)) << "大智慧 is the default source";
  EXPECT_FALSE(IsTrayMenuItemChecked(TrayMenuItem::kTrader));
  CheckTrayMenuItem(TrayMenuItem::kDzh, false);
  CheckTrayMenuItem(TrayMenuItem::kTrader, true);
  CheckTrayMenuItem(TrayMenuItem::kExit, true);
  EXPECT_FALSE(IsTrayMenuItemChecked(TrayMenuItem::kDzh));
  EXPECT_TRUE(IsTrayMenuItemChecked(TrayMenuItem::kTrader));
  EXPECT_FALSE(IsTrayMenuItemChecked(TrayMenuItem::kExit)) << "退出 never carries a mark";
  CheckTrayMenuItem(TrayMenuItem::kDzh, true);
  CheckTrayMenuItem(TrayMenuItem::kTrader, false);
}

TEST_F(OwnWindowsTest, TheBarReportsTheUsersInputAndRealMoves) {
  Rect at;
  GetWindowRect(bar.bar, &at);
  ShowWindow(bar.bar, kSwShow);
  ASSERT_TRUE(ShellNotifyIconA(kNimAdd, {bar.bar, 100, kWmApp + 100, "凌波助手"}));
  Reported(10);
  struct Case {
    const char* what;
    std::function<void()> input;
    Events expected;
  } const cases[] = {
      {"click 买", [&] { world().Click(bar.buyButton); }, {"OnBuyClicked()"}},
      {"click 卖", [&] { world().Click(bar.sellButton); }, {"OnSellClicked()"}},
      {"double-click the code", [&] { world().DoubleClick(bar.codeLabel); }, {"OnCodeLabelDoubleClicked()"}},
      {"right button on the code", [&] { world().RightButtonDown(bar.codeLabel); }, {"OnCodeLabelRightButtonDown()"}},
      {"click the icon", [&] { world().TrayMouse(bar.bar, kWmLButtonUp); }, {"OnTrayMessage(514)"}},
      {"the icon's menu key", [&] { world().TrayMouse(bar.bar, kWmContextMenu); }, {"OnTrayMessage(123)"}},
      // Escape, by any way, leaves the bar alone.
      {"Escape at the bar", [&] { world().PressEscape(bar.bar); }, {}},
      {"Escape at 买", [&] { world().PressEscape(bar.buyButton); }, {}},
      {"a new taskbar", [&] { world().TaskbarCreated(bar.bar); }, {"OnTaskbarCreated()"}},
      {"no move", [&] { MoveWindow(bar.bar, at.left, at.top, 120, 24, true); }, {}},
      {"a move", [&] { MoveWindow(bar.bar, -500, 20, 120, 24, true); }, {"OnMainBarMoved()"}},
      {"minimised", [&] { ShowWindow(bar.bar, 6); }, {"OnMainBarMoved()"}},  // SW_MINIMIZE
  };
  for (const Case& c : cases) {
    c.input();
    EXPECT_EQ(Reported(10), c.expected) << c.what;
  }
  EXPECT_TRUE(IsWindow(bar.bar));
  ShowWindow(bar.bar, kSwShow);
  EXPECT_TRUE(IsIconic(bar.bar)) << "SW_SHOW does not restore";
  ShellNotifyIconA(kNimDelete, {bar.bar, 100, kWmApp + 100, ""});
}

// A combination is had once on the whole desktop: registered again, by
// another window or under another id, it is refused as it is when another
// program holds it.  Typed on the keyboard, it is reported to the bar.
TEST_F(OwnWindowsTest, AHotKeyIsHadOnceAndItsPressIsReportedToTheBar) {
  const unsigned ctrlAlt = kModControl | kModAlt, f24 = 0x87;
  ASSERT_TRUE(RegisterHotKey(bar.bar, 7, ctrlAlt, f24));
  EXPECT_FALSE(RegisterHotKey(bar.bar, 8, ctrlAlt, f24));
  EXPECT_TRUE(RegisterHotKey(bar.bar, 8, ctrlAlt | kModShift, f24)) << "another combination";
  EXPECT_TRUE(UnregisterHotKey(bar.bar, 8));
  EXPECT_FALSE(UnregisterHotKey(bar.bar, 8));
  Reported(20);

  world().PressHotKey(ctrlAlt, f24);
  EXPECT_EQ(Reported(100), Events{"OnHotKey(7)"});
  EXPECT_TRUE(UnregisterHotKey(bar.bar, 7));
  EXPECT_TRUE(RegisterHotKey(bar.bar, 9, ctrlAlt, f24)) << "free again";
  EXPECT_TRUE(UnregisterHotKey(bar.bar, 9));
}

TEST_F(OwnWindowsTest, TheBarsTimerTicksUntilKilledAndItsEndIsReported) {
  ASSERT_TRUE(SetTimer(bar.bar, 7, 10));
  const Events ticks = Reported(100);
  ASSERT_FALSE(ticks.empty());
  EXPECT_EQ(ticks.front(), "OnTimer(7)");
  ASSERT_TRUE(KillTimer(bar.bar, 7));
  Reported(20);
  EXPECT_EQ(Reported(60), Events{}) << "a killed timer keeps quiet";
  world().Destroy(bar.bar);
  Events ended{"OnMainBarDestroyed()"};
  if (world().BarEndsTheLoop()) ended.push_back("WM_QUIT");
  EXPECT_EQ(Reported(10), ended) << "the loop ends with the bar";
}

TEST_F(OwnWindowsTest, TheKeySettingsWindowIsLaidOutReportsEachChangeOnceAndEscapeClosesIt) {
  keys = CreateKeySettingsWindow();
  ASSERT_GT(keys.window, 0);
  ExpectMadeCentredAndHidden(keys.window, 253, 150, "功能键设置");
  const Hwnd owner = GetWindow(keys.window, kGwOwner);
  ASSERT_GT(owner, 0);
  EXPECT_NE(owner, bar.bar) << "owned by the topmost bar it would float above everything";
  EXPECT_FALSE(IsWindowVisible(owner));

  const std::string note = "键码表： \r\n\r\nF1[112],F2[113]\r\n\r\nF3[114],F4[115]\r\n\r\n依此类推”";
  struct Case {
    const char* className;
    std::vector<int> place;  // in the client area
    std::string text;
    Hwnd handle;  // 0: not handed out
  } const cases[] = {
      {"Static", {8, 7, 48, 32}, "买入键", 0},  {"Edit", {58, 7, 128, 32}, "", keys.buyBox},
      {"Static", {8, 37, 48, 62}, "卖出键", 0}, {"Edit", {58, 37, 128, 62}, "", keys.sellBox},
      {"Static", {8, 67, 48, 92}, "功能键", 0}, {"Edit", {58, 67, 128, 92}, "", keys.functionBox},
      {"Static", {136, 6, 240, 97}, note, 0},   {"Button", {11, 96, 235, 120}, "配置文件", 0},
  };
  // Places are measured from the first control, which stands at (8, 7).
  const Hwnd first = GetWindow(keys.window, kGwChild);
  Hwnd child = first, fileButton = 0;
  for (const Case& c : cases) {
    ASSERT_GT(child, 0) << c.text;
    EXPECT_STRCASEEQ(GetClassNameA(child, 32).c_str(), c.className);
    EXPECT_EQ(PlaceIn(first, child, 8, 7), c.place) << c.text;
    EXPECT_EQ(GetWindowTextA(child, 256), c.text);
    if (c.handle) {
      EXPECT_EQ(child, c.handle);
    }
    fileButton = child;
    child = GetWindow(child, kGwHwndNext);
  }
  EXPECT_EQ(child, 0) << "no further controls";

  ShowWindow(keys.window, kSwShow);
  SetWindowTextA(keys.buyBox, "112");
  SetWindowTextA(keys.sellBox, "113");
  SetWindowTextA(keys.functionBox, "F5");
  world().Click(fileButton);
  EXPECT_EQ(Reported(10),
            (Events{"OnBuyKeyChanged()", "OnSellKeyChanged()", "OnFunctionKeyChanged()", "OnSettingsFileClicked()"}));
  EXPECT_EQ(GetWindowTextA(keys.functionBox, 16), "F5");

  world().PressEscape(keys.sellBox);
  EXPECT_EQ(Reported(20), Events{"OnKeySettingsClosed()"});
  EXPECT_FALSE(IsWindow(keys.window));
  EXPECT_TRUE(IsWindow(bar.bar));
  world().PressEscape(keys.sellBox);
  EXPECT_EQ(Reported(10), Events{}) << "reported once";
}

// An ordinary window: no owner to float above with, its text replaced only
// when it changes, "复制" reported, Escape closing it even from the text.
TEST_F(OwnWindowsTest, TheStatusWindowIsOrdinaryAndEscapeClosesItFromItsText) {
  status = CreateStatusWindow();
  ASSERT_GT(status.window, 0);
  ExpectMadeCentredAndHidden(status.window, 520, 600, "凌波助手 状态");
  EXPECT_EQ(GetWindow(status.window, kGwOwner), 0);
  EXPECT_STRCASEEQ(GetClassNameA(status.text, 32).c_str(), "Edit");
  EXPECT_EQ(GetWindowTextA(status.copyButton, 32), "复制");
  ShowWindow(status.window, kSwShow);

  const std::string text = "交易程序：已找到\r\n响应：正常\r\n";
  UpdateEditText(status.text, text);
  UpdateEditText(status.text, text);
  EXPECT_EQ(GetWindowTextA(status.text, 256), text);
  world().Click(status.copyButton);
  EXPECT_EQ(Reported(10), Events{"OnStatusCopyClicked()"});

  world().PressEscape(status.text);
  EXPECT_EQ(Reported(50), Events{"OnStatusClosed()"});
  EXPECT_FALSE(IsWindow(status.window));
  EXPECT_TRUE(IsWindow(bar.bar));
}

}  // namespace
}  // namespace contract
