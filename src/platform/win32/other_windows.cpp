// Windows of other programs: enumeration, queries and guarded messages.
#include <algorithm>
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

namespace {

// Not a function's static: its thread-safe guard would bring the threads
// library into a program of one thread.
enum class Wine { kUnknown, kNo, kYes } underWine = Wine::kUnknown;

bool UnderWine() {
  if (underWine == Wine::kUnknown) {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    underWine = ntdll && ::GetProcAddress(ntdll, "wine_get_version") ? Wine::kYes : Wine::kNo;
  }
  return underWine == Wine::kYes;
}

// The ANSI length of another window's text, within the time-out.  Messages
// cross processes in UTF-16 under Wine, and Wine works out an ANSI
// WM_GETTEXTLENGTH by fetching the whole text with no time-out at all, so a
// hung window would hold the program for as long as it hangs.  The same count
// is made here from the UTF-16 text fetched within the time-out; most titles
// come whole at the first exchange.  Windows keeps the bound by itself.
bool AnsiTextLength(HWND window, UINT flags, UINT timeoutMs, DWORD_PTR* length) {
  if (!UnderWine()) return ::SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, flags, timeoutMs, length) != 0;
  const auto ansiBytes = [](const wchar_t* text, DWORD_PTR units) -> DWORD_PTR {
    if (units == 0) return 0;
    return static_cast<DWORD_PTR>(
        ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(units), nullptr, 0, nullptr, nullptr));
  };
  constexpr DWORD_PTR kFirstRead = 256;
  wchar_t first[kFirstRead];
  DWORD_PTR got = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, kFirstRead, reinterpret_cast<LPARAM>(first), flags, timeoutMs, &got)) {
    return false;
  }
  got = std::min(got, kFirstRead - 1);
  // An ANSI window fills the buffer's size in bytes, not characters, and
  // stops short of a two-byte character that would not fit: the text is
  // known to be whole only while its ANSI form ends two bytes before that.
  *length = ansiBytes(first, got);
  if (*length + 2 < kFirstRead) return true;

  DWORD_PTR units = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, flags, timeoutMs, &units)) return false;
  // Beyond what a text read will ever take, the count of UTF-16 units says
  // enough; fetching megabytes just to count them would not.
  if (units > 65535) {
    *length = units;
    return true;
  }
  // Room for the ANSI bytes, whatever the window counts its length in.
  std::vector<wchar_t> text(2 * units + 2, L'\0');
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), flags, timeoutMs,
                             &got)) {
    return false;
  }
  *length = ansiBytes(text.data(), std::min<DWORD_PTR>(got, text.size() - 1));
  return true;
}

}  // namespace

bool SendMessageTimeoutA(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam, unsigned flags,
                         unsigned timeoutMs, std::intptr_t* result) {
  DWORD_PTR answer = 0;
  const bool ok = message == WM_GETTEXTLENGTH
                      ? AnsiTextLength(ToHwnd(window), flags, timeoutMs, &answer)
                      : ::SendMessageTimeoutA(ToHwnd(window), message, static_cast<WPARAM>(wParam),
                                              static_cast<LPARAM>(lParam), flags, timeoutMs, &answer) != 0;
  if (!ok) return false;
  if (result) *result = static_cast<std::intptr_t>(answer);
  return true;
}

std::string GetWindowTextA(Hwnd window, int maxCount) {
  // Wine answers for no window at all with the text of some other one.
  if (maxCount <= 0 || window <= 0) return {};
  if (win32::IsOwnWindow(ToHwnd(window))) {
    win32::WideText wide(static_cast<std::size_t>(maxCount));
    std::string text = win32::FromWide(wide.data(), ::GetWindowTextW(ToHwnd(window), wide.data(), maxCount));
    // As the A call would: what fits the buffer, never half a character.
    std::size_t length = 0;
    while (length < text.size()) {
      const std::size_t step = static_cast<unsigned char>(text[length]) >= 0x80 ? 2 : 1;
      if (length + step > static_cast<std::size_t>(maxCount - 1)) break;
      length += step;
    }
    text.resize(length);
    return text;
  }
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

Hwnd FindWindowExA(Hwnd parent, Hwnd childAfter, const std::string& className) {
  return FromHwnd(
      ::FindWindowExA(ToHwnd(parent), ToHwnd(childAfter), className.empty() ? nullptr : className.c_str(), nullptr));
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
