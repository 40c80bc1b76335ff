#include "discovery/windows.h"

#include <cstring>

namespace {

// A window whose thread has stopped answering must not freeze the program:
// each message waits at most this long.
constexpr unsigned kTextTimeoutMs = 500;
// Window texts are never this long; a larger length is a lie (or garbage)
// and must not decide how much memory is taken.
constexpr std::intptr_t kMaxTextLength = 65535;

bool Ask(platform::Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t* result) {
  return platform::SendMessageTimeoutA(window, message, wParam, lParam, platform::kSmtoAbortIfHung, kTextTimeoutMs,
                                       result);
}

}  // namespace

bool IsWindowAlive(platform::Hwnd window) { return platform::IsWindow(window); }

std::vector<platform::Hwnd> ListVisibleTopLevelWindows() {
  std::vector<platform::Hwnd> visible;
  for (platform::Hwnd window : platform::EnumWindows()) {
    const auto style = static_cast<std::uint32_t>(platform::GetWindowLongA(window, platform::kGwlStyle));
    if (style & platform::kWsVisible) visible.push_back(window);
  }
  return visible;
}

std::string ReadWindowText(platform::Hwnd window) {
  if (!platform::IsWindow(window)) return "";
  std::intptr_t length = 0;
  if (!Ask(window, platform::kWmGetTextLength, 0, 0, &length)) return "";
  if (length <= 0 || length > kMaxTextLength) return "";
  std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
  std::intptr_t copied = 0;
  if (!Ask(window, platform::kWmGetText, buffer.size(), reinterpret_cast<std::intptr_t>(buffer.data()), &copied)) {
    return "";
  }
  // The text may have shrunk between the two messages; the zero ends it.
  buffer.resize(strnlen(buffer.data(), buffer.size()));
  return buffer;
}
