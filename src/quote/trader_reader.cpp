#include "quote/trader_reader.h"

#include <unordered_set>

#include "text/text.h"

namespace {

constexpr int kTitleBuffer = 255;
constexpr unsigned kLengthTimeoutMs = 100;
constexpr unsigned kTextTimeoutMs = 500;
// Nothing sane reports a longer title; a bigger answer is not worth a buffer.
constexpr std::intptr_t kLongestText = 65535;

bool IsStockCode(const std::string& text) { return text.size() == 6 && TextToInt(text) > 0; }

}  // namespace

std::string ReadTraderCode() {
  const platform::Hwnd window = FindWindowByTitleFragment("交易师");
  if (window <= 0) return {};
  const platform::Hwnd root = platform::GetAncestor(window, platform::kGaRootOwner);
  if (root <= 0) return {};
  const std::string title = GetWindowTextTimeout(root);

  // "交易师 - 600036 - name": a number between the dashes decides alone.
  const std::string dashed = TextBetween(title, " - ", " - ");
  if (TextToInt(dashed) > 0) return IsStockCode(dashed) ? dashed : std::string();

  // "[SH600036]": the code is the bracket's last six bytes.
  const std::string bracketed = RightText(TextBetween(title, "[", "]"), 6);
  return IsStockCode(bracketed) ? bracketed : std::string();
}

platform::Hwnd FindWindowByTitleFragment(const std::string& fragment) {
  for (const TopLevelWindowEntry& entry : ListTopLevelWindows()) {
    if (ContainsText("'" + entry.title + "'", fragment)) return entry.window;
  }
  return -1;
}

std::vector<TopLevelWindowEntry> ListTopLevelWindows() {
  std::vector<TopLevelWindowEntry> entries;
  // Windows may be re-ordered while the walk goes on; a handle seen twice
  // means the walk has come round again and would never end.
  std::unordered_set<platform::Hwnd> seen;
  for (platform::Hwnd window = platform::GetWindow(platform::GetDesktopWindow(), platform::kGwChild);
       window != 0 && seen.insert(window).second; window = platform::GetWindow(window, platform::kGwHwndNext)) {
    entries.push_back({window, platform::GetWindowTextA(window, kTitleBuffer)});
  }
  return entries;
}

std::string GetWindowTextTimeout(platform::Hwnd window) {
  std::intptr_t length = 0;
  if (!platform::SendMessageTimeoutA(window, platform::kWmGetTextLength, 0, 0, platform::kSmtoBlock, kLengthTimeoutMs,
                                     &length)) {
    return {};
  }
  if (length < 0 || length > kLongestText) return {};
  // Room for the text, its NUL and one more NUL in case the window writes
  // the full wParam without terminating it.
  std::string buffer(static_cast<std::size_t>(length) + 2, '\0');
  std::intptr_t copied = 0;
  if (!platform::SendMessageTimeoutA(window, platform::kWmGetText, static_cast<std::uintptr_t>(length) + 1,
                                     reinterpret_cast<std::intptr_t>(buffer.data()), platform::kSmtoBlock,
                                     kTextTimeoutMs, &copied)) {
    return {};
  }
  buffer.resize(buffer.find('\0'));
  return buffer;
}

std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker) {
  TextSearch how;
  how.ignoreAsciiCase = true;
  const int start = FindText(text, startMarker, how);
  if (start < 1) return {};
  how.from = start + static_cast<int>(startMarker.size());
  const int end = FindText(text, endMarker, how);
  if (end < 1) return {};
  return MidText(text, how.from, end - how.from);
}
