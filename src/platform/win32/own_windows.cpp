// The program's own windows in general: classes, controls, window state,
// timers, the message loop and leaving.

#include <map>

#include "platform/events.h"
#include "platform/win32/win32.h"
// After <windows.h>, which it needs.
#include <shellapi.h>

namespace win32 {

HINSTANCE Instance() { return ::GetModuleHandleA(nullptr); }

HICON ProgramIcon(int size) {
  static std::map<int, HICON> icons;
  HICON& icon = icons[size];
  if (!icon) {
    icon = static_cast<HICON>(::LoadImageA(Instance(), MAKEINTRESOURCEA(kIconId), IMAGE_ICON, size, size, 0));
  }
  return icon;
}

bool RegisterOnce(const char* className, WNDPROC procedure, UINT classStyle, HBRUSH background) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExA(Instance(), className, &existing)) return true;
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = classStyle;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = Instance();
  windowClass.hIcon = ProgramIcon(::GetSystemMetrics(SM_CXICON));
  windowClass.hIconSm = ProgramIcon(::GetSystemMetrics(SM_CXSMICON));
  windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = className;
  return ::RegisterClassExA(&windowClass) != 0;
}

HWND CreateControl(HWND parent, const char* className, const char* text, DWORD style, DWORD exStyle, int x, int y,
                   int width, int height, int id) {
  HWND control = ::CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  if (control) ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return control;
}

POINT CentredOnScreen(int width, int height) {
  return {(::GetSystemMetrics(SM_CXSCREEN) - width) / 2, (::GetSystemMetrics(SM_CYSCREEN) - height) / 2};
}

namespace {
// The key settings window and the status window, while they are open.
HWND dialogWindows[2] = {};
}  // namespace

void AddDialogWindow(HWND window) {
  for (HWND& slot : dialogWindows)
    if (!slot || !::IsWindow(slot)) return void(slot = window);
}

void RemoveDialogWindow(HWND window) {
  for (HWND& slot : dialogWindows)
    if (slot == window) slot = nullptr;
}

HWND DialogWindowOf(HWND window) {
  HWND root = window ? ::GetAncestor(window, GA_ROOT) : nullptr;
  for (HWND slot : dialogWindows)
    if (slot && slot == root) return slot;
  return nullptr;
}

}  // namespace win32

namespace platform {

using win32::ToHwnd;

bool SetWindowTextA(Hwnd window, const std::string& text) {
  return ::SetWindowTextA(ToHwnd(window), text.c_str()) != FALSE;
}

bool GetWindowRect(Hwnd window, Rect* rect) {
  RECT r{};
  if (!::GetWindowRect(ToHwnd(window), &r)) return false;
  if (rect) *rect = {r.left, r.top, r.right, r.bottom};
  return true;
}

bool MoveWindow(Hwnd window, int x, int y, int width, int height, bool repaint) {
  return ::MoveWindow(ToHwnd(window), x, y, width, height, repaint ? TRUE : FALSE) != FALSE;
}

bool UpdateWindow(Hwnd window) { return ::UpdateWindow(ToHwnd(window)) != FALSE; }
bool ShowWindow(Hwnd window, int command) { return ::ShowWindow(ToHwnd(window), command) != FALSE; }
bool IsIconic(Hwnd window) { return ::IsIconic(ToHwnd(window)) != FALSE; }
bool IsWindowVisible(Hwnd window) { return ::IsWindowVisible(ToHwnd(window)) != FALSE; }
bool EnableWindow(Hwnd window, bool enable) { return ::EnableWindow(ToHwnd(window), enable ? TRUE : FALSE) != FALSE; }
bool IsWindowEnabled(Hwnd window) { return ::IsWindowEnabled(ToHwnd(window)) != FALSE; }

// A timer procedure is called straight from DispatchMessage; a WM_TIMER to
// the window would first pass every subclass of the skin, and under Wine each
// of those looks up a window property in the server, ten times a second.
static void CALLBACK TimerExpired(HWND, UINT, UINT_PTR id, DWORD) { events::OnTimer(static_cast<unsigned>(id)); }

bool SetTimer(Hwnd window, unsigned id, unsigned intervalMs) {
  return ::SetTimer(ToHwnd(window), id, intervalMs, TimerExpired) != 0;
}
bool KillTimer(Hwnd window, unsigned id) { return ::KillTimer(ToHwnd(window), id) != FALSE; }

void ShellExecuteOpen(const std::string& path) {
  ::ShellExecuteA(nullptr, "open", path.c_str(), nullptr, "", SW_SHOWNORMAL);
}

int RunMessageLoop() {
  MSG message{};
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    // Tab and Escape of our own windows, as in a dialog box.  Escape closes
    // them even from a multi-line text, which would otherwise keep it.
    if (HWND dialog = win32::DialogWindowOf(message.hwnd)) {
      if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
        ::PostMessageA(dialog, WM_CLOSE, 0, 0);
        continue;
      }
      if (::IsDialogMessageA(dialog, &message)) continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

void ExitProcess(unsigned exitCode) { ::ExitProcess(exitCode); }

}  // namespace platform
