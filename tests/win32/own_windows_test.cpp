// The program's own windows on the real API: shape, styles, layout, and the
// events they report.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/events.h"
#include "platform/platform.h"
#include "win32/recorded_events.h"

std::vector<std::string>& RecordedEvents() {
  static std::vector<std::string> names;
  return names;
}

void PumpMessages(unsigned ms) {
  const DWORD end = ::GetTickCount() + ms;
  do {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        RecordedEvents().push_back("quit");
        continue;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
    ::Sleep(5);
  } while (static_cast<int>(end - ::GetTickCount()) > 0);
}

namespace events {
void OnMainBarMoved() { RecordedEvents().push_back("moved"); }
void OnMainBarDestroyed() { RecordedEvents().push_back("barDestroyed"); }
void OnTimer(unsigned id) { RecordedEvents().push_back("timer" + std::to_string(id)); }
void OnTrayMessage(unsigned m) { RecordedEvents().push_back("tray" + std::to_string(m)); }
void OnTaskbarCreated() { RecordedEvents().push_back("taskbarCreated"); }
void OnBuyClicked() { RecordedEvents().push_back("buy"); }
void OnSellClicked() { RecordedEvents().push_back("sell"); }
void OnCodeLabelDoubleClicked() { RecordedEvents().push_back("labelDouble"); }
void OnCodeLabelRightButtonDown() { RecordedEvents().push_back("labelRight"); }
void OnBuyKeyChanged() { RecordedEvents().push_back("buyKey"); }
void OnSellKeyChanged() { RecordedEvents().push_back("sellKey"); }
void OnFunctionKeyChanged() { RecordedEvents().push_back("functionKey"); }
void OnSettingsFileClicked() { RecordedEvents().push_back("settingsFile"); }
void OnKeySettingsClosed() { RecordedEvents().push_back("keySettingsClosed"); }
}  // namespace events

namespace {

using platform::Hwnd;
using Events = std::vector<std::string>;

HWND H(Hwnd window) { return reinterpret_cast<HWND>(static_cast<std::intptr_t>(window)); }

RECT ClientRectIn(HWND parent, HWND child) {
  RECT r;
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string Text(HWND window) { return platform::GetWindowTextA(reinterpret_cast<std::intptr_t>(window), 256); }

// Renders a window's client area through WM_PRINTCLIENT, as a paint would.
struct Rendering {
  HDC dc = ::CreateCompatibleDC(nullptr);
  HBITMAP bitmap;
  HGDIOBJ old;
  Rendering(HWND window, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = ::SelectObject(dc, bitmap);
    ::SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  }
  ~Rendering() {
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
  }
  COLORREF At(int x, int y) const { return ::GetPixel(dc, x, y); }
  int Count(COLORREF colour, int width, int height) const {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) n += At(x, y) == colour;
    return n;
  }
};

class OwnWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ApplyVisualStyle(0);
    RecordedEvents().clear();
  }
  void TearDown() override {
    for (HWND window : {H(bar.bar), H(keys.window)})
      if (::IsWindow(window)) ::DestroyWindow(window);
    PumpMessages(20);
  }
  void MakeBar() {
    bar = platform::CreateMainBar();
    ASSERT_GT(bar.bar, 0);
  }
  platform::MainBarWindows bar;
  platform::KeySettingsWindows keys;
};

TEST_F(OwnWindows, BarIsABorderlessTopmostToolStripCentredAndHidden) {
  MakeBar();
  HWND window = H(bar.bar);
  const LONG style = ::GetWindowLongA(window, GWL_STYLE);
  const LONG exStyle = ::GetWindowLongA(window, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_SYSMENU | WS_VISIBLE), 0);
  EXPECT_EQ(exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST), WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  EXPECT_EQ(exStyle & WS_EX_APPWINDOW, 0);
  RECT outer, client;
  ::GetWindowRect(window, &outer);
  ::GetClientRect(window, &client);
  EXPECT_EQ(outer.right - outer.left, 120);
  EXPECT_EQ(outer.bottom - outer.top, 24);
  EXPECT_EQ(client.right, 120);
  EXPECT_EQ(client.bottom, 24);
  EXPECT_EQ(outer.left, (::GetSystemMetrics(SM_CXSCREEN) - 120) / 2);
  EXPECT_EQ(outer.top, (::GetSystemMetrics(SM_CYSCREEN) - 24) / 2);
  EXPECT_EQ(Text(window), "凌波助手");
  PumpMessages(20);
  EXPECT_EQ(RecordedEvents(), Events{}) << "no move may be reported while the bar is created";
}

TEST_F(OwnWindows, BarControlsSitWhereTheLayoutPutsThem) {
  MakeBar();
  struct Case {
    Hwnd control;
    RECT rect;
    const char* text;
  } const cases[] = {
      {bar.buyButton, {0, 0, 30, 24}, "买"},
      {bar.codeLabel, {30, 0, 90, 24}, ""},
      {bar.sellButton, {90, 0, 120, 24}, "卖"},
  };
  for (const Case& c : cases) {
    const RECT r = ClientRectIn(H(bar.bar), H(c.control));
    EXPECT_EQ(r.left, c.rect.left) << c.text;
    EXPECT_EQ(r.top, c.rect.top) << c.text;
    EXPECT_EQ(r.right, c.rect.right) << c.text;
    EXPECT_EQ(r.bottom, c.rect.bottom) << c.text;
    EXPECT_EQ(Text(H(c.control)), c.text);
    EXPECT_EQ(::GetParent(H(c.control)), H(bar.bar));
  }
  EXPECT_TRUE(::GetWindowLongA(H(bar.codeLabel), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(::GetClassLongA(H(bar.codeLabel), GCL_STYLE) & CS_DBLCLKS);
}

TEST_F(OwnWindows, CodeLabelShowsItsWindowTextInCyanOnBlack) {
  MakeBar();
  HWND label = H(bar.codeLabel);
  RECT client;
  ::GetClientRect(label, &client);
  const int w = client.right, h = client.bottom;
  const COLORREF cyan = RGB(0, 255, 255), black = RGB(0, 0, 0);
  {
    Rendering blank(label, w, h);
    EXPECT_EQ(blank.Count(black, w, h), w * h);
  }
  ASSERT_TRUE(platform::SetWindowTextA(bar.codeLabel, "600000"));
  // Another process reads the caption as the window's text.
  char text[16] = {};
  ::SendMessageA(label, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "600000");
  Rendering shown(label, w, h);
  EXPECT_EQ(shown.At(0, 0), black);
  EXPECT_EQ(shown.At(w - 1, h - 1), black);
  EXPECT_GT(shown.Count(cyan, w, h), 10);
  EXPECT_EQ(shown.Count(cyan, w, h) + shown.Count(black, w, h), w * h) << "text drawn transparently";
}

TEST_F(OwnWindows, BarReportsItsEvents) {
  MakeBar();
  const UINT taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
  ASSERT_TRUE(platform::ShellNotifyIconA(platform::kNimAdd, {bar.bar, 100, WM_APP + 100, "凌波助手"}));
  struct Case {
    HWND target;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    Events expected;
  } const cases[] = {
      {H(bar.buyButton), BM_CLICK, 0, 0, {"buy"}},
      {H(bar.sellButton), BM_CLICK, 0, 0, {"sell"}},
      {H(bar.codeLabel), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5), {"labelDouble"}},
      {H(bar.codeLabel), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5), {"labelRight"}},
      {H(bar.bar), WM_APP + 100, 100, WM_LBUTTONUP, {"tray514"}},
      {H(bar.bar), WM_APP + 100, 100, WM_CONTEXTMENU, {"tray123"}},
      {H(bar.bar), taskbarCreated, 0, 0, {"taskbarCreated"}},
      // Escape, by any path, leaves the bar alone.
      {H(bar.bar), WM_COMMAND, IDCANCEL, 0, {}},
      {H(bar.buyButton), WM_KEYDOWN, VK_ESCAPE, 0x00010001, {}},
      {H(bar.bar), WM_MOVE, 0, MAKELPARAM(7, 9), {"moved"}},
  };
  for (const Case& c : cases) {
    RecordedEvents().clear();
    ::SendMessageA(c.target, c.message, c.wParam, c.lParam);
    PumpMessages(10);
    EXPECT_EQ(RecordedEvents(), c.expected) << "message " << c.message;
  }
  EXPECT_TRUE(::IsWindow(H(bar.bar)));
  platform::ShellNotifyIconA(platform::kNimDelete, {bar.bar, 100, WM_APP + 100, ""});
}

// Two quick clicks are two clicks, whether the skin draws the buttons (which
// then report the second as a double-click) or the system does.
TEST_F(OwnWindows, ASecondQuickClickOnAButtonIsASecondClick) {
  MakeBar();
  const LPARAM at = MAKELPARAM(5, 5);
  for (int scheme : {3, 0}) {
    platform::ApplyVisualStyle(scheme);
    for (const auto& [button, name] : {std::pair{bar.buyButton, "buy"}, std::pair{bar.sellButton, "sell"}}) {
      RecordedEvents().clear();
      for (UINT press : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}) {
        ::SendMessageA(H(button), press, MK_LBUTTON, at);
        ::SendMessageA(H(button), WM_LBUTTONUP, 0, at);
      }
      PumpMessages(10);
      EXPECT_EQ(RecordedEvents(), (Events{name, name})) << "scheme " << scheme;
    }
  }
}

TEST_F(OwnWindows, BarTimerAndDestructionAreReported) {
  MakeBar();
  ASSERT_TRUE(platform::SetTimer(bar.bar, 7, 10));
  PumpMessages(100);
  ASSERT_FALSE(RecordedEvents().empty());
  EXPECT_EQ(RecordedEvents().front(), "timer7");
  ASSERT_TRUE(platform::KillTimer(bar.bar, 7));
  PumpMessages(20);
  RecordedEvents().clear();
  PumpMessages(60);
  EXPECT_EQ(RecordedEvents(), Events{}) << "a killed timer keeps quiet";
  ::DestroyWindow(H(bar.bar));
  PumpMessages(10);
  EXPECT_EQ(RecordedEvents(), (Events{"barDestroyed", "quit"})) << "the loop ends with the bar";
}

TEST_F(OwnWindows, LeftPressOnLabelDragsTheBarInsteadOfReachingTheLabel) {
  MakeBar();
  // The press turns into a caption press posted to the bar; peek at it.
  ::SendMessageA(H(bar.codeLabel), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
  MSG message;
  ASSERT_TRUE(::PeekMessageA(&message, H(bar.bar), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
  EXPECT_EQ(message.wParam, static_cast<WPARAM>(HTCAPTION));
  POINT expected{3, 4};
  ::ClientToScreen(H(bar.codeLabel), &expected);
  EXPECT_EQ(static_cast<short>(LOWORD(message.lParam)), expected.x);
  EXPECT_EQ(static_cast<short>(HIWORD(message.lParam)), expected.y);
}

TEST_F(OwnWindows, KeySettingsWindowHasItsFrameAndLayout) {
  MakeBar();
  keys = platform::CreateKeySettingsWindow();
  ASSERT_GT(keys.window, 0);
  HWND window = H(keys.window);
  const LONG style = ::GetWindowLongA(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_VISIBLE), 0);
  EXPECT_EQ(::GetWindowLongA(window, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_APPWINDOW), 0);
  HWND owner = ::GetWindow(window, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_NE(owner, H(bar.bar)) << "owned by the topmost bar it would float above everything";
  EXPECT_FALSE(::IsWindowVisible(owner));
  RECT outer;
  ::GetWindowRect(window, &outer);
  EXPECT_EQ(outer.right - outer.left, 253);
  EXPECT_EQ(outer.bottom - outer.top, 150);
  EXPECT_EQ(outer.left, (::GetSystemMetrics(SM_CXSCREEN) - 253) / 2);
  EXPECT_EQ(Text(window), "功能键设置");

  const std::string note = "键码表： \r\n\r\nF1[112],F2[113]\r\n\r\nF3[114],F4[115]\r\n\r\n依此类推”";
  struct Case {
    const char* className;
    RECT rect;
    std::string text;
    Hwnd handle;  // 0: not handed out
  } const cases[] = {
      {"Static", {8, 7, 48, 32}, "买入键", 0},  {"Edit", {58, 7, 128, 32}, "", keys.buyBox},
      {"Static", {8, 37, 48, 62}, "卖出键", 0}, {"Edit", {58, 37, 128, 62}, "", keys.sellBox},
      {"Static", {8, 67, 48, 92}, "功能键", 0}, {"Edit", {58, 67, 128, 92}, "", keys.functionBox},
      {"Static", {136, 6, 240, 97}, note, 0},   {"Button", {11, 96, 235, 120}, "配置文件", 0},
  };
  HWND child = ::GetWindow(window, GW_CHILD);
  for (const Case& c : cases) {
    ASSERT_NE(child, nullptr) << c.text;
    char name[32];
    ::GetClassNameA(child, name, sizeof name);
    EXPECT_STRCASEEQ(name, c.className);
    const RECT r = ClientRectIn(window, child);
    EXPECT_TRUE(r.left == c.rect.left && r.top == c.rect.top && r.right == c.rect.right && r.bottom == c.rect.bottom)
        << c.text << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    EXPECT_EQ(Text(child), c.text);
    if (c.handle) {
      EXPECT_EQ(child, H(c.handle));
    }
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(::SendMessageA(child, WM_GETFONT, 0, 0)), ::GetStockObject(DEFAULT_GUI_FONT));
    child = ::GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr) << "no further controls";
}

TEST_F(OwnWindows, KeySettingsReportsEachChangeOnceAndClosesOnEscape) {
  MakeBar();
  keys = platform::CreateKeySettingsWindow();
  ASSERT_GT(keys.window, 0);
  platform::SetWindowTextA(keys.buyBox, "112");
  platform::SetWindowTextA(keys.sellBox, "113");
  platform::SetWindowTextA(keys.functionBox, "F5");
  ::SendMessageA(::GetWindow(::GetWindow(H(keys.functionBox), GW_HWNDNEXT), GW_HWNDNEXT), BM_CLICK, 0, 0);
  PumpMessages(10);
  EXPECT_EQ(RecordedEvents(), (Events{"buyKey", "sellKey", "functionKey", "settingsFile"}));
  EXPECT_EQ(platform::GetWindowTextA(keys.functionBox, 16), "F5");

  RecordedEvents().clear();
  // Escape in a box, routed as the message loop routes it.
  MSG escape{H(keys.sellBox), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
  EXPECT_TRUE(::IsDialogMessageA(H(keys.window), &escape));
  PumpMessages(20);
  EXPECT_FALSE(::IsWindow(H(keys.window)));
  EXPECT_EQ(RecordedEvents(), Events{"keySettingsClosed"});
  EXPECT_TRUE(::IsWindow(H(bar.bar)));
}

TEST_F(OwnWindows, TrayMenuKeepsMarksAndReturnsTheChosenItem) {
  using platform::TrayMenuItem;
  EXPECT_TRUE(platform::IsTrayMenuItemChecked(TrayMenuItem::kDzh)) << "大智慧 is the default source";
  EXPECT_FALSE(platform::IsTrayMenuItemChecked(TrayMenuItem::kTrader));
  platform::CheckTrayMenuItem(TrayMenuItem::kDzh, false);
  platform::CheckTrayMenuItem(TrayMenuItem::kTrader, true);
  platform::CheckTrayMenuItem(TrayMenuItem::kExit, true);
  EXPECT_FALSE(platform::IsTrayMenuItemChecked(TrayMenuItem::kDzh));
  EXPECT_TRUE(platform::IsTrayMenuItemChecked(TrayMenuItem::kTrader));
  EXPECT_FALSE(platform::IsTrayMenuItemChecked(TrayMenuItem::kExit)) << "退出 never carries a mark";
  platform::CheckTrayMenuItem(TrayMenuItem::kDzh, true);
  platform::CheckTrayMenuItem(TrayMenuItem::kTrader, false);

  MakeBar();
  ::SetForegroundWindow(H(bar.bar));
  struct Case {
    std::vector<WORD> keys;
    TrayMenuItem expected;
  } const cases[] = {
      {{VK_DOWN, VK_RETURN}, TrayMenuItem::kDzh},
      {{VK_DOWN, VK_DOWN, VK_RETURN}, TrayMenuItem::kTrader},
      {{VK_UP, VK_RETURN}, TrayMenuItem::kExit},
      {{VK_ESCAPE}, TrayMenuItem::kNone},
  };
  for (const Case& c : cases) {
    // The menu's own loop picks up keys already queued for this thread.
    for (WORD key : c.keys) ::PostMessageA(H(bar.bar), WM_KEYDOWN, key, 1);
    EXPECT_EQ(platform::TrackTrayMenu(bar.bar, 400, 300), c.expected) << c.keys.size();
    PumpMessages(10);
  }
}

TEST_F(OwnWindows, FlatSkinFramesButtonsInTheSchemeColourAndSwitchesOff) {
  MakeBar();
  struct Case {
    int scheme;
    COLORREF frame;
  } const cases[] = {{3, RGB(198, 197, 215)}, {1, RGB(123, 158, 189)}, {2, RGB(164, 185, 127)}};
  for (const Case& c : cases) {
    platform::ApplyVisualStyle(c.scheme);
    // A window made afterwards follows the skin as well.
    keys = platform::CreateKeySettingsWindow();
    for (Hwnd button : {bar.buyButton, bar.sellButton}) {
      EXPECT_EQ(::GetWindowLongA(H(button), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << c.scheme;
    }
    HWND fileButton = ::GetWindow(H(keys.window), GW_CHILD);
    while (::GetWindow(fileButton, GW_HWNDNEXT)) fileButton = ::GetWindow(fileButton, GW_HWNDNEXT);
    EXPECT_EQ(::GetWindowLongA(fileButton, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << c.scheme;
    Rendering buy(H(bar.buyButton), 30, 24);
    EXPECT_EQ(buy.At(0, 0), c.frame) << c.scheme;
    EXPECT_EQ(buy.At(29, 23), c.frame) << c.scheme;
    EXPECT_NE(buy.At(15, 2), c.frame) << "filled inside the frame";
    ::DestroyWindow(H(keys.window));
    PumpMessages(5);
  }
  for (int off : {0, 4, -1}) {
    platform::ApplyVisualStyle(3);
    platform::ApplyVisualStyle(off);
    EXPECT_EQ(::GetWindowLongA(H(bar.buyButton), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON) << off;
  }
}

}  // namespace
