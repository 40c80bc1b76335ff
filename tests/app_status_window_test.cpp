// The "状态" window: what it says about each cause of a silent click, and how
// it lives beside the bar.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "app/main_bar.h"
#include "app/status_window.h"
#include "platform/sim/sim.h"
#include "support/calls.h"
#include "support/client_scene.h"
#include "support/code_table.h"
#include "support/dzh_scene.h"
#include "support/test_fixture.h"

namespace {

using platform::TrayMenuItem;

class StatusWindowTest : public SimTest {
 protected:
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

// A client behind its own pop-up that stalls 8 s in its activation, with the
// foreground switch refused.
void StallingClient() {
  const ClientScene client = AddTradingClient();
  sim::SetFocus(sim::CreateWindow({"Popup", "", client.process}));
  sim::SetHandlingTime(client.window, sim::kWmActivate, 8000);
  sim::RefuseForeground();
}

struct Cause {
  const char* what;
  std::vector<std::string> present, absent;
  std::function<void()> scene, after;  // before start-up; after it, before the window opens
  Cause(const char* name, std::vector<std::string> shown, std::vector<std::string> notShown,
        std::function<void()> before = nullptr, std::function<void()> then = nullptr)
      : what(name), present(std::move(shown)), absent(std::move(notShown)), scene(before), after(then) {}
};

void AddClient() { AddTradingClient(); }

void BuyNow(const char* code = "600036") {
  AppState.currentCode = code;
  sim::Click(MainBar().buyButton);
}
void Buy() { BuyNow(); }

// 交易师 showing title, then a click on 买.
void BuyFromTrader(const char* title) {
  SetQuoteSource(QuoteSource::kTrader);
  sim::CreateWindow({"JysMain", title, sim::AddProcess("C:\\jys\\jys.exe")});
  sim::Advance(100);
  sim::Click(MainBar().buyButton);
}

TEST_F(StatusWindowTest, EachCauseOfASilentClickIsNamed) {
  const Cause causes[] = {
      Cause("no client",
            {"交易程序：未找到", "系统代码页：936", "行情来源：大智慧", "上一次操作：尚无", "买入键 F1 (112)",
             "卖出键 F2 (113)", "功能键 F3 (114)"},
            {"警告", "识别方式"}),
      Cause("a client by its title",
            {"交易程序：已找到（记住的窗口", "识别方式：窗口标题含“网上股票交易”（首次找到时）",
             "交易程序窗口标题：网上股票交易系统5.0", "交易程序文件：C:\\broker\\client.exe", "位数：64 位",
             "响应：正常", "权限：不高于本程序", "进程号："},
            {"文件说明：V6", "办法"}, AddClient),
      Cause("a client by its file description",
            {"识别方式：程序的文件说明含“V6主框架模块”", "交易程序窗口标题：下单", "文件说明：V6主框架模块",
             "位数：32 位"},
            {"窗口标题含"}, ClientByDescription),
      Cause("a remembered client whose title has lost its marker",
            {"交易程序：已找到（记住的窗口，点“买”“卖”时用它）", "识别方式：窗口标题含“网上股票交易”（首次找到时）",
             "交易程序窗口标题：用户登录", "响应：正常"},
            {"交易程序：未找到", "现在查找到"}, AddClient, [] { sim::SetText(AppState.tradingClient, "用户登录"); }),
      Cause("none remembered, one found now",
            {"交易程序：已找到（现在查找到，点“买”“卖”时会用它）", "识别方式：窗口标题含“网上股票交易”\r\n"},
            {"记住的窗口", "首次找到时"}, {}, AddClient),
      Cause("a hung client", {"响应：未响应：点“买”“卖”不会有动作"}, {"响应：正常", "响应：慢"},
            [] {
              sim::SetHung(AddTradingClient().thread);
              sim::Advance(6000);
            }),
      Cause("a client slow, not yet counted as hung", {"响应：慢：100 毫秒内没有回答（点“买”“卖”时最多等 500 毫秒"},
            {"响应：正常", "不会有动作，等"}, AddClient,
            [] {
              sim::SetHung(platform::GetWindowThreadProcessId(AppState.tradingClient, nullptr));
              sim::Advance(1000);  // well short of the 5 s after which Windows counts it as hung
            }),
      // A buy that stopped early says where, and no line of a step it never reached.
      Cause("a buy that found no client", {"  交易程序：未找到", "  结果：未写入：没有找到交易程序"},
            {"  响应", "  按键", "  代码框"}, {}, Buy),
      Cause("a buy whose order form never focused a field",
            {"  响应：正常", "  按键：F1 (112)", "  代码框：没有等到",
             "  结果：未写入：约 2 秒内交易程序没有代码框得到焦点"},
            {"  代码框读回"}, AddClient, Buy),
      Cause("a chart title on the label", {"  结果：未写入：中间显示的不是证券代码"}, {"  交易程序：", "  按键"},
            AddClient, [] { BuyNow("2024年报"); }),
      Cause(
          "another program clicked into while the form opened",
          {"  结果：未写入：最前面的是别的程序", "  最前面的窗口：别的程序：记事本"}, {"  代码框读回"},
          [] {
            const ClientScene client = AddTradingClient();
            sim::OnMessage(client.window, [](const sim::Message& m) {
              if (m.message == platform::kWmKeyDown) sim::SetForeground(AddNotepad(0).window);
            });
          },
          Buy),
      Cause("a client that stalls when brought forward",
            {"  调到前面：交易程序卡住", "  结果：未按键：交易程序被调到前面时卡住了"}, {"  按键", "  代码框"},
            StallingClient, Buy),
      Cause("a click while an earlier activation is still stuck", {"  结果：未动作：上一次调出交易程序时它卡住了"},
            {"  交易程序：", "  调到前面", "  按键"}, StallingClient,
            [] {
              BuyNow();
              sim::Advance(1000);
              BuyNow();
            }),
      Cause("Enter as the buy key",
            {"买入键 Enter (13)（不是 F1～F24，不会按下）", "  结果：未按键：Enter (13) 不是 F1～F24"},
            {"  交易程序：", "  按键", "卖出键 F2 (113)（"}, AddClient,
            [] {
              AppState.buyKey = 13;
              BuyNow();
            }),
      Cause(
          "a hot key that leaves the focus in the last order's 数量",
          {"  代码框：没有等到，最后看到的焦点类名 Edit", "  结果：未写入：热键没有移动焦点"}, {"  代码框读回"},
          [] {
            const ClientScene client = AddTradingClient();
            sim::SetFocus(sim::CreateWindow({"Edit", "100", client.process, 0, client.window}));
          },
          Buy),
      // Which way the code went in, and why keys were not typed on the keyboard.
      Cause(
          "a code field that takes only the keyboard",
          {"  按键：F1 (112)，按键消息", "  键盘输入：已键入", "  结果：替换被交易程序忽略，已用键盘输入键入"},
          {"未键入"},
          [] {
            const ClientScene client = AddTradingClient();
            sim::TakeOnlyKeyboardInput(client.codeField);
            OpenFormOnKey(client, 112, 10);
          },
          Buy),
      Cause("Ctrl held through a click with 输入方式 2",
            {"  按键：未按", "  键盘输入：未键入：Shift、Ctrl、Alt 或 Windows 键一直按着",
             "  结果：未按键：见“键盘输入”一行"},
            {"  代码框"}, AddClient,
            [] {
              AppState.codeEntry = CodeEntry::kKeyed;
              sim::PressKey(0x11, true);
              BuyNow();
            }),
      Cause(
          "a client run as administrator: nothing sent",
          {"权限：高于本程序", "办法：两者以相同方式运行", "  交易程序：沿用记住的窗口",
           "  结果：未按键：交易程序的权限高于本程序"},
          {"权限：不高于", "  响应", "  按键"}, [] { sim::SetIntegrity(AddTradingClient().process, 0x3000); }, Buy),
      Cause("a client whose token cannot be read", {"权限：无法判断"}, {"高于本程序"},
            [] { sim::DenyToken(AddTradingClient().process); }),
      Cause("通达信 showing a name listed once",
            {"行情来源：通达信", "通达信：已连接", "通达信窗口标题：通达信金融终端V7.642 - [分析图表-平安银行]",
             "安装目录：D:\\new_tdx", "代码表 shm.tnf：6 条记录", "代码表 szm.tnf：4 条记录", "代码表 bjm.tnf：不存在",
             "标题中的名称：平安银行", "名称对应的代码：000001", "当前代码：000001"},
            {"大智慧"}, {},
            [] {
              SetQuoteSource(QuoteSource::kTdx);
              StartTdx("D:\\new_tdx\\TdxW.exe");
              sim::Advance(100);
            }),
      Cause("通达信 showing a name listed twice, beside a malformed bjm.tnf",
            {"代码表 bjm.tnf：格式不符，未使用", "标题中的名称：招商银行", "名称对应的代码：无：代码表里有 2 条记录",
             "当前代码：招商银行"},
            {}, {},
            [] {
              SetQuoteSource(QuoteSource::kTdx);
              StartTdx("D:\\new_tdx\\TdxW.exe", "招商银行");
              sim::WriteFile("D:\\new_tdx\\T0002\\hq_cache\\bjm.tnf",
                             std::string(50, '\0') + code_table::TnfRecord({"600036", "招商银行"}) + "cut");
              sim::WriteFile("D:\\new_tdx\\T0002\\hq_cache\\szm.tnf", code_table::TnfTable({{"001979", "招商银行"}}));
              sim::Advance(100);
            }),
      // An index has a stock's digits on the other exchange: shown, never
      // ordered, wherever its exchange is known.
      Cause("通达信 showing an index, then bought",
            {"名称对应的代码：000001（上海，来自 shm.tnf）：这是指数", "  结果：未动作：这是指数",
             "名称表 infoharbor_ex.name：不存在"},
            {"  交易程序："}, AddClient,
            [] {
              SetQuoteSource(QuoteSource::kTdx);
              StartTdx("D:\\new_tdx\\TdxW.exe", "上证指数");
              sim::WriteFile("D:\\new_tdx\\T0002\\hq_cache\\shm.tnf", code_table::TnfTable({{"000001", "上证指数"}}));
              sim::Advance(100);
              sim::Click(MainBar().buyButton);
            }),
      Cause("交易师 showing a Shanghai index, then bought",
            {"当前代码：000001", "  上海市场：这是指数", "  结果：未动作：这是指数"}, {"  交易程序："}, AddClient,
            [] { BuyFromTrader("交易师 [SH000001]"); }),
      Cause("交易师 showing a Shenzhen stock of the same digits", {"当前代码：000001", "  交易程序："}, {"这是指数"},
            AddClient, [] { BuyFromTrader("交易师 [sz000001]"); }),
      Cause("no 通达信", {"行情来源：通达信", "通达信：未找到（每 10 秒找一次）"}, {"安装目录"}, {},
            [] { SetQuoteSource(QuoteSource::kTdx); }),
      Cause("code page 1252", {"系统代码页：1252", "警告：系统代码页不是 936", "非 Unicode", "重新启动电脑"}, {},
            [] { sim::SetCodePage(1252); })};
  for (const Cause& c : causes) {
    SCOPED_TRACE(c.what);
    SimTest::SetUp();
    sim::SetVersionInfo(sim::kOwnExePath, {{{0x0804, 0x04b0}}, {{"080404b0\\FileVersion", "0.1.0"}}});
    if (c.scene) c.scene();
    StartProgram();
    if (c.after) c.after();
    ChooseFromMenu(TrayMenuItem::kStatus);
    // Twice a second, whatever the client does, the bar waits at most the probe's bound.
    const std::uint64_t before = sim::Now();
    OnStatusTimer(GetQuoteSource());
    EXPECT_LE(sim::Now() - before, 100u);
    const std::string text = Shown();
    EXPECT_NE(text.find("凌波助手：版本 0.1.0"), std::string::npos) << text;
    for (const std::string& line : c.present) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    for (const std::string& line : c.absent) EXPECT_EQ(text.find(line), std::string::npos) << line << "\n" << text;
  }
}

// The window names the client a click drives: the remembered one, not another
// qualifying window now in front of it.  What the bar remembers stays as it
// is, and every handle the lookup opened is closed.
TEST_F(StatusWindowTest, TheLookupLeavesTheRememberedClientAndNoHandle) {
  const ClientScene first = AddTradingClient();
  StartProgram();
  ASSERT_EQ(AppState.tradingClient, first.window);
  const ClientScene second = ClientByDescription();
  sim::BringToTop(second.window);
  sim::SetIntegrity(second.process, 0x3000);

  ChooseFromMenu(TrayMenuItem::kStatus);
  sim::Advance(2000);
  EXPECT_NE(Shown().find("交易程序窗口标题：网上股票交易系统5.0"), std::string::npos) << "the one a click drives";
  EXPECT_EQ(Shown().find("下单"), std::string::npos) << Shown();
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
                                 "  结果：已替换（读回无误）", "  代码框读回：600036", "当前代码：600036"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

// Five items, "状态…" between the sources and "退出", the check mark on the
// source chosen; choosing it again brings the one window forward.
TEST_F(StatusWindowTest, TheMenuItemOpensOneWindowThatTheBarOutlives) {
  StartProgram();
  ChooseFromMenu(TrayMenuItem::kTrader);
  ChooseFromMenu(TrayMenuItem::kStatus);
  EXPECT_EQ(sim::LastTrayMenu().items, (std::vector<std::string>{"大智慧", "√交易师", "通达信", "状态…", "退出"}));
  const platform::StatusWindows opened = sim::StatusWindow();
  ASSERT_GT(opened.window, 0);
  EXPECT_TRUE(platform::IsWindowVisible(opened.window));
  EXPECT_EQ(sim::TimerInterval(kStatusTimerId), kStatusRefreshMs);

  sim::SetMinimized(opened.window, true);
  ChooseFromMenu(TrayMenuItem::kStatus);
  EXPECT_EQ(sim::StatusWindow().window, opened.window) << "one window";
  EXPECT_FALSE(sim::IsMinimized(opened.window));
  EXPECT_EQ(sim::Foreground(), opened.window);
  EXPECT_EQ(sim::LastTrayMenu().items, (std::vector<std::string>{"大智慧", "√交易师", "通达信", "状态…", "退出"}));

  sim::Click(opened.copyButton);
  EXPECT_EQ(sim::Clipboard(), Shown());
  EXPECT_NE(sim::Clipboard().find("行情来源：交易师"), std::string::npos);

  // The bar keeps working: its timer ticks and its buttons answer.
  EXPECT_EQ(sim::TimerInterval(kQuoteTimerId), 100u);
  EXPECT_TRUE(platform::IsWindowEnabled(MainBar().bar));

  sim::PressEscape(opened.window);
  EXPECT_EQ(sim::StatusWindow().window, 0);
  EXPECT_EQ(sim::TimerInterval(kStatusTimerId), 0u) << "nothing refreshes a closed window";
  EXPECT_EQ(sim::TimerInterval(kQuoteTimerId), 100u);
}

// On a system whose code page is not 936, the tray tip says so, and only that
// changes.
TEST_F(StatusWindowTest, TheTrayTipWarnsOfAWrongCodePage) {
  for (const unsigned codePage : {936u, 1252u, 65001u}) {
    SCOPED_TRACE(codePage);
    SimTest::SetUp();
    sim::SetCodePage(codePage);
    StartProgram();
    // The bar's own name; elsewhere followed, whole within the tip, by the
    // README's words for what is wrong.
    const std::string tip = sim::Tray().icon.tip, name = sim::TextOf(MainBar().bar);
    const std::string warning = "系统代码页不是936，中文会乱码";
    const bool warns = tip.size() > warning.size() && tip.substr(tip.size() - warning.size()) == warning;
    EXPECT_EQ(tip.rfind(name, 0), 0u);
    EXPECT_EQ(tip == name, codePage == 936);
    EXPECT_EQ(warns, codePage != 936);
    sim::BroadcastTaskbarCreated();
    EXPECT_EQ(sim::Tray().icon.tip, tip) << "the re-added icon keeps it";
  }
}

}  // namespace
