// The simulated desktop's own rules, where the contract cases cannot reach:
// the virtual clock, hung threads and what the scene API offers beyond
// Windows.  The program's own windows are stated in the contract suite.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/sim/sim.h"

namespace {

using namespace platform;

class SimDesktopTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }

  // When each report of this text was made.
  static std::vector<std::uint64_t> TimesOf(const std::string& event) {
    std::vector<std::uint64_t> times;
    for (auto& e : sim::Events())
      if (e.text == event) times.push_back(e.time);
    return times;
  }
  static std::vector<std::uint64_t> TicksOf(unsigned id) { return TimesOf("OnTimer(" + std::to_string(id) + ")"); }
  // A window of another program, with that program and its thread.
  struct Other {
    Hwnd window;
    std::uint32_t process, thread;
  };
  static Other OtherProgram(const std::string& className = "Edit") {
    const std::uint32_t process = sim::AddProcess("C:\\other\\other.exe");
    return {sim::CreateWindow({className, "text", process}), process, sim::MainThreadOf(process)};
  }
};

// A private timer id: the program's own tick handler ignores it.
constexpr unsigned kTestTimer = 77;

TEST_F(SimDesktopTest, TimerTicksCoalesceWhileTheThreadIsBusy) {
  Hwnd bar = CreateMainBar().bar;
  ASSERT_TRUE(SetTimer(bar, kTestTimer, 100));
  int ticks = 0;
  sim::OnTick([&](unsigned) {
    if (++ticks == 1) Sleep(350);  // a slow first tick, Sleep inside it
  });
  sim::Advance(1000);
  EXPECT_EQ(TicksOf(kTestTimer), (std::vector<std::uint64_t>{100, 450, 550, 650, 750, 850, 950}));
  EXPECT_EQ(sim::Now(), 1000u);
}

TEST_F(SimDesktopTest, SleepRunsOtherProgramsButNeverTheProgramsOwnLoop) {
  Hwnd bar = CreateMainBar().bar;
  const auto [other, process, thread] = OtherProgram();
  SetTimer(bar, kTestTimer, 100);
  bool acted = false;
  sim::At(50, [&] { acted = true; });
  PostMessageA(other, kWmKeyDown, 112, 0x3B0001);
  PostMessageA(bar, kWmNull, 0, 0);
  Sleep(1000);
  EXPECT_TRUE(acted);
  EXPECT_EQ(sim::Received(other).size(), 1u);
  EXPECT_TRUE(sim::Received(bar).empty());
  EXPECT_TRUE(TicksOf(kTestTimer).empty());
  sim::Advance(0);
  EXPECT_EQ(TicksOf(kTestTimer), (std::vector<std::uint64_t>{1000}));
  EXPECT_EQ(sim::Received(bar).size(), 1u);
}

TEST_F(SimDesktopTest, TimersCountFromWhenTheyWereSet) {
  Hwnd bar = CreateMainBar().bar;
  SetTimer(bar, kTestTimer, 100);
  sim::Advance(50);
  EXPECT_TRUE(SetTimer(bar, kTestTimer, 100));  // restarts the period
  sim::Advance(120);
  EXPECT_EQ(TicksOf(kTestTimer), (std::vector<std::uint64_t>{150}));
  EXPECT_EQ(sim::TimerInterval(kTestTimer), 100u);
  EXPECT_TRUE(KillTimer(bar, kTestTimer));
  EXPECT_FALSE(KillTimer(bar, kTestTimer));
  EXPECT_EQ(sim::TimerInterval(kTestTimer), 0u);
  sim::Advance(500);
  EXPECT_EQ(TicksOf(kTestTimer).size(), 1u);
  EXPECT_TRUE(SetTimer(bar, kTestTimer, 0));
  EXPECT_EQ(sim::TimerInterval(kTestTimer), 10u) << "the system's minimum";
  EXPECT_FALSE(SetTimer(OtherProgram().window, kTestTimer, 100)) << "not the program's window";
}

TEST_F(SimDesktopTest, MessagesToAHungOrSlowThreadWaitForItAndAreHandledEvenWhenGivenUpOn) {
  const auto [other, process, thread] = OtherProgram();
  std::vector<unsigned> seen;
  sim::OnMessage(other, [&](const sim::Message& m) { seen.push_back(m.message); });
  sim::SetHung(thread);
  PostMessageA(other, kWmKeyDown, 112, 1);
  PostMessageA(other, kWmKeyUp, 112, 2);
  Sleep(5000);
  EXPECT_TRUE(seen.empty());
  sim::SetHung(thread, false);
  Sleep(1);
  EXPECT_EQ(seen, (std::vector<unsigned>{kWmKeyDown, kWmKeyUp}));
  auto received = sim::Received(other);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_TRUE(received[0].posted);
  EXPECT_EQ(received[1].lParam, 2);

  // Silent for five seconds, a thread counts as hung: SMTO_ABORTIFHUNG then
  // gives up at once, and only that flag does.
  std::intptr_t result = 0;
  std::uint64_t start = 0;
  for (std::uint64_t silent : {0u, 5000u}) {
    sim::SetHung(thread);
    sim::Advance(silent);
    for (unsigned flags : {unsigned(kSmtoBlock), unsigned(kSmtoAbortIfHung)}) {
      start = sim::Now();
      EXPECT_FALSE(SendMessageTimeoutA(other, kWmGetTextLength, 0, 0, flags, 500, &result));
      EXPECT_EQ(sim::Now() - start, silent && flags == kSmtoAbortIfHung ? 0u : 500u) << silent << " " << flags;
    }
  }
  // A thread that wakes up within the bound answers then.
  sim::At(120, [thread] { sim::SetHung(thread, false); });
  start = sim::Now();
  EXPECT_TRUE(SendMessageTimeoutA(other, kWmGetTextLength, 0, 0, kSmtoBlock, 500, &result));
  EXPECT_EQ(sim::Now() - start, 120u);
  EXPECT_EQ(result, 4);

  // A sender that gives up does not take its message back: a slow thread
  // handles it in its own time, a hung one once it answers again.
  sim::SetHung(thread, false);
  sim::SetText(other, "");
  sim::SetHandlingTime(other, kWmChar, 700);
  start = sim::Now();
  EXPECT_FALSE(SendMessageTimeoutA(other, kWmChar, '6', 0, kSmtoBlock, 500, &result));
  EXPECT_EQ(sim::Now() - start, 500u);
  EXPECT_EQ(sim::TextOf(other), "6") << "taken at once, answered only after 700 ms";
  start = sim::Now();
  EXPECT_TRUE(SendMessageTimeoutA(other, kWmChar, '0', 0, kSmtoBlock, 1000, &result));
  EXPECT_EQ(sim::Now() - start, 200u + 700u) << "after the first, then its own time";

  sim::SetHung(thread);
  const std::string code = "600036";
  EXPECT_FALSE(SendMessageTimeoutA(other, kEmReplaceSel, 1, reinterpret_cast<std::intptr_t>(code.c_str()), kSmtoBlock,
                                   100, &result));
  EXPECT_EQ(sim::TextOf(other), "60");
  sim::SetHung(thread, false);
  Sleep(1);
  EXPECT_EQ(sim::TextOf(other), "60600036");
  sim::DestroyWindow(other);
  EXPECT_FALSE(PostMessageA(other, kWmKeyDown, 112, 1));
}

// Restoring another thread's window asynchronously never waits on it: the
// thread restores it when it answers again.  Activating waits on that thread
// without a bound; a foreground switch does not, but leaves the activation
// to the thread.
TEST_F(SimDesktopTest, ShowingAndActivatingWaitOnAHungThread) {
  const auto [other, process, thread] = OtherProgram();
  sim::SetMinimized(other, true);
  sim::SetHung(thread);
  sim::At(3000, [thread] { sim::SetHung(thread, false); });
  std::uint64_t start = sim::Now();
  EXPECT_TRUE(ShowWindowAsync(other, kSwRestore));
  EXPECT_EQ(sim::Now() - start, 0u);
  EXPECT_TRUE(sim::IsMinimized(other));
  sim::Advance(3000);
  EXPECT_FALSE(sim::IsMinimized(other));

  sim::SetForeground(sim::CreateWindow({"SimWindow", "", process}));
  sim::SetHung(thread);
  start = sim::Now();
  EXPECT_TRUE(SetForegroundWindow(other));
  EXPECT_EQ(sim::Now() - start, 0u);
  EXPECT_EQ(sim::Foreground(), other);
  EXPECT_NE(sim::ActiveWindowOf(thread), other) << "not yet activated by its thread";
  AttachThreadInput(sim::kOwnThread, thread, true);
  SetActiveWindow(other);
  AttachThreadInput(sim::kOwnThread, thread, false);
  EXPECT_GE(sim::Now() - start, 3600u * 1000) << "held for good";
}

TEST_F(SimDesktopTest, ReportedTextLengthsMayLieAndTheCallLogReadsLikeTheCalls) {
  Hwnd other = OtherProgram().window;
  sim::SetText(other, "600036");
  for (std::intptr_t lie : {std::intptr_t(-5), std::intptr_t(0), std::intptr_t(1) << 40}) {
    sim::SetReportedTextLength(other, lie);
    std::intptr_t length = 0;
    ASSERT_TRUE(SendMessageTimeoutA(other, kWmGetTextLength, 0, 0, kSmtoBlock, 100, &length));
    EXPECT_EQ(length, lie);
  }
  char buffer[4] = {'x', 'x', 'x', 'x'};
  std::intptr_t copied = 0;
  SendMessageTimeoutA(other, kWmGetText, 3, reinterpret_cast<std::intptr_t>(buffer), kSmtoBlock, 100, &copied);
  EXPECT_EQ(copied, 2);
  EXPECT_EQ(std::string(buffer, 4), std::string("60\0x", 4));
  sim::ClearCalls();
  PostMessageA(other, kWmKeyDown, 112, 0x003B0001);
  PostMessageA(other, kWmKeyUp, 112, static_cast<std::intptr_t>(std::uint32_t{0xC03B0001}));
  PostMessageA(other, kWmKeyUp, 112, static_cast<std::int32_t>(0xC03B0001));
  std::intptr_t r;
  SendMessageTimeoutA(other, kEmSetSel, 0, -1, kSmtoBlock, 100, &r);
  SendMessageTimeoutA(other, kEmReplaceSel, 1, reinterpret_cast<std::intptr_t>("600000"), kSmtoBlock, 100, &r);
  Sleep(10);
  std::vector<std::string> texts;
  for (auto& c : sim::Calls()) texts.push_back(c.text);
  std::string h = std::to_string(other);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "PostMessageA(" + h + ",0x100,112,0x3b0001)", "PostMessageA(" + h + ",0x101,112,0xc03b0001)",
                       "PostMessageA(" + h + ",0x101,112,0xc03b0001)", "SendMessageTimeoutA(" + h + ",0xb1,0,-1)",
                       "SendMessageTimeoutA(" + h + ",0xc2,1,\"600000\")", "Sleep(10)"}));
  EXPECT_EQ(sim::TextOf(other), "600000");
  EXPECT_EQ(sim::Calls().back().time, 0u) << "stamped when made";
}

Hwnd FocusOf(std::uint32_t thread) {
  platform::GuiThreadInfo info;
  return GetGUIThreadInfo(thread, &info) ? info.focus : -1;
}

TEST_F(SimDesktopTest, AttachmentsAreCountedAndGoWithTheirProcessAndARefusedForegroundChangesNothing) {
  const auto [other, process, thread] = OtherProgram();
  sim::SetFocus(other);
  Hwnd bar = CreateMainBar().bar;
  sim::SetFocus(bar);
  EXPECT_EQ(FocusOf(sim::kOwnThread), bar);
  EXPECT_EQ(FocusOf(thread), other) << "read from outside";
  ASSERT_TRUE(AttachThreadInput(sim::kOwnThread, thread, true));
  EXPECT_EQ(sim::InputAttachments(), 1);
  EXPECT_EQ(FocusOf(sim::kOwnThread), other);
  ASSERT_TRUE(AttachThreadInput(sim::kOwnThread, thread, false));
  EXPECT_EQ(sim::InputAttachments(), 0);
  EXPECT_EQ(FocusOf(sim::kOwnThread), 0) << "the shared focus stays with the thread it belongs to";
  AttachThreadInput(sim::kOwnThread, thread, true);
  EXPECT_EQ(FocusOf(sim::kOwnThread), other) << "and is found there again";
  sim::EndProcess(process);
  EXPECT_EQ(sim::InputAttachments(), 0);

  // A refused foreground changes nothing; without the always-on-top bar.
  sim::Reset();
  Hwnd first = OtherProgram().window, second = OtherProgram().window;
  sim::SetForeground(first);
  sim::RefuseForeground();
  EXPECT_FALSE(SetForegroundWindow(second));
  EXPECT_EQ(GetForegroundWindow(), first);
  sim::RefuseForeground(false);
  EXPECT_TRUE(SetForegroundWindow(second));
  EXPECT_EQ(sim::Foreground(), second);
  EXPECT_EQ(EnumWindows().front(), second);
}

TEST_F(SimDesktopTest, SnapshotsListInCreationOrderAndAreCounted) {
  std::uint32_t a = sim::AddProcess("C:\\x\\A.exe"), b = sim::AddProcess("D:\\y\\b.EXE");
  Handle early = CreateToolhelp32Snapshot(kTh32csSnapAll, 0);
  sim::EndProcess(a);
  Handle late = CreateToolhelp32Snapshot(kTh32csSnapAll, 0);
  EXPECT_EQ(sim::OpenHandles(), 2);
  using List = std::vector<std::pair<std::uint32_t, std::string>>;
  auto walk = [](Handle s, List all = {}) {
    ProcessEntry e;
    for (bool more = Process32First(s, &e); more; more = Process32Next(s, &e)) all.push_back({e.processId, e.exeFile});
    return all;
  };
  EXPECT_EQ(walk(early), (List{{0, "[System Process]"}, {sim::kOwnProcess, "lingbo.exe"}, {a, "A.exe"}, {b, "b.EXE"}}));
  EXPECT_EQ(walk(late), (List{{0, "[System Process]"}, {sim::kOwnProcess, "lingbo.exe"}, {b, "b.EXE"}}));
  for (Handle snapshot : {early, late}) EXPECT_TRUE(CloseHandle(snapshot));
  EXPECT_EQ(sim::OpenHandles(), 0);

  const std::uint32_t narrow = sim::AddProcess("C:\\x\\n.exe");
  sim::Make32Bit(narrow);
  sim::DenyModules(b);
  // A 32-bit process, one that denies its modules, one that has ended.
  for (std::uint32_t refused : {narrow, b, a})
    EXPECT_EQ(CreateToolhelp32Snapshot(kTh32csSnapModule, refused), kInvalidHandle) << refused;
  sim::FailSnapshots();
  EXPECT_EQ(CreateToolhelp32Snapshot(kTh32csSnapAll, 0), kInvalidHandle);
  EXPECT_EQ(sim::OpenHandles(), 0);
}

TEST_F(SimDesktopTest, HugeFilesReadAsTheirFillAndFileNamesFoldOnlyAsciiLetters) {
  const std::uint64_t size = (std::uint64_t(5) << 30) + 123;  // 5 GiB and a bit
  sim::WriteSparseFile("C:\\dzh\\data\\sh\\STKINFO60.DAT", size, 'z');
  FindData data;
  Handle find = FindFirstFileA("c:\\DZH\\data\\sh\\*.dat", &data);
  ASSERT_NE(find, kInvalidHandle);
  EXPECT_EQ(data.fileName, "STKINFO60.DAT");
  EXPECT_EQ(data.fileSizeLow, static_cast<std::uint32_t>(size & 0xFFFFFFFFu));
  FindClose(find);
  Handle file = OpenExistingFileShared("C:\\dzh\\data\\sh\\STKINFO60.DAT");
  ASSERT_NE(file, kInvalidHandle);
  std::string chunk(1 << 20, '\0');
  std::uint32_t read = 0;
  ASSERT_TRUE(ReadFile(file, &chunk[0], static_cast<std::uint32_t>(chunk.size()), &read));
  EXPECT_EQ(read, chunk.size());
  EXPECT_EQ(chunk, std::string(chunk.size(), 'z'));
  CloseHandle(file);
  EXPECT_EQ(sim::OpenHandles(), 0);

  // "\x81\x41" and "\x81\x61" are two different GBK characters: their trail
  // bytes must not be folded like the letters A and a.
  sim::WriteFile("C:\\d\\\x81\x41.txt", "first");
  sim::WriteFile("C:\\d\\\x81\x61.txt", "second");
  EXPECT_EQ(sim::FileContent("c:\\D\\\x81\x41.TXT"), "first");
  EXPECT_EQ(sim::FileContent("C:\\d\\\x81\x61.txt"), "second");
  WritePrivateProfileStringA("S", "\x81\x41", "1", "C:\\d\\p.ini");
  WritePrivateProfileStringA("s", "\x81\x61", "2", "C:\\d\\p.ini");
  EXPECT_EQ(GetPrivateProfileStringA("S", "\x81\x41", "", 100, "C:\\d\\p.ini"), "1");
  EXPECT_EQ(GetPrivateProfileStringA("S", "\x81\x61", "", 100, "C:\\d\\p.ini"), "2");
  WritePrivateProfileStringA("Plain", "k", "v", "plain.ini");
  EXPECT_TRUE(sim::FileExists("C:\\Windows\\plain.ini")) << "a bare name lives in the Windows folder";
  sim::FailOpen("C:\\d\\p.ini");
  EXPECT_EQ(GetPrivateProfileStringA("S", "\x81\x41", "dflt", 100, "C:\\d\\p.ini"), "dflt");
  EXPECT_FALSE(WritePrivateProfileStringA("S", "x", "1", "C:\\d\\p.ini"));
}

// What the sim's input helpers leave alone, what it keeps of the key settings
// window once closed, and the tray.
TEST_F(SimDesktopTest, HiddenOrDisabledWindowsIgnoreTheUserAndTheTrayFollowsTheShellsRules) {
  KeySettingsWindows keys = CreateKeySettingsWindow();
  const Hwnd owner = GetWindow(keys.window, 4);
  sim::TypeInto(keys.sellBox, "F5");
  MainBarWindows bar = CreateMainBar();
  ShowWindow(bar.bar, kSwShow);
  EnableWindow(bar.bar, false);
  sim::Click(bar.buyButton);
  sim::DoubleClick(bar.codeLabel);
  EXPECT_TRUE(sim::Events().empty()) << "nobody types into a hidden window or clicks a disabled one";
  EXPECT_TRUE(EnableWindow(bar.bar, true)) << "it was disabled";
  sim::Click(bar.sellButton);
  EXPECT_EQ(TimesOf("OnSellClicked()").size(), 1u);
  ShowWindow(keys.window, kSwShow);
  sim::TypeInto(keys.sellBox, "F5");
  EXPECT_EQ(TimesOf("OnSellKeyChanged()").size(), 1u);
  sim::PressEscape(keys.buyBox);
  EXPECT_EQ(sim::KeySettings().window, 0);
  EXPECT_FALSE(IsWindow(owner));

  // The tray icon and its menu follow the shell's rules.
  TrayIcon icon{bar.bar, 100, kWmApp + 100, std::string(30, 'a') + "凌波助手凌波助手凌波助手凌波助手"};
  EXPECT_FALSE(ShellNotifyIconA(kNimModify, icon));
  EXPECT_TRUE(ShellNotifyIconA(kNimAdd, icon));
  EXPECT_FALSE(ShellNotifyIconA(kNimAdd, icon));
  sim::TrayState tray = sim::Tray();
  EXPECT_TRUE(tray.present);
  EXPECT_EQ(tray.adds, 2);
  EXPECT_EQ(tray.icon.tip.size(), 62u);
  EXPECT_EQ(tray.icon.tip.substr(30, 8), "凌波助手");
  icon.tip = "凌波助手";
  EXPECT_TRUE(ShellNotifyIconA(kNimModify, icon));
  EXPECT_EQ(sim::Tray().icon.tip, "凌波助手");
  EXPECT_TRUE(ShellNotifyIconA(kNimDelete, icon));
  EXPECT_FALSE(ShellNotifyIconA(kNimDelete, icon));
  EXPECT_FALSE(sim::Tray().present);

  // The menu answers the scripted choice once.
  CheckTrayMenuItem(TrayMenuItem::kDzh, false);
  CheckTrayMenuItem(TrayMenuItem::kTrader, true);
  sim::ChooseFromTrayMenu(TrayMenuItem::kExit);
  EXPECT_EQ(TrackTrayMenu(bar.bar, 300, 200), TrayMenuItem::kExit);
  EXPECT_EQ(TrackTrayMenu(bar.bar, 10, 20), TrayMenuItem::kNone);
  sim::TrayMenuShown shown = sim::LastTrayMenu();
  EXPECT_EQ(shown.times, 2);
  EXPECT_EQ(shown.at.x, 10);
  EXPECT_EQ(shown.items, (std::vector<std::string>{"大智慧", "√交易师", "通达信", "状态…", "退出"}));
}

// The message loop ends with the exit code, and Reset forgets it all.
TEST_F(SimDesktopTest, TheMessageLoopEndsWithTheExitCodeAndResetForgetsEverything) {
  sim::At(2500, [] { ExitProcess(3); });
  EXPECT_EQ(RunMessageLoop(), 3);
  EXPECT_EQ(sim::Now(), 2500u);
  unsigned code = 0;
  EXPECT_TRUE(sim::Exited(&code));
  EXPECT_EQ(code, 3u);
  const auto [other, process, thread] = OtherProgram();
  CreateMainBar();
  sim::WriteFile("C:\\x\\y.txt", "1");
  CreateToolhelp32Snapshot(kTh32csSnapAll, 0);
  sim::At(10, [] {});
  Sleep(5);
  sim::Reset();
  EXPECT_EQ(sim::Now(), 0u);
  EXPECT_FALSE(sim::Exited());
  EXPECT_FALSE(IsWindow(other));
  EXPECT_EQ(sim::Bar().bar, 0);
  EXPECT_FALSE(sim::FileExists("C:\\x\\y.txt"));
  EXPECT_TRUE(sim::FileExists(sim::kOwnExePath));
  EXPECT_EQ(sim::OpenHandles(), 0);
  EXPECT_EQ(sim::MainThreadOf(process), 0u);
  sim::ClearCalls();
  EXPECT_TRUE(EnumWindows().empty());
  EXPECT_TRUE(sim::Events().empty());
}

}  // namespace
