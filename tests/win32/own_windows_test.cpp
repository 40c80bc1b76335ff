// What only the program's real windows show: styles, fonts, the skin's
// pixels, the caption drag and the menu's keys.  Their places and reports are
// stated in the contract suite.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "contract/world.h"
#include "platform/platform.h"

namespace {

using platform::Hwnd;
using Events = std::vector<std::string>;
using contract::OwnEvents;

void PumpMessages(unsigned ms) { contract::TheWorld().Pump(ms); }

HWND H(Hwnd window) { return reinterpret_cast<HWND>(static_cast<std::intptr_t>(window)); }

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
    OwnEvents().clear();
    bar = platform::CreateMainBar();
    ASSERT_GT(bar.bar, 0);
  }
  void TearDown() override {
    for (HWND window : {H(bar.bar), H(keys.window)})
      if (::IsWindow(window)) ::DestroyWindow(window);
    PumpMessages(20);
  }
  platform::MainBarWindows bar;
  platform::KeySettingsWindows keys;
};

// Size, place, layout and reports are stated with the sim's in the contract
// suite; the styles behind them are the real windows' own.
TEST_F(OwnWindows, BarIsABorderlessTopmostToolStrip) {
  HWND window = H(bar.bar);
  const LONG style = ::GetWindowLongA(window, GWL_STYLE);
  const LONG exStyle = ::GetWindowLongA(window, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_SYSMENU | WS_VISIBLE), 0);
  EXPECT_EQ(exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST), WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  EXPECT_EQ(exStyle & WS_EX_APPWINDOW, 0);
  RECT client;
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, 120);
  EXPECT_EQ(client.bottom, 24);
  EXPECT_TRUE(::GetWindowLongA(H(bar.codeLabel), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(::GetClassLongA(H(bar.codeLabel), GCL_STYLE) & CS_DBLCLKS);
}

TEST_F(OwnWindows, CodeLabelShowsItsWindowTextInCyanOnBlack) {
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

// Two quick clicks are two clicks, whether the skin draws the buttons (which
// then report the second as a double-click) or the system does.
TEST_F(OwnWindows, ASecondQuickClickOnAButtonIsASecondClick) {
  const LPARAM at = MAKELPARAM(5, 5);
  for (int scheme : {3, 0}) {
    platform::ApplyVisualStyle(scheme);
    for (const auto& [button, name] :
         {std::pair{bar.buyButton, "OnBuyClicked()"}, std::pair{bar.sellButton, "OnSellClicked()"}}) {
      OwnEvents().clear();
      for (UINT press : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}) {
        ::SendMessageA(H(button), press, MK_LBUTTON, at);
        ::SendMessageA(H(button), WM_LBUTTONUP, 0, at);
      }
      EXPECT_EQ(contract::Reported(10), (Events{name, name})) << "scheme " << scheme;
    }
  }
}

TEST_F(OwnWindows, LeftPressOnLabelDragsTheBarInsteadOfReachingTheLabel) {
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

TEST_F(OwnWindows, KeySettingsWindowHasItsFrameAndFontAndFollowsItsMonitorsDpi) {
  keys = platform::CreateKeySettingsWindow();
  ASSERT_GT(keys.window, 0);
  HWND window = H(keys.window);
  const LONG style = ::GetWindowLongA(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_VISIBLE), 0);
  EXPECT_EQ(::GetWindowLongA(window, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_APPWINDOW), 0);
  // At 100 %, the stock GUI font's face and size.
  LOGFONTW stock{};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
  const auto controls = [window] {
    std::vector<std::pair<HWND, RECT>> all;  // each with its place in the window
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      RECT place{};
      ::GetWindowRect(child, &place);
      ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
      all.push_back({child, place});
    }
    return all;
  };
  const auto fontOf = [](HWND child) {
    LOGFONTW font{};
    EXPECT_TRUE(::GetObjectW(reinterpret_cast<HGDIOBJ>(::SendMessageW(child, WM_GETFONT, 0, 0)), sizeof font, &font));
    return font;
  };
  const auto before = controls();
  ASSERT_EQ(before.size(), 8u);
  for (const auto& control : before) {
    const LOGFONTW font = fontOf(control.first);
    EXPECT_EQ(font.lfHeight, stock.lfHeight) << Text(control.first);
    EXPECT_EQ(std::wstring(font.lfFaceName), std::wstring(stock.lfFaceName)) << Text(control.first);
  }

  // Dragged onto a monitor at 150 %: the size Windows suggests, and every
  // control and its font half as large again.
  RECT suggested{};
  ::GetWindowRect(window, &suggested);
  suggested = {suggested.left + 40, suggested.top + 30,
               suggested.left + 40 + (suggested.right - suggested.left) * 3 / 2,
               suggested.top + 30 + (suggested.bottom - suggested.top) * 3 / 2};
  ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  RECT now{};
  ::GetWindowRect(window, &now);
  EXPECT_EQ(std::vector<LONG>({now.left, now.top, now.right, now.bottom}),
            std::vector<LONG>({suggested.left, suggested.top, suggested.right, suggested.bottom}));
  const auto after = controls();
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    const auto& [child, place] = after[i];
    const RECT& was = before[i].second;
    EXPECT_EQ(std::vector<LONG>({place.left, place.top, place.right - place.left, place.bottom - place.top}),
              std::vector<LONG>({::MulDiv(was.left, 3, 2), ::MulDiv(was.top, 3, 2),
                                 ::MulDiv(was.right - was.left, 3, 2), ::MulDiv(was.bottom - was.top, 3, 2)}))
        << Text(child);
    EXPECT_EQ(fontOf(child).lfHeight, ::MulDiv(stock.lfHeight, 3, 2)) << Text(child);
  }
}

// The marks are stated in the contract suite; the real menu answers keys.
TEST_F(OwnWindows, TrayMenuReturnsTheChosenItem) {
  using platform::TrayMenuItem;
  ::SetForegroundWindow(H(bar.bar));
  const std::pair<std::vector<WORD>, TrayMenuItem> cases[] = {
      {{VK_DOWN, VK_RETURN}, TrayMenuItem::kDzh},
      {{VK_DOWN, VK_DOWN, VK_RETURN}, TrayMenuItem::kTrader},
      {{VK_UP, VK_RETURN}, TrayMenuItem::kExit},
      {{VK_ESCAPE}, TrayMenuItem::kNone},
  };
  for (const auto& [presses, expected] : cases) {
    // The menu's own loop picks up keys already queued for this thread.
    for (WORD key : presses) ::PostMessageA(H(bar.bar), WM_KEYDOWN, key, 1);
    EXPECT_EQ(platform::TrackTrayMenu(bar.bar, 400, 300), expected) << presses.size();
    PumpMessages(10);
  }
}

TEST_F(OwnWindows, FlatSkinFramesButtonsInTheSchemeColourAndSwitchesOff) {
  const std::pair<int, COLORREF> cases[] = {{3, RGB(198, 197, 215)}, {1, RGB(123, 158, 189)}, {2, RGB(164, 185, 127)}};
  for (const auto& [scheme, frame] : cases) {
    platform::ApplyVisualStyle(scheme);
    // A window made afterwards follows the skin as well.
    keys = platform::CreateKeySettingsWindow();
    for (Hwnd button : {bar.buyButton, bar.sellButton}) {
      EXPECT_EQ(::GetWindowLongA(H(button), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << scheme;
    }
    HWND fileButton = ::GetWindow(::GetWindow(H(keys.window), GW_CHILD), GW_HWNDLAST);
    EXPECT_EQ(::GetWindowLongA(fileButton, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << scheme;
    Rendering buy(H(bar.buyButton), 30, 24);
    EXPECT_EQ(buy.At(0, 0), frame) << scheme;
    EXPECT_EQ(buy.At(29, 23), frame) << scheme;
    EXPECT_NE(buy.At(15, 2), frame) << "filled inside the frame";
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
