// The "状态" window: what it says about each cause of a silent click, and how
// it lives beside the bar.
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_bar.h"
#include "app/status_window.h"
#include "platform/sim/sim.h"
#include "support/calls.h"
#include "support/client_scene.h"
#include "support/test_fixture.h"

namespace {

using platform::TrayMenuItem;

class StatusWindowTest : public SimTest {
 protected:
  static void ChooseFromMenu(TrayMenuItem item) {
    sim::ChooseFromTrayMenu(item);
    sim::TrayMouse(platform::kWmContextMenu);
  }
  static std::string Shown() { return sim::TextOf(sim::StatusWindow().text); }
};

// A trading client known by its file description alone: a title without a
// marker, a 32-bit executable whose description carries one.
ClientScene ClientByDescription() {
  ClientScene client = AddTradingClient();
  sim::SetText(client.window, "下单");
  sim::SetFileDescription("C:\\broker\\client.exe", "V6主框架模块");
  sim::Make32Bit(client.process);
  return client;
}

TEST_F(StatusWindowTest, EachCauseOfASilentClickIsNamed) {
  const struct {
    const char* what;
    std::function<void()> scene;
    std::vector<std::string> present, absent;
  } cases[] = {
      {"no client",
       [] {},
       {"交易程序：未找到", "系统代码页：936", "行情来源：大智慧", "上一次操作：尚无", "买入键 F1 (112)",
        "卖出键 F2 (113)", "功能键 F3 (114)"},
       {"警告", "识别方式"}},
      {"a client by its title",
       [] { AddTradingClient(); },
       {"交易程序：已找到", "识别方式：窗口标题含“网上股票交易”", "交易程序窗口标题：网上股票交易系统5.0",
        "交易程序文件：C:\\broker\\client.exe", "位数：64 位", "响应：正常", "权限：不高于本程序", "进程号："},
       {"文件说明：V6", "办法"}},
      {"a client by its file description",
       [] { ClientByDescription(); },
       {"识别方式：程序的文件说明含“V6主框架模块”", "交易程序窗口标题：下单", "文件说明：V6主框架模块", "位数：32 位"},
       {"窗口标题含"}},
      {"a hung client",
       [] {
         sim::SetHung(AddTradingClient().thread);
         sim::Advance(6000);
       },
       {"响应：未响应"},
       {"响应：正常"}},
      {"a client run as administrator",
       [] { sim::SetIntegrity(AddTradingClient().process, 0x3000); },
       {"权限：高于本程序", "办法：两者以相同方式运行"},
       {"权限：不高于"}},
      {"a client whose token cannot be read",
       [] { sim::DenyToken(AddTradingClient().process); },
       {"权限：无法判断"},
       {"高于本程序"}},
      {"code page 1252",
       [] { sim::SetCodePage(1252); },
       {"系统代码页：1252", "警告：系统代码页不是 936", "非 Unicode", "重新启动电脑"},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    sim::SetVersionInfo(sim::kOwnExePath, {{{0x0804, 0x04b0}}, {{"080404b0\\FileVersion", "0.1.0"}}});
    c.scene();
    StartProgram();
    ChooseFromMenu(TrayMenuItem::kStatus);
    const std::string text = Shown();
    EXPECT_NE(text.find("凌波助手：版本 0.1.0"), std::string::npos) << text;
    for (const std::string& line : c.present) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    for (const std::string& line : c.absent) EXPECT_EQ(text.find(line), std::string::npos) << line << "\n" << text;
    TearDown();
  }
}

// The window looks the client up on its own: the one the bar remembers, even
// a stale one, stays as it is, and every handle the lookup opened is closed.
TEST_F(StatusWindowTest, TheLookupLeavesTheRememberedClientAndNoHandle) {
  const ClientScene first = AddTradingClient();
  StartProgram();
  ASSERT_EQ(AppState.tradingClient, first.window);
  const ClientScene second = ClientByDescription();
  sim::BringToTop(second.window);
  sim::SetIntegrity(second.process, 0x3000);

  ChooseFromMenu(TrayMenuItem::kStatus);
  sim::Advance(2000);
  EXPECT_NE(Shown().find("交易程序窗口标题：下单"), std::string::npos) << "found the front one";
  EXPECT_EQ(AppState.tradingClient, first.window);
  EXPECT_EQ(sim::OpenHandles(), 0);
  EXPECT_GT(CountCalls("OpenProcessToken"), 0) << "the privilege check did run";
}

// Twice a second, the window reads no file it has read before: its own
// version and each executable's description once while it is open, and a
// file again only once it has been replaced.
TEST_F(StatusWindowTest, RefreshesReadEachFileOnceUntilItIsReplaced) {
  ClientByDescription();
  sim::WriteFile("C:\\broker\\client.exe", "MZ");
  StartProgram();
  ChooseFromMenu(TrayMenuItem::kStatus);
  sim::ClearCalls();
  sim::Advance(4 * kStatusRefreshMs);
  EXPECT_EQ(CountCalls("GetFileVersionInfoA"), 0);
  EXPECT_NE(Shown().find("文件说明：V6主框架模块"), std::string::npos);

  sim::SetFileDescription("C:\\broker\\client.exe", "机构版主程序");
  sim::WriteFile("C:\\broker\\client.exe", "MZ, a new build");
  sim::Advance(kStatusRefreshMs);
  EXPECT_NE(Shown().find("文件说明：机构版主程序"), std::string::npos) << Shown();
}

// The last action, step by step; the window follows what happens while open.
TEST_F(StatusWindowTest, TheLastActionIsShownStepByStepAndKeptUpToDate) {
  const ClientScene client = AddTradingClient();
  OpenFormOnKey(client, 112, 10);
  StartProgram();
  ChooseFromMenu(TrayMenuItem::kStatus);
  EXPECT_NE(Shown().find("上一次操作：尚无"), std::string::npos);

  AppState.currentCode = "600036";
  sim::Click(MainBar().buyButton);
  EXPECT_NE(Shown().find("上一次操作：尚无"), std::string::npos) << "not refreshed during the action";
  sim::Advance(kStatusRefreshMs);
  const std::string text = Shown();
  for (const std::string line : {"上一次操作：09:30:00 买", "  交易程序：沿用记住的窗口", "  响应：正常",
                                 "  调到前面：成功", "  按键：F1 (112)", "  代码框：按键后 200 毫秒得到焦点，类名 Edit",
                                 "  写入：已替换（读回无误）", "  代码框读回：600036", "当前代码：600036"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

// Four items, "状态…" between the sources and "退出", the check mark on the
// source chosen; choosing it again brings the one window forward.
TEST_F(StatusWindowTest, TheMenuItemOpensOneWindowThatTheBarOutlives) {
  StartProgram();
  ChooseFromMenu(TrayMenuItem::kTrader);
  ChooseFromMenu(TrayMenuItem::kStatus);
  EXPECT_EQ(sim::LastTrayMenu().items, (std::vector<std::string>{"大智慧", "√交易师", "状态…", "退出"}));
  const platform::StatusWindows opened = sim::StatusWindow();
  ASSERT_GT(opened.window, 0);
  EXPECT_TRUE(platform::IsWindowVisible(opened.window));
  EXPECT_EQ(sim::TimerInterval(kStatusTimerId), kStatusRefreshMs);

  sim::SetMinimized(opened.window, true);
  ChooseFromMenu(TrayMenuItem::kStatus);
  EXPECT_EQ(sim::StatusWindow().window, opened.window) << "one window";
  EXPECT_FALSE(sim::IsMinimized(opened.window));
  EXPECT_EQ(sim::Foreground(), opened.window);
  EXPECT_EQ(sim::LastTrayMenu().items, (std::vector<std::string>{"大智慧", "√交易师", "状态…", "退出"}));

  sim::Click(opened.copyButton);
  EXPECT_EQ(sim::Clipboard(), Shown());
  EXPECT_NE(sim::Clipboard().find("行情来源：交易师"), std::string::npos);

  // The bar keeps working: its timer ticks and its buttons answer.
  EXPECT_EQ(sim::TimerInterval(kQuoteTimerId), 100u);
  EXPECT_TRUE(platform::IsWindowEnabled(MainBar().bar));

  sim::PressEscape(opened.window);
  EXPECT_EQ(sim::StatusWindow().window, 0);
  EXPECT_FALSE(sim::TimerRunning(kStatusTimerId)) << "nothing refreshes a closed window";
  EXPECT_EQ(sim::TimerInterval(kQuoteTimerId), 100u);
}

// On a system whose code page is not 936, the tray tip says so, and only that
// changes.
TEST_F(StatusWindowTest, TheTrayTipWarnsOfAWrongCodePage) {
  for (unsigned codePage : {936u, 1252u, 65001u}) {
    SetUp();
    sim::SetCodePage(codePage);
    StartProgram();
    // The bar's own name; elsewhere followed, whole within the tip, by the
    // README's words for what is wrong.
    const std::string tip = sim::Tray().icon.tip, name = sim::TextOf(MainBar().bar);
    const std::string warning = "系统代码页不是936，中文会乱码";
    const bool warns = tip.size() > warning.size() && tip.substr(tip.size() - warning.size()) == warning;
    EXPECT_EQ(tip.rfind(name, 0), 0u) << codePage;
    EXPECT_EQ(tip == name, codePage == 936) << codePage;
    EXPECT_EQ(warns, codePage != 936) << codePage;
    sim::BroadcastTaskbarCreated();
    EXPECT_EQ(sim::Tray().icon.tip, tip) << "the re-added icon keeps it";
    TearDown();
  }
}

}  // namespace
