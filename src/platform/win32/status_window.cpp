// The status window: what the program sees, in a text the trader can select
// and copy.
#include <algorithm>
#include <cstring>

#include "platform/events.h"
#include "platform/win32/win32.h"

namespace {

constexpr char kWindowClass[] = "LingboStatus";
constexpr int kWidth = 520;
constexpr int kHeight = 600;
enum : int { kTextId = 101, kCopyId };

LRESULT CALLBACK StatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kCopyId && HIWORD(wParam) == BN_CLICKED) events::OnStatusCopyClicked();
      if (LOWORD(wParam) == IDCANCEL) ::PostMessageW(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_CTLCOLORSTATIC: {
      // A read-only edit is drawn as a static: keep it white, as text to read.
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
      ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_DPICHANGED:
      win32::FollowDialogDpi(window, wParam, lParam);
      return 0;
    case WM_DESTROY:
      win32::RemoveDialogWindow(window);
      events::OnStatusClosed();
      return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

namespace platform {

StatusWindows CreateStatusWindow() {
  using win32::CreateControl;
  using win32::FromHwnd;
  if (!win32::RegisterOnce(kWindowClass, StatusProc, 0, ::GetSysColorBrush(COLOR_BTNFACE))) return {};
  // No owner and WS_EX_APPWINDOW: an ordinary window with its own taskbar
  // button, which the trader can leave behind other windows.
  HWND window =
      ::CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, L"LingboStatus", win32::Wide("凌波助手 状态").c_str(),
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0, 0, kWidth,
                        kHeight, nullptr, nullptr, win32::Instance(), nullptr);
  if (!window) return {};
  // It opens in the middle of the primary monitor, laid out at the dpi that
  // monitor has now, which the dpi of sign-in need not be.
  const UINT dpi = win32::DpiOf(window);
  // Scaled, but never taller or wider than the screen leaves room for: a
  // small screen at 150 % has less room than 600 pixels at 100 %.
  RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int outerWidth = std::min(win32::Scaled(kWidth, dpi), static_cast<int>(work.right - work.left));
  const int outerHeight = std::min(win32::Scaled(kHeight, dpi), static_cast<int>(work.bottom - work.top));
  const POINT origin = win32::CentredOnScreen(outerWidth, outerHeight);
  ::SetWindowPos(window, nullptr, origin.x, origin.y, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  ::GetClientRect(window, &client);
  // The client area in lengths at 96 dpi, which the controls are given in.
  const int width = ::MulDiv(client.right - client.left, 96, static_cast<int>(dpi));
  const int height = ::MulDiv(client.bottom - client.top, 96, static_cast<int>(dpi));
  StatusWindows windows;
  windows.window = FromHwnd(window);
  windows.text = FromHwnd(CreateControl(
      window, "EDIT", "", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL,
      WS_EX_CLIENTEDGE, 8, 8, width - 16, height - 50, kTextId, dpi));
  windows.copyButton = FromHwnd(CreateControl(window, "BUTTON", "复制", WS_TABSTOP | BS_PUSHBUTTON, 0, width - 96,
                                              height - 34, 88, 26, kCopyId, dpi));
  win32::AddDialogWindow(window, dpi);
  return windows;
}

void UpdateEditText(Hwnd edit, const std::string& text) {
  HWND box = win32::ToHwnd(edit);
  const win32::WideText wide = win32::Wide(text);
  const int length = ::GetWindowTextLengthW(box);
  win32::WideText now(static_cast<std::size_t>(length > 0 ? length : 0));
  now.resize(static_cast<std::size_t>(::GetWindowTextW(box, now.data(), static_cast<int>(now.size()) + 1)));
  if (now == wide) return;
  // A refresh must not take away what the trader has selected or scrolled to.
  DWORD start = 0, end = 0;
  ::SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const LRESULT firstLine = ::SendMessageA(box, EM_GETFIRSTVISIBLELINE, 0, 0);
  ::SetWindowTextW(box, wide.c_str());
  ::SendMessageA(box, EM_SETSEL, start, end);
  ::SendMessageA(box, EM_LINESCROLL, 0, firstLine);
}

bool SetClipboardText(Hwnd owner, const std::string& text) {
  // As Unicode: a text in the system's code page would be garbage to the
  // program it is pasted into wherever that is not 936.
  const win32::WideText wide = win32::Wide(text);
  const std::size_t size = (wide.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return false;
  if (void* bytes = ::GlobalLock(memory)) {
    std::memcpy(bytes, wide.c_str(), size);
    ::GlobalUnlock(memory);
  }
  if (!::OpenClipboard(win32::ToHwnd(owner))) {
    ::GlobalFree(memory);
    return false;
  }
  ::EmptyClipboard();
  // The clipboard owns the memory once it has taken it.
  const bool taken = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  if (!taken) ::GlobalFree(memory);
  ::CloseClipboard();
  return taken;
}

}  // namespace platform
