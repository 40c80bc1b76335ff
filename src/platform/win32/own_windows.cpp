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

WideText Wide(const std::string& gbk) {
  if (gbk.empty()) return WideText();
  const int length = ::MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  WideText text(static_cast<std::size_t>(length > 0 ? length : 0));
  if (length > 0) ::MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), text.data(), length);
  return text;
}

std::string FromWide(const wchar_t* text, int length) {
  if (!text || length <= 0) return {};
  const int size = ::WideCharToMultiByte(936, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string gbk(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) ::WideCharToMultiByte(936, 0, text, length, gbk.data(), size, nullptr, nullptr);
  return gbk;
}

bool IsOwnWindow(HWND window) {
  DWORD process = 0;
  return window && ::GetWindowThreadProcessId(window, &process) && process == ::GetCurrentProcessId();
}

namespace {
UINT SystemDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}
}  // namespace

UINT DpiOf(HWND window) {
  // Windows 10 1607 and later; before, every monitor has the system's dpi.
  using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowProc>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (window && getDpiForWindow) {
    if (const UINT dpi = getDpiForWindow(window)) return dpi;
  }
  return SystemDpi();
}

HFONT GuiFont(UINT dpi) {
  static std::map<UINT, HFONT> fonts;
  HFONT& font = fonts[dpi];
  if (!font) {
    // The stock font is made for the system's dpi: the same face, scaled.
    LOGFONTW face{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
    face.lfHeight = ::MulDiv(face.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    face.lfWidth = 0;
    font = ::CreateFontIndirectW(&face);
    if (!font) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  }
  return font;
}

bool RegisterOnce(const char* className, WNDPROC procedure, UINT classStyle, HBRUSH background) {
  const WideText name = Wide(className);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(Instance(), name.c_str(), &existing)) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = classStyle;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = Instance();
  windowClass.hIcon = ProgramIcon(::GetSystemMetrics(SM_CXICON));
  windowClass.hIconSm = ProgramIcon(::GetSystemMetrics(SM_CXSMICON));
  windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name.c_str();
  return ::RegisterClassExW(&windowClass) != 0;
}

HWND CreateControl(HWND parent, const char* className, const char* text, DWORD style, DWORD exStyle, int x, int y,
                   int width, int height, int id, UINT dpi) {
  HWND control = ::CreateWindowExW(exStyle, Wide(className).c_str(), Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                   Scaled(x, dpi), Scaled(y, dpi), Scaled(width, dpi), Scaled(height, dpi), parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  if (control) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont(dpi)), FALSE);
  return control;
}

POINT CentredOnScreen(int width, int height) {
  return {(::GetSystemMetrics(SM_CXSCREEN) - width) / 2, (::GetSystemMetrics(SM_CYSCREEN) - height) / 2};
}

namespace {
// The key settings window and the status window, while they are open.
struct DialogWindow {
  HWND window;
  UINT dpi;
};
DialogWindow dialogWindows[2] = {};

struct Scale {
  UINT from, to;
};

BOOL CALLBACK ScaleChild(HWND child, LPARAM scale) {
  const Scale& by = *reinterpret_cast<const Scale*>(scale);
  RECT place{};
  ::GetWindowRect(child, &place);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&place), 2);
  const auto at = [&by](LONG length) { return ::MulDiv(length, static_cast<int>(by.to), static_cast<int>(by.from)); };
  ::MoveWindow(child, at(place.left), at(place.top), at(place.right - place.left), at(place.bottom - place.top), TRUE);
  return TRUE;
}
}  // namespace

void AddDialogWindow(HWND window, UINT dpi) {
  for (DialogWindow& slot : dialogWindows)
    if (!slot.window || !::IsWindow(slot.window)) return void(slot = {window, dpi});
}

void RemoveDialogWindow(HWND window) {
  for (DialogWindow& slot : dialogWindows)
    if (slot.window == window) slot = {};
}

HWND DialogWindowOf(HWND window) {
  HWND root = window ? ::GetAncestor(window, GA_ROOT) : nullptr;
  for (const DialogWindow& slot : dialogWindows)
    if (slot.window && slot.window == root) return slot.window;
  return nullptr;
}

void FollowDialogDpi(HWND window, WPARAM wParam, LPARAM lParam) {
  for (DialogWindow& slot : dialogWindows) {
    if (slot.window != window) continue;
    const UINT dpi = LOWORD(wParam);
    if (dpi == 0 || dpi == slot.dpi) break;
    // Each control from where it is, so a dragged window's layout is kept
    // as it was, only larger or smaller.
    const Scale scale{slot.dpi, dpi};
    ::EnumChildWindows(window, ScaleChild, reinterpret_cast<LPARAM>(&scale));
    platform::SetFontForDpi(FromHwnd(window), dpi);
    slot.dpi = dpi;
    break;
  }
  const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
  ::SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace win32

namespace platform {

using win32::ToHwnd;

bool SetWindowTextA(Hwnd window, const std::string& text) {
  return ::SetWindowTextW(ToHwnd(window), win32::Wide(text).c_str()) != FALSE;
}

unsigned GetDpiForWindow(Hwnd window) { return win32::DpiOf(ToHwnd(window)); }

bool MonitorFromPoint(Point point) {
  return ::MonitorFromPoint(POINT{point.x, point.y}, MONITOR_DEFAULTTONULL) != nullptr;
}

static BOOL CALLBACK SetChildFont(HWND child, LPARAM font) {
  ::SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  return TRUE;
}

void SetFontForDpi(Hwnd window, unsigned dpi) {
  HFONT font = win32::GuiFont(dpi);
  ::SendMessageW(ToHwnd(window), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  ::EnumChildWindows(ToHwnd(window), SetChildFont, reinterpret_cast<LPARAM>(font));
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

bool RegisterHotKey(Hwnd window, int id, unsigned modifiers, unsigned vk) {
  // MOD_NOREPEAT: a combination held down is one action, not one per repeat.
  return ::RegisterHotKey(ToHwnd(window), id, modifiers | MOD_NOREPEAT, vk) != FALSE;
}

bool UnregisterHotKey(Hwnd window, int id) { return ::UnregisterHotKey(ToHwnd(window), id) != FALSE; }

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
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab and Escape of our own windows, as in a dialog box.  Escape closes
    // them even from a multi-line text, which would otherwise keep it.
    if (HWND dialog = win32::DialogWindowOf(message.hwnd)) {
      if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        continue;
      }
      if (::IsDialogMessageW(dialog, &message)) continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

void ExitProcess(unsigned exitCode) { ::ExitProcess(exitCode); }

}  // namespace platform
