#include "quote/trader_reader.h"

#include <unordered_set>

#include "discovery/windows.h"
#include "text/text.h"

namespace {

constexpr int kTitleBuffer = 255;

bool IsStockCode(const std::string& text) { return text.size() == 6 && TextToInt(text) > 0; }

}  // namespace

platform::Hwnd FindTraderMainWindow() {
  const platform::Hwnd window = FindWindowByTitleFragment("交易师");
  if (window <= 0) return 0;
  const platform::Hwnd root = platform::GetAncestor(window, platform::kGaRootOwner);
  return root > 0 ? root : 0;
}

std::string ReadTraderCode(Exchange* exchange) {
  if (exchange) *exchange = Exchange::kUnknown;
  const platform::Hwnd root = FindTraderMainWindow();
  if (root <= 0) return {};
  const std::string title = GetWindowTextTimeout(root);

  // "交易师 - 600036 - name": a number between the dashes decides alone.
  const std::string dashed = TextBetween(title, " - ", " - ");
  if (TextToInt(dashed) > 0) return IsStockCode(dashed) ? dashed : std::string();

  // "[SH600036]": the code is the bracket's last six bytes.
  const std::string inBrackets = TextBetween(title, "[", "]");
  const std::string bracketed = RightText(inBrackets, 6);
  if (!IsStockCode(bracketed)) return {};
  // Its exchange, where the two letters before the code name it.
  if (exchange && inBrackets.size() == 8) {
    const std::string prefix = LowerAscii(LeftText(inBrackets, 2));
    *exchange = prefix == "sh"   ? Exchange::kShanghai
                : prefix == "sz" ? Exchange::kShenzhen
                : prefix == "bj" ? Exchange::kBeijing
                                 : Exchange::kUnknown;
  }
  return bracketed;
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
  // 交易师 answers its length quickly or not at all; the text may take longer.
  return ReadWindowTextWithin(window, TextBounds{platform::kSmtoBlock, 100, 500});
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
