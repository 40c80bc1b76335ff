// The key settings window: three boxes for the key codes, a note and a button
// that opens the settings file.
#include "platform/events.h"
#include "platform/win32/win32.h"

namespace {

constexpr char kWindowClass[] = "LingboKeySettings";
constexpr char kOwnerClass[] = "LingboOwner";
constexpr int kWidth = 253;
constexpr int kHeight = 150;
enum : int { kBuyBoxId = 101, kSellBoxId, kFunctionBoxId, kSettingsFileId };

constexpr char kNote[] =
    "键码表： \r\n\r\n"
    "F1[112],F2[113]\r\n\r\n"
    "F3[114],F4[115]\r\n\r\n"
    "依此类推”";

LRESULT CALLBACK KeySettingsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kBuyBoxId:
          if (HIWORD(wParam) == EN_CHANGE) events::OnBuyKeyChanged();
          break;
        case kSellBoxId:
          if (HIWORD(wParam) == EN_CHANGE) events::OnSellKeyChanged();
          break;
        case kFunctionBoxId:
          if (HIWORD(wParam) == EN_CHANGE) events::OnFunctionKeyChanged();
          break;
        case kSettingsFileId:
          if (HIWORD(wParam) == BN_CLICKED) events::OnSettingsFileClicked();
          break;
        case IDCANCEL:  // Escape, routed here by IsDialogMessage
          ::PostMessageW(window, WM_CLOSE, 0, 0);
          break;
      }
      return 0;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetTextColor(dc, RGB(0, 0, 0));
      ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DPICHANGED:
      win32::FollowDialogDpi(window, wParam, lParam);
      return 0;
    case WM_DESTROY:
      win32::RemoveDialogWindow(window);
      events::OnKeySettingsClosed();
      return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

// Owned windows get no taskbar button; the owner is never shown.  It is not
// the bar, whose topmost state an owned window would inherit.
HWND HiddenOwner() {
  static HWND owner = nullptr;
  if (owner && ::IsWindow(owner)) return owner;
  if (!win32::RegisterOnce(kOwnerClass, ::DefWindowProcW, 0, nullptr)) return nullptr;
  owner = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"LingboOwner", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            win32::Instance(), nullptr);
  return owner;
}

}  // namespace

namespace platform {

KeySettingsWindows CreateKeySettingsWindow() {
  using win32::CreateControl;
  using win32::FromHwnd;
  if (!win32::RegisterOnce(kWindowClass, KeySettingsProc, 0, ::GetSysColorBrush(COLOR_BTNFACE))) return {};
  // It opens in the middle of the primary monitor, laid out at the dpi that
  // monitor has now, which the dpi of sign-in need not be.
  HWND window =
      ::CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, L"LingboKeySettings",
                        win32::Wide("功能键设置").c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0, 0,
                        kWidth, kHeight, HiddenOwner(), nullptr, win32::Instance(), nullptr);
  if (!window) return {};
  const UINT dpi = win32::DpiOf(window);
  const int width = win32::Scaled(kWidth, dpi), height = win32::Scaled(kHeight, dpi);
  const POINT origin = win32::CentredOnScreen(width, height);
  ::SetWindowPos(window, nullptr, origin.x, origin.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  constexpr DWORD kCaption = SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX;
  constexpr DWORD kBox = WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
  KeySettingsWindows windows;
  windows.window = FromHwnd(window);
  CreateControl(window, "STATIC", "买入键", kCaption, 0, 8, 7, 40, 25, -1, dpi);
  windows.buyBox = FromHwnd(CreateControl(window, "EDIT", "", kBox, WS_EX_CLIENTEDGE, 58, 7, 70, 25, kBuyBoxId, dpi));
  CreateControl(window, "STATIC", "卖出键", kCaption, 0, 8, 37, 40, 25, -1, dpi);
  windows.sellBox =
      FromHwnd(CreateControl(window, "EDIT", "", kBox, WS_EX_CLIENTEDGE, 58, 37, 70, 25, kSellBoxId, dpi));
  CreateControl(window, "STATIC", "功能键", kCaption, 0, 8, 67, 40, 25, -1, dpi);
  windows.functionBox =
      FromHwnd(CreateControl(window, "EDIT", "", kBox, WS_EX_CLIENTEDGE, 58, 67, 70, 25, kFunctionBoxId, dpi));
  CreateControl(window, "STATIC", kNote, SS_LEFT | SS_NOPREFIX, 0, 136, 6, 104, 91, -1, dpi);
  CreateControl(window, "BUTTON", "配置文件", WS_TABSTOP | BS_PUSHBUTTON, 0, 11, 96, 224, 24, kSettingsFileId, dpi);
  win32::AddDialogWindow(window, dpi);
  return windows;
}

}  // namespace platform
