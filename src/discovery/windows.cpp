#include "discovery/windows.h"

#include <algorithm>
#include <cstring>

namespace {

// Window texts are never this long; a larger length is a lie (or garbage)
// and must not decide how much memory is taken.
constexpr std::intptr_t kMaxTextLength = 65535;

// A window whose thread has stopped answering must not freeze the program:
// each message waits at most this long.
constexpr TextBounds kSearchBounds{kQueryFlags, 500, 500};

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

bool AnswersWithin(platform::Hwnd window, unsigned timeoutMs) {
  std::intptr_t result = 0;
  return platform::SendMessageTimeoutA(window, platform::kWmNull, 0, 0, kQueryFlags, timeoutMs, &result);
}

std::string ReadWindowText(platform::Hwnd window, std::uint64_t deadline) {
  // A message to what is no (longer a) window fails at once: asking IsWindow
  // first would only cost the steady tick one more call.
  if (window <= 0) return "";
  TextBounds bounds = kSearchBounds;
  bounds.deadline = deadline;
  return ReadWindowTextWithin(window, bounds);
}

unsigned BoundBefore(std::uint64_t deadline, unsigned own) {
  if (deadline == UINT64_MAX) return own;
  const std::uint64_t now = platform::GetTickCount64();
  return now >= deadline ? 0 : static_cast<unsigned>(std::min<std::uint64_t>(own, deadline - now));
}

std::string ReadWindowTextWithin(platform::Hwnd window, const TextBounds& bounds) {
  std::intptr_t length = 0;
  const unsigned lengthBound = BoundBefore(bounds.deadline, bounds.lengthTimeoutMs);
  if (lengthBound == 0 ||
      !platform::SendMessageTimeoutA(window, platform::kWmGetTextLength, 0, 0, bounds.flags, lengthBound, &length)) {
    return "";
  }
  if (length <= 0 || length > kMaxTextLength) return "";
  // Room for the text, its NUL and one more NUL in case the window writes
  // the full wParam without terminating it.
  std::string buffer(static_cast<std::size_t>(length) + 2, '\0');
  std::intptr_t copied = 0;
  const unsigned textBound = BoundBefore(bounds.deadline, bounds.textTimeoutMs);
  if (textBound == 0 || !platform::SendMessageTimeoutA(
                            window, platform::kWmGetText, static_cast<std::uintptr_t>(length) + 1,
                            reinterpret_cast<std::intptr_t>(buffer.data()), bounds.flags, textBound, &copied)) {
    return "";
  }
  // The text may have shrunk between the two messages; the zero ends it.
  buffer.resize(strnlen(buffer.data(), buffer.size()));
  return buffer;
}
