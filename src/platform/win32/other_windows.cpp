// Windows of other programs: enumeration, queries and guarded messages.
#include <vector>

#include "platform/win32/win32.h"

namespace platform {

using win32::FromHwnd;
using win32::ToHwnd;

std::vector<Hwnd> EnumWindows() {
  std::vector<Hwnd> windows;
  ::EnumWindows(
      [](HWND window, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<Hwnd>*>(list)->push_back(FromHwnd(window));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::int32_t GetWindowLongA(Hwnd window, int index) {
  return static_cast<std::int32_t>(::GetWindowLongA(ToHwnd(window), index));
}

bool IsWindow(Hwnd window) { return window != 0 && ::IsWindow(ToHwnd(window)) != FALSE; }

bool SendMessageTimeoutA(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam, unsigned flags,
                         unsigned timeoutMs, std::intptr_t* result) {
  DWORD_PTR answer = 0;
  // Wine lets an ANSI text message to a hung window wait past its time-out
  // (the reply has to be translated); WM_NULL needs no translation and keeps
  // the bound, so it finds out first whether the window answers at all.
  if ((message == WM_GETTEXT || message == WM_GETTEXTLENGTH) &&
      ::SendMessageTimeoutA(ToHwnd(window), WM_NULL, 0, 0, flags, timeoutMs, &answer) == 0) {
    return false;
  }
  const LRESULT ok = ::SendMessageTimeoutA(ToHwnd(window), message, static_cast<WPARAM>(wParam),
                                           static_cast<LPARAM>(lParam), flags, timeoutMs, &answer);
  if (ok == 0) return false;
  if (result) *result = static_cast<std::intptr_t>(answer);
  return true;
}

std::string GetWindowTextA(Hwnd window, int maxCount) {
  // Wine answers for no window at all with the text of some other one.
  if (maxCount <= 0 || window <= 0) return {};
  std::string text(static_cast<std::size_t>(maxCount), '\0');
  const int length = ::GetWindowTextA(ToHwnd(window), text.data(), maxCount);
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return text;
}

std::string GetClassNameA(Hwnd window, int maxCount) {
  if (maxCount <= 0) return {};
  std::string name(static_cast<std::size_t>(maxCount), '\0');
  const int length = ::GetClassNameA(ToHwnd(window), name.data(), maxCount);
  name.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return name;
}

Hwnd FindWindowExA(Hwnd parent, Hwnd childAfter) {
  return FromHwnd(::FindWindowExA(ToHwnd(parent), ToHwnd(childAfter), nullptr, nullptr));
}

Hwnd GetDesktopWindow() { return FromHwnd(::GetDesktopWindow()); }
Hwnd GetWindow(Hwnd window, unsigned command) { return FromHwnd(::GetWindow(ToHwnd(window), command)); }
Hwnd GetAncestor(Hwnd window, unsigned flags) { return FromHwnd(::GetAncestor(ToHwnd(window), flags)); }
Hwnd GetParent(Hwnd window) { return FromHwnd(::GetParent(ToHwnd(window))); }

std::uint32_t GetWindowThreadProcessId(Hwnd window, std::uint32_t* processId) {
  DWORD process = 0;
  const DWORD thread = ::GetWindowThreadProcessId(ToHwnd(window), &process);
  if (processId) *processId = process;
  return thread;
}

}  // namespace platform
