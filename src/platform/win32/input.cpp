// Focus and input: the calls that bring another program forward and feed it keys.
#include "platform/win32/win32.h"

namespace platform {

using win32::FromHwnd;
using win32::ToHwnd;

bool OpenIcon(Hwnd window) { return ::OpenIcon(ToHwnd(window)) != FALSE; }
bool SetForegroundWindow(Hwnd window) { return ::SetForegroundWindow(ToHwnd(window)) != FALSE; }
Hwnd SetActiveWindow(Hwnd window) { return FromHwnd(::SetActiveWindow(ToHwnd(window))); }
Hwnd GetForegroundWindow() { return FromHwnd(::GetForegroundWindow()); }
Hwnd GetFocus() { return FromHwnd(::GetFocus()); }

bool AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach) {
  return ::AttachThreadInput(attach, attachTo, doAttach ? TRUE : FALSE) != FALSE;
}

bool PostMessageA(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  return ::PostMessageA(ToHwnd(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) != FALSE;
}

unsigned MapVirtualKeyA(unsigned code, unsigned mapType) { return ::MapVirtualKeyA(code, mapType); }
std::uint32_t GetCurrentThreadId() { return ::GetCurrentThreadId(); }

bool GetCursorPos(Point* point) {
  POINT position{};
  if (!::GetCursorPos(&position)) return false;
  if (point) *point = {position.x, position.y};
  return true;
}

}  // namespace platform
