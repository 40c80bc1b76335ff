// The status window: what the program sees, in a text the trader can select
// and copy.
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
      if (LOWORD(wParam) == IDCANCEL) ::PostMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_CTLCOLORSTATIC: {
      // A read-only edit is drawn as a static: keep it white, as text to read.
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
      ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_DESTROY:
      win32::RemoveDialogWindow(window);
      events::OnStatusClosed();
      return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

namespace platform {

StatusWindows CreateStatusWindow() {
  using win32::CreateControl;
  using win32::FromHwnd;
  if (!win32::RegisterOnce(kWindowClass, StatusProc, 0, ::GetSysColorBrush(COLOR_BTNFACE))) return {};
  const POINT origin = win32::CentredOnScreen(kWidth, kHeight);
  // No owner and WS_EX_APPWINDOW: an ordinary window with its own taskbar
  // button, which the trader can leave behind other windows.
  HWND window = ::CreateWindowExA(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kWindowClass, "凌波助手 状态",
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, origin.x,
                                  origin.y, kWidth, kHeight, nullptr, nullptr, win32::Instance(), nullptr);
  if (!window) return {};
  RECT client{};
  ::GetClientRect(window, &client);
  const int width = client.right - client.left, height = client.bottom - client.top;
  StatusWindows windows;
  windows.window = FromHwnd(window);
  windows.text = FromHwnd(CreateControl(
      window, "EDIT", "", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL,
      WS_EX_CLIENTEDGE, 8, 8, width - 16, height - 50, kTextId));
  windows.copyButton = FromHwnd(
      CreateControl(window, "BUTTON", "复制", WS_TABSTOP | BS_PUSHBUTTON, 0, width - 96, height - 34, 88, 26, kCopyId));
  win32::AddDialogWindow(window);
  return windows;
}

void UpdateEditText(Hwnd edit, const std::string& text) {
  HWND box = win32::ToHwnd(edit);
  const int length = ::GetWindowTextLengthA(box);
  std::string now(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
  now.resize(static_cast<std::size_t>(::GetWindowTextA(box, now.data(), static_cast<int>(now.size()))));
  if (now == text) return;
  // A refresh must not take away what the trader has selected or scrolled to.
  DWORD start = 0, end = 0;
  ::SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const LRESULT firstLine = ::SendMessageA(box, EM_GETFIRSTVISIBLELINE, 0, 0);
  ::SetWindowTextA(box, text.c_str());
  ::SendMessageA(box, EM_SETSEL, start, end);
  ::SendMessageA(box, EM_LINESCROLL, 0, firstLine);
}

bool SetClipboardText(Hwnd owner, const std::string& text) {
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (!memory) return false;
  if (void* bytes = ::GlobalLock(memory)) {
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    ::GlobalUnlock(memory);
  }
  if (!::OpenClipboard(win32::ToHwnd(owner))) {
    ::GlobalFree(memory);
    return false;
  }
  ::EmptyClipboard();
  // The clipboard owns the memory once it has taken it.
  const bool taken = ::SetClipboardData(CF_TEXT, memory) != nullptr;
  if (!taken) ::GlobalFree(memory);
  ::CloseClipboard();
  return taken;
}

}  // namespace platform
