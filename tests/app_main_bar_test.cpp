// Start-up, the bar's handlers, its timer and the tray icon and menu.
#include <initializer_list>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/app_state.h"
#include "app/main_bar.h"
#include "app/status_window.h"
#include "platform/events.h"
#include "settings/settings.h"
#include "support/calls.h"
#include "support/client_scene.h"
#include "support/test_fixture.h"

namespace {

using platform::TrayMenuItem;

class MainBarTest : public SimTest {
 protected:
  // 交易师 chosen as the source, its chart of 600036 in front, and the
  // program started with these further lines of "软件设置".
  static platform::Hwnd StartOnTraderChart(const std::string& settings = "") {
    const platform::Hwnd chart =
        sim::CreateWindow({"JysMain", "交易师 - 600036 - 招商银行", sim::AddProcess("C:\\chart\\trader.exe")});
    sim::WriteFile(IniPath(), "[软件设置]\r\n数据源=1\r\n" + settings);
    StartProgram();
    sim::SetForeground(chart);
    sim::Advance(100);
    return chart;
  }
  // A desktop of its own with a trading client whose order form each of the
  // keys opens.
  ClientScene FreshClient(std::initializer_list<std::int32_t> keys = {112}, bool minimized = false) {
    SimTest::SetUp();
    const ClientScene client = AddTradingClient("Edit", minimized);
    for (const std::int32_t key : keys) OpenFormOnKey(client, key, 10);
    return client;
  }
};

TEST_F(MainBarTest, FirstStartShowsTheBarAndWritesTheDefaults) {
  StartProgram();
  const platform::Rect rect = BarRect();
  EXPECT_EQ((std::vector<int>{rect.left, rect.top, rect.right, rect.bottom}), (std::vector<int>{100, 100, 220, 124}));
  EXPECT_TRUE(platform::IsWindowVisible(MainBar().bar));
  EXPECT_FALSE(sim::IsMinimized(MainBar().bar));
  EXPECT_EQ(ArgumentsOf("ApplyVisualStyle"), std::vector<std::string>{"3"});
  EXPECT_EQ(sim::TimerInterval(kQuoteTimerId), 100u);
  EXPECT_EQ(AppState.tradingClient, 0);
  EXPECT_EQ(GetQuoteSource(), QuoteSource::kDzh);
  EXPECT_FALSE(platform::IsTrayMenuItemChecked(TrayMenuItem::kTrader));

  const IniEntries expected = {{"键码表", "F1[112],F2[113],F3[114],F4[115],依此类推"},
                               {"买入键", "112"},
                               {"卖出键", "113"},
                               {"功能键", "114"},
                               {"左边", "100"},
                               {"顶边", "100"}};
  EXPECT_EQ(IniSection(kSettingsSection), expected);

  // A restarted shell has lost the icon; a taskbar that only redrew itself
  // still holds it, drawn for the old one: either way it is shown afresh.
  for (const int shellRestarted : {-1 /* no new taskbar yet */, 0, 1}) {
    if (shellRestarted >= 0) sim::BroadcastTaskbarCreated(shellRestarted);
    const sim::TrayState t = sim::Tray();
    EXPECT_EQ(std::make_tuple(t.present, t.stale, t.icon.owner, t.icon.id, t.icon.callbackMessage, t.icon.tip),
              std::make_tuple(true, false, MainBar().bar, 100u, platform::kWmApp + 100, std::string("凌波助手")))
        << shellRestarted;
  }
}

// Each gesture presses its own key.  "输入方式" 1 in new.ini: the code is
// typed, never replaced.
TEST_F(MainBarTest, GesturesPressTheirOwnKeysAndTheCodeEntrySettingReachesThem) {
  const ClientScene client = FreshClient({116});
  sim::WriteFile(IniPath(), "[软件设置]\r\n买入键=116\r\n卖出键=117\r\n功能键=118\r\n输入方式=1\r\n");
  StartProgram();
  EXPECT_EQ(AppState.tradingClient, client.window);  // looked for once at start
  AppState.currentCode = "600000";
  const platform::MainBarWindows bar = MainBar();
  // Where, whether a double click, the key pressed, the button kept, ms from the click to the action's end, how
  // the code went in.
  const std::tuple<platform::Hwnd, bool, std::uintptr_t, ActionButton, int, CodeWritten> cases[] = {
      {bar.buyButton, false, 116, ActionButton::kBuy, 240 + 1, CodeWritten::kPostedBySetting},
      {bar.sellButton, false, 117, ActionButton::kSell, 240 + 1, CodeWritten::kPostedBySetting},
      {bar.codeLabel, true, 118, ActionButton::kFunctionKey, 20 + 1, CodeWritten::kNotTried}};
  for (const auto& [target, doubleClick, key, button, sinceClick, written] : cases) {
    SCOPED_TRACE(key);
    const std::size_t seen = sim::Received(client.window).size();
    sim::SetText(client.codeField, "999999");
    doubleClick ? sim::DoubleClick(target) : sim::Click(target);
    sim::Advance(1);
    std::vector<std::uintptr_t> keysDown;
    const std::vector<sim::Message> received = sim::Received(client.window);
    for (std::size_t i = seen; i < received.size(); ++i)
      if (received[i].message == platform::kWmKeyDown) keysDown.push_back(received[i].wParam);
    EXPECT_EQ(keysDown, std::vector<std::uintptr_t>{key});
    // Kept for the trader: which button, when, and the key posted.
    const ActionRecord& last = AppState.lastAction;
    EXPECT_TRUE(last.happened);
    EXPECT_EQ(last.button, button);
    EXPECT_EQ(last.outcome.key, static_cast<std::int32_t>(key));
    EXPECT_EQ(last.outcome.pressed, KeyPressed::kPosted);
    const auto ms = [](const platform::LocalTime& t) {
      return ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.milliseconds;
    };
    EXPECT_EQ(ms(platform::GetLocalTime()) - ms(last.at), sinceClick)
        << "stamped when the click came, before the action's pauses and looks";
    EXPECT_EQ(last.outcome.written, written);
    EXPECT_EQ(sim::TextOf(client.codeField), doubleClick ? "999999" : "600000");
  }
  for (const sim::Message& m : sim::Received(client.codeField)) EXPECT_NE(m.message, platform::kEmReplaceSel);
}

// A hot key runs what a click on its button runs, wherever the trader is:
// the chart in front, the bar hidden.  The trader's modifiers are still down
// when it comes; no key goes to the client until they are let go, within the
// click's clock.  One pressed during an action runs after it.
TEST_F(MainBarTest, AHotKeyIsAClickOnItsButton) {
  constexpr unsigned kCtrlAlt = platform::kModControl | platform::kModAlt;
  enum class Before { kNothing, kBarHidden, kClickOnBuy, kKeySettingsOpen };
  const struct {
    const char* what;
    unsigned vk;
    std::uint64_t held;  // the modifiers, from the press
    Before before;
    std::vector<std::uintptr_t> keys;  // posted to the client, in order
    std::optional<Stopped> stopped;    // none: no action at all
    std::uint64_t keyAt;               // from the press to the key posted
  } cases[] = {
      {"buy, let go at once", 'B', 0, Before::kNothing, {112}, Stopped::kNot, 30},
      {"sell", 'S', 0, Before::kNothing, {113}, Stopped::kNot, 30},
      {"modifiers held past the clock", 'B', 5000, Before::kNothing, {}, Stopped::kModifierHeld, 0},
      {"let go at 300 ms", 'B', 300, Before::kNothing, {112}, Stopped::kNot, 300},
      {"the bar hidden", 'B', 0, Before::kBarHidden, {112}, Stopped::kNot, 30},
      {"sell during a click on 买", 'S', 0, Before::kClickOnBuy, {112, 113}, Stopped::kNot, 30},
      {"the key settings window open", 'B', 0, Before::kKeySettingsOpen, {}, std::nullopt, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ClientScene client = FreshClient({112, 113});
    StartOnTraderChart("买入热键=Ctrl+Alt+B\r\n卖出热键=Ctrl+Alt+S\r\n");
    ASSERT_EQ(AppState.currentCode, "600036");
    sim::SetText(client.codeField, "999999");
    if (c.before == Before::kBarHidden) sim::TrayMouse(platform::kWmLButtonUp);
    if (c.before == Before::kKeySettingsOpen) sim::RightButtonDown(MainBar().codeLabel);
    ASSERT_EQ(platform::IsWindowVisible(MainBar().bar), c.before != Before::kBarHidden);
    const std::size_t seen = sim::Received(client.window).size();

    std::uint64_t pressed = sim::Now(), clickEnded = 0;
    if (c.before == Before::kClickOnBuy) {
      sim::At(100, [&pressed, c] { pressed = sim::Now(), sim::PressHotKey(kCtrlAlt, c.vk, c.held); });
      sim::Click(MainBar().buyButton);
      clickEnded = sim::Now();
    } else {
      sim::PressHotKey(kCtrlAlt, c.vk, c.held);
    }
    sim::Advance(6000);

    std::vector<std::uintptr_t> keys;
    std::uint64_t lastKeyAt = 0;
    const std::vector<sim::Message> received = sim::Received(client.window);
    for (std::size_t i = seen; i < received.size(); ++i)
      if (received[i].message == platform::kWmKeyDown) keys.push_back(received[i].wParam), lastKeyAt = received[i].time;
    EXPECT_EQ(keys, c.keys);
    if (!keys.empty()) {
      EXPECT_EQ(lastKeyAt - std::max(pressed, clickEnded), c.keyAt) << "after the action under way";
    }
    EXPECT_EQ(sim::TextOf(client.codeField), keys.empty() ? "999999" : "600036");
    const ActionRecord& last = AppState.lastAction;
    EXPECT_EQ(last.happened, c.stopped.has_value());
    if (!last.happened) continue;
    EXPECT_TRUE(last.byHotKey);
    EXPECT_EQ(last.button, c.vk == 'B' ? ActionButton::kBuy : ActionButton::kSell);
    EXPECT_EQ(last.outcome.stopped, *c.stopped);
    EXPECT_EQ(last.outcome.written, c.stopped == Stopped::kNot ? CodeWritten::kReplaced : CodeWritten::kNotTried);
    const std::string status = StatusText();
    EXPECT_NE(status.find(c.vk == 'B' ? " 买（热键）" : " 卖（热键）"), std::string::npos);
    if (c.stopped == Stopped::kModifierHeld) {
      EXPECT_NE(status.find("按键：未按\r\n  结果：未按键：Shift、Ctrl、Alt 或 Windows 键一直按着"), std::string::npos)
          << status;
    }
  }
}

// Each hot key is registered at start-up for the bar's life, or the 状态
// window says why not; one another program holds is in the tray tip too,
// and leaves the other working.
TEST_F(MainBarTest, HotKeysAreRegisteredForTheBarsLifeOrSayWhyNot) {
  // The two hot keys set, whether another program holds the buy key, the 状态 window's lines for each, the tray
  // tip, how many are registered.
  const std::tuple<const char*, const char*, bool, const char*, const char*, const char*, int> cases[] = {
      {"Ctrl+Alt+B", "ctrl+alt+s", false, "买入热键：Ctrl+Alt+B，已登记", "卖出热键：Ctrl+Alt+S，已登记", "凌波助手",
       2},
      {"Ctrl+Alt+B", "Ctrl+Alt+S", true, "买入热键：Ctrl+Alt+B 已被别的程序占用", "卖出热键：Ctrl+Alt+S，已登记",
       "凌波助手：热键 Ctrl+Alt+B 已被别的程序占用", 1},
      {"Ctrl+Alt+Enter", "", false, "买入热键：“Ctrl+Alt+Enter”无法识别", "卖出热键：未设置", "凌波助手", 0},
      {"Ctrl+Alt+B", "alt+ctrl+b", false, "买入热键：Ctrl+Alt+B，已登记", "卖出热键：Ctrl+Alt+B 与买入热键相同",
       "凌波助手", 1},
  };
  for (const auto& [buy, sell, buyHeldElsewhere, buyLine, sellLine, tip, registered] : cases) {
    SCOPED_TRACE(std::string(buy) + " / " + sell);
    const ClientScene client = FreshClient({113});
    if (buyHeldElsewhere) sim::HoldHotKey(platform::kModControl | platform::kModAlt, 'B');
    const std::string ini = std::string("[软件设置]\r\n买入热键=") + buy + "\r\n卖出热键=" + sell + "\r\n";
    sim::WriteFile(IniPath(), ini);
    StartProgram();
    EXPECT_EQ(CountCalls("RegisterHotKey"), registered + (buyHeldElsewhere ? 1 : 0));
    const std::string status = StatusText();
    EXPECT_NE(status.find(buyLine), std::string::npos) << status;
    EXPECT_NE(status.find(sellLine), std::string::npos) << status;
    EXPECT_EQ(sim::Tray().icon.tip, tip);
    EXPECT_EQ(sim::FileContent(IniPath()).substr(0, ini.size()), ini) << "never written";

    if (buyHeldElsewhere) {
      AppState.currentCode = "600036";
      sim::PressHotKey(platform::kModControl | platform::kModAlt, 'B');
      sim::Advance(3000);
      EXPECT_FALSE(AppState.lastAction.happened) << "the other program's key";
      sim::PressHotKey(platform::kModControl | platform::kModAlt, 'S');
      sim::Advance(3000);
      EXPECT_EQ(sim::TextOf(client.codeField), "600036");
    }
    sim::ClearCalls();
    sim::DestroyWindow(MainBar().bar);
    EXPECT_EQ(CountCalls("UnregisterHotKey"), registered);
  }
}

// The client found at start-up stops answering, or stalls when it is
// brought forward, while the trader looks at the charting program: a click
// on 买 must not take the bar down with it.  It follows the quote again at
// once, and the next click, once the client answers, is a whole order.
TEST_F(MainBarTest, AClientThatStopsAnsweringDoesNotStopTheBar) {
  // What, whether it stopped answering, whether minimised, how long the click holds the bar at most.
  const std::tuple<const char*, bool, bool, std::uint64_t> cases[] = {
      {"stopped answering", true, false, 500},
      {"stalls 8 s while restored", false, true, 2500},
      {"stalls 8 s when activated", false, false, 2500}};
  for (const auto& [what, hung, minimized, held] : cases) {
    const ClientScene client = FreshClient({112}, minimized);
    const platform::Hwnd chart = StartOnTraderChart();
    ASSERT_EQ(AppState.tradingClient, client.window);
    ASSERT_EQ(sim::TextOf(MainBar().codeLabel), "600036");

    if (hung) sim::SetHung(client.thread);
    sim::SetHandlingTime(client.window, sim::kWmActivate, hung ? 0 : 8000);
    const std::size_t seen = sim::Received(client.window).size();
    const std::uint64_t clicked = sim::Now();
    sim::At(50, [chart] { sim::SetText(chart, "交易师 - 600000 - 浦发银行"); });
    sim::Click(MainBar().buyButton);
    EXPECT_LE(sim::Now() - clicked, held) << what;
    sim::Advance(clicked + 3000 - sim::Now());
    EXPECT_EQ(sim::TextOf(MainBar().codeLabel), "600000") << what;
    if (hung) {
      EXPECT_EQ(sim::Received(client.window).size(), seen) << "nothing for a client that does not answer";
    }

    sim::SetHung(client.thread, false);
    sim::Advance(8000);
    sim::Click(MainBar().buyButton);
    EXPECT_EQ(sim::TextOf(client.codeField), "600000") << what << ": a whole order once it answers";
  }
}

// A tray click that the shell sends while an action waits, on the client's
// answer or on its code field, or while a 交易师 tick waits on its title, is
// handled after that handler, never inside it.
TEST_F(MainBarTest, NothingOfTheBarRunsInsideAnotherHandler) {
  enum class Wait { kSlowField, kSlowClient, kSlowTraderTitle };
  for (const Wait wait : {Wait::kSlowField, Wait::kSlowClient, Wait::kSlowTraderTitle}) {
    const ClientScene client = FreshClient();
    StartProgram();
    AppState.currentCode = "600036";
    if (wait == Wait::kSlowField) sim::SetHandlingTime(client.codeField, platform::kEmSetSel, 400);
    if (wait == Wait::kSlowClient) {
      sim::SetHung(client.thread);
      sim::At(400, [&client] { sim::SetHung(client.thread, false); });
    }
    if (wait == Wait::kSlowTraderTitle) {
      const platform::Hwnd trader =
          sim::CreateWindow({"JysMain", "交易师 - 600036 - 招商银行", sim::AddProcess("C:\\jys\\jys.exe")});
      sim::SetHandlingTime(trader, platform::kWmGetText, 400);
      sim::ChooseFromTrayMenu(TrayMenuItem::kTrader);
      sim::TrayMouse(platform::kWmRButtonUp);
    }

    // The next tick comes within 100 ms and waits 400 on the title.
    bool hiddenMeanwhile = false;
    sim::At(300, [] { sim::TrayMouse(platform::kWmLButtonUp); });
    sim::At(350, [&hiddenMeanwhile] { hiddenMeanwhile = !platform::IsWindowVisible(MainBar().bar); });
    if (wait == Wait::kSlowTraderTitle) {
      sim::Advance(1000);
    } else {
      sim::Click(MainBar().buyButton);
      EXPECT_EQ(sim::TextOf(client.codeField), "600036");
    }

    EXPECT_FALSE(hiddenMeanwhile) << static_cast<int>(wait);
    EXPECT_FALSE(platform::IsWindowVisible(MainBar().bar)) << "handled once the handler has returned";
  }
}

// Where the bar starts and how big: a saved position is kept while the label,
// which drags the bar, is on a monitor, else the bar starts where a first
// start puts it and says so in new.ini (never writing before the saved one is
// read); the bar, its parts and their font scale with the monitor's dpi.
TEST_F(MainBarTest, TheBarStartsOnAMonitorAtItsScale) {
  const struct {
    const char* what;
    unsigned dpi;  // of the main monitor; one left of it and one right, past a gap, at 96
    int left, top, expectedLeft, expectedTop;
    int width, height, buyRight, sellLeft;
  } cases[] = {{"100 %", 96, 300, 200, 300, 200, 120, 24, 30, 90},
               {"125 %", 120, 300, 200, 300, 200, 150, 30, 38, 112},
               {"150 %", 144, 300, 200, 300, 200, 180, 36, 45, 135},
               {"200 %", 192, 300, 200, 300, 200, 240, 48, 60, 180},
               {"left of the main monitor", 96, -500, 20, -500, 20, 120, 24, 30, 90},
               {"above the left one", 96, -1000, -150, -1000, -150, 120, 24, 30, 90},
               {"across the left and the main one", 96, -80, 100, -80, 100, 120, 24, 30, 90},
               {"label in the gap between two", 96, 1290, 100, 100, 100, 120, 24, 30, 90},
               {"its top edge above the screen, its centre on it", 96, 300, -10, 300, -10, 120, 24, 30, 90},
               {"on no monitor", 144, -500, 1000, 100, 100, 180, 36, 45, 135},
               {"far below everything", 96, 40, 5000, 100, 100, 120, 24, 30, 90}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SimTest::SetUp();
    sim::SetMonitors({{{0, 0, 1280, 800}, c.dpi}, {{-1920, -200, 0, 880}, 96}, {{1400, 0, 3320, 1080}, 96}});
    const std::string saved =
        "[软件设置]\r\n左边=" + std::to_string(c.left) + "\r\n顶边=" + std::to_string(c.top) + "\r\n";
    sim::WriteFile(IniPath(), saved);
    events::OnMainBarMoved();  // a move reported before start-up has read the file
    EXPECT_EQ(sim::FileContent(IniPath()), saved);

    StartProgram();
    const platform::MainBarWindows bar = MainBar();
    const auto rectOf = [&](platform::Hwnd part) {
      platform::Rect r;
      platform::GetWindowRect(part, &r);
      return std::vector<int>{r.left - c.expectedLeft, r.top - c.expectedTop, r.right - c.expectedLeft,
                              r.bottom - c.expectedTop};
    };
    EXPECT_EQ(rectOf(bar.bar), (std::vector<int>{0, 0, c.width, c.height}));
    EXPECT_EQ(rectOf(bar.buyButton), (std::vector<int>{0, 0, c.buyRight, c.height}));
    EXPECT_EQ(rectOf(bar.codeLabel), (std::vector<int>{c.buyRight, 0, c.sellLeft, c.height}));
    EXPECT_EQ(rectOf(bar.sellButton), (std::vector<int>{c.sellLeft, 0, c.width, c.height}));
    for (platform::Hwnd part : {bar.bar, bar.buyButton, bar.codeLabel, bar.sellButton})
      EXPECT_EQ(sim::FontDpiOf(part), c.dpi);
    // Screen pixels, at any scale.
    EXPECT_EQ(ReadSetting(kSettingsSection, "左边", ""), std::to_string(c.expectedLeft));
    EXPECT_EQ(ReadSetting(kSettingsSection, "顶边", ""), std::to_string(c.expectedTop));
  }
}

// While the program runs every move is written: dragged onto a monitor of
// another dpi, the bar takes that monitor's size and font where it was put,
// and its own again when dragged back; a monitor unplugged takes no bar with
// it; a minimised bar writes nothing.
TEST_F(MainBarTest, TheBarFollowsItsMonitorsWhileItRuns) {
  sim::SetMonitors({{{-1920, 0, 0, 1080}, 96}, {{0, 0, 1280, 800}, 96}, {{1280, 0, 3200, 1080}, 144}});
  StartProgram();
  const platform::Hwnd bar = MainBar().bar;
  for (int x : {300, 310, 320}) {
    platform::MoveWindow(bar, x, x / 2, 120, 24, true);  // the system's move loop
    EXPECT_EQ(ReadSetting(kSettingsSection, "左边", ""), std::to_string(x));
    EXPECT_EQ(ReadSetting(kSettingsSection, "顶边", ""), std::to_string(x / 2));
  }
  platform::MoveWindow(bar, 1500, 300, 120, 24, true);
  EXPECT_EQ(BarRect().left, 1500);
  EXPECT_EQ(BarRect().right - BarRect().left, 180);
  EXPECT_EQ(BarRect().bottom - BarRect().top, 36);
  EXPECT_EQ(sim::FontDpiOf(MainBar().codeLabel), 144u);
  EXPECT_EQ(ReadSetting(kSettingsSection, "左边", ""), "1500");
  platform::MoveWindow(bar, -800, 300, 180, 36, true);
  EXPECT_EQ(BarRect().right - BarRect().left, 120);
  EXPECT_EQ(sim::FontDpiOf(MainBar().sellButton), 96u);

  sim::ChangeDisplays({{{0, 0, 1280, 800}, 96}, {{1280, 0, 3200, 1080}, 192}});  // the left one, unplugged
  EXPECT_EQ(BarRect().left, 100);
  EXPECT_EQ(BarRect().top, 100);
  EXPECT_EQ(ReadSetting(kSettingsSection, "左边", ""), "100");
  platform::MoveWindow(bar, 1500, 50, 120, 24, true);
  sim::ChangeDisplays({{{0, 0, 1280, 800}, 96}, {{1280, 0, 3200, 1080}, 144}});  // the right one, rescaled
  EXPECT_EQ(BarRect().left, 1500) << "still on a monitor: it stays";
  EXPECT_EQ(BarRect().right - BarRect().left, 180);

  // Minimised, it writes nothing.
  const std::string before = sim::FileContent(IniPath());
  sim::SetMinimized(bar, true);
  EXPECT_FALSE(platform::IsWindowVisible(bar));
  EXPECT_EQ(sim::FileContent(IniPath()), before);

  sim::TrayMouse(platform::kWmLButtonUp);  // shown again, still minimised
  EXPECT_TRUE(platform::IsWindowVisible(bar));
  EXPECT_TRUE(platform::IsIconic(bar));
}

// The timer, and the code label's caption, are touched only when they change.
TEST_F(MainBarTest, TimerIntervalRulesAndTheCaptionRepaintedOnlyWhenItChanges) {
  StartProgram();
  // Each step: the interval set, whether the timer runs, the SetTimer and KillTimer calls it makes.
  const std::tuple<unsigned, bool, int> steps[] = {{100, true, 0},   {0, false, 1},  {0, false, 0},
                                                   {10000, true, 1}, {100, true, 1}, {100, true, 0}};
  for (const auto& [interval, running, timerCalls] : steps) {
    SCOPED_TRACE(interval);
    sim::ClearCalls();
    SetQuoteTimerInterval(interval);
    EXPECT_EQ(sim::TimerInterval(kQuoteTimerId) > 0, running);
    EXPECT_EQ(sim::TimerInterval(kQuoteTimerId), interval);
    EXPECT_EQ(QuoteTimerInterval(), interval);
    EXPECT_EQ(CountCalls("SetTimer") + CountCalls("KillTimer"), timerCalls);
  }
  EXPECT_EQ(GetCodeLabelCaption(), "");
  SetCodeLabelCaption("600000");
  EXPECT_EQ(sim::TextOf(MainBar().codeLabel), "600000");
  sim::ClearCalls();
  SetCodeLabelCaption("600000");
  EXPECT_EQ(CountCalls("SetWindowTextA"), 0);
  SetCodeLabelCaption("深发展Ａ");
  EXPECT_EQ(GetCodeLabelCaption(), "深发展Ａ");
  // Only the quote timer runs the poller.
  events::OnTimer(kQuoteTimerId + 1);
  EXPECT_EQ(QuoteTimerInterval(), 100u);
  // With no 大智慧 running, the poller waits longer for the next look.
  sim::Advance(100);
  EXPECT_NE(QuoteTimerInterval(), 100u);
}

// A left click shows or hides the bar; a right click or the menu key opens
// the menu beside the cursor with the source's mark: in the foreground first,
// or the menu would not close on a click elsewhere, and a message afterwards,
// or the next click on the icon would be lost.
TEST_F(MainBarTest, TrayMouseMessages) {
  // The message, whether it shows or hides the bar, whether it opens the menu.
  const std::tuple<unsigned, bool, bool> cases[] = {
      {platform::kWmLButtonUp, true, false},       {platform::kWmLButtonDblClk, true, false},
      {platform::kWmRButtonUp, false, true},       {platform::kWmContextMenu, false, true},
      {0x0201 /* WM_LBUTTONDOWN */, false, false}, {0x0200 /* WM_MOUSEMOVE */, false, false},
      {0x0204 /* WM_RBUTTONDOWN */, false, false},
  };
  for (const auto& [message, togglesBar, showsMenu] : cases) {
    SCOPED_TRACE(message);
    Restart();
    sim::SetCursorPos(700, 790);
    sim::ClearCalls();
    sim::TrayMouse(message);
    EXPECT_EQ(platform::IsWindowVisible(MainBar().bar), !togglesBar);
    const sim::TrayMenuShown shown = sim::LastTrayMenu();
    EXPECT_EQ(shown.times, showsMenu ? 1 : 0);
    EXPECT_FALSE(sim::Exited());
    if (!showsMenu) continue;
    EXPECT_EQ(shown.items, (std::vector<std::string>{"√大智慧", "交易师", "通达信", "状态…", "退出"}));
    const std::string bar = std::to_string(MainBar().bar);
    std::vector<std::string> sequence;
    for (const sim::Call& call : sim::Calls())
      for (const char* name : {"SetForegroundWindow(", "TrackTrayMenu(", "PostMessageA("})
        if (call.text.rfind(name, 0) == 0) sequence.push_back(call.text);
    const std::vector<std::string> expected = {"SetForegroundWindow(" + bar + ")", "TrackTrayMenu(" + bar + ",695,785)",
                                               "PostMessageA(" + bar + ",0x0,0,0x0)"};
    EXPECT_EQ(sequence, expected);
  }

  // A double click ends like a single click.
  Restart();
  for (unsigned message : {platform::kWmLButtonUp, platform::kWmLButtonDblClk, platform::kWmLButtonUp})
    sim::TrayMouse(message);
  EXPECT_FALSE(platform::IsWindowVisible(MainBar().bar));
  sim::TrayMouse(platform::kWmLButtonUp);
  EXPECT_TRUE(platform::IsWindowVisible(MainBar().bar));
}

// Each item chooses its own program; the ticked one changes nothing, not
// even the file.
TEST_F(MainBarTest, TheSourceItemsChooseTheSource) {
  // Each item, its source and what 数据源 says for it.
  const std::tuple<TrayMenuItem, QuoteSource, const char*> items[] = {
      {TrayMenuItem::kDzh, QuoteSource::kDzh, "0"},
      {TrayMenuItem::kTrader, QuoteSource::kTrader, "1"},
      {TrayMenuItem::kTdx, QuoteSource::kTdx, "2"}};
  for (const auto& from : items) {
    for (const auto& [chosen, after, written] : items) {
      const QuoteSource before = std::get<1>(from);
      SCOPED_TRACE(static_cast<int>(before) * 10 + static_cast<int>(chosen));
      Restart();
      SetQuoteSource(before);
      ChooseFromMenu(chosen);
      EXPECT_EQ(GetQuoteSource(), after);
      int checked = 0;
      for (const auto& item : items) checked += platform::IsTrayMenuItemChecked(std::get<0>(item)) ? 1 : 0;
      EXPECT_EQ(checked, 1);
      EXPECT_EQ(ReadSetting(kSettingsSection, "数据源", "absent"), before == after ? "absent" : written);
    }
  }
}

TEST_F(MainBarTest, ExitWritesNothingAndDestroyStopsTheTimerBothRemovingTheIcon) {
  StartProgram();
  const std::string before = sim::FileContent(IniPath());
  sim::ChooseFromTrayMenu(TrayMenuItem::kExit);
  sim::TrayMouse(platform::kWmRButtonUp);
  unsigned code = 99;
  EXPECT_TRUE(sim::Exited(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(sim::Tray().present);
  EXPECT_EQ(sim::FileContent(IniPath()), before);

  Restart();
  sim::ClearCalls();
  sim::DestroyWindow(MainBar().bar);
  EXPECT_EQ(QuoteTimerInterval(), 0u);
  EXPECT_EQ(CountCalls("KillTimer"), 1);
  EXPECT_FALSE(sim::Tray().present);
  EXPECT_EQ(sim::Tray().deletes, 1);
}

}  // namespace
