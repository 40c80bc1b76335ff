#include "quote/quote_poller.h"

#include <string>

#include "app/app_state.h"
#include "app/main_bar.h"
#include "discovery/processes.h"
#include "discovery/windows.h"
#include "quote/dzh_reader.h"
#include "quote/trader_reader.h"
#include "text/text.h"

namespace {

constexpr int kMdiClientSearchDepth = 40;
constexpr int kClassNameBuffer = 259;

// Once the label has shown a code it keeps one: an empty read leaves it.
void UpdateCodeLabel() {
  const std::string& code = AppState.currentCode;
  if (!code.empty() && GetCodeLabelCaption() != code) SetCodeLabelCaption(code);
}

void AttachToDzh() {
  FindDzhMainWindow();
  if (AppState.dzhMainWindow < 1) {
    SetQuoteTimerInterval(kDzhRetryInterval);
    return;
  }
  const std::string exeName = ProcessFileNameOfWindow(AppState.dzhMainWindow);
  AppState.dzhExePath = MainModulePath(FindProcessIdByFileName(exeName));
  // The code is read from the next tick on.
  SetQuoteTimerInterval(kPollInterval);
}

void ReadDzhCode() {
  if (!IsWindowAlive(AppState.dzhMainWindow)) {
    AppState.dzhMainWindow = 0;
    SetQuoteTimerInterval(kDzhRetryInterval);
    return;
  }
  if (AppState.dzhMdiClient > 0) {
    // The MDI client's first child in Z order is the front document.
    const std::string title = ReadWindowText(FindChildByPath(AppState.dzhMdiClient, "1"));
    if (!title.empty()) {
      AppState.currentCode = LookupCachedCode(title);
      if (AppState.currentCode.empty()) AppState.currentCode = ResolveDzhCode(title);
      UpdateCodeLabel();
    }
  }
  SetQuoteTimerInterval(kPollInterval);
}

}  // namespace

void OnQuoteTimer() {
  // Stopped while the tick runs, so a slow tick never queues more of them;
  // the timer is touched once, at the end, with the interval the tick chose.
  const QuoteTimerBatch batch;
  SetQuoteTimerInterval(0);
  if (GetQuoteSource() == QuoteSource::kTrader) {
    AppState.currentCode = ReadTraderCode();
    UpdateCodeLabel();
    SetQuoteTimerInterval(kPollInterval);
  } else if (AppState.dzhMainWindow < 1) {
    AttachToDzh();
  } else {
    ReadDzhCode();
  }
}

platform::Hwnd FindChildByPath(platform::Hwnd parent, const std::string& path) {
  if (path.empty()) return 0;
  platform::Hwnd current = parent;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dash = path.find('-', start);
    const std::string_view part = std::string_view(path).substr(start, dash - start);
    const std::int32_t position = TextToInt(part);
    // Position 0 or below names no child; walking on from "no window" would
    // wander among the top-level windows.
    if (position < 1) return 0;
    platform::Hwnd child = 0;
    for (std::int32_t i = 0; i < position; ++i) {
      child = platform::FindWindowExA(current, child);
      if (child == 0) return 0;
    }
    current = child;
    if (dash == std::string::npos) return current;
    start = dash + 1;
  }
}

void FindDzhMainWindow() {
  static const std::string kDzhTitle = "大智慧";
  for (const platform::Hwnd window : ListVisibleTopLevelWindows()) {
    if (ReadWindowText(window).compare(0, kDzhTitle.size(), kDzhTitle) != 0) continue;
    // The first 40 children in Z order; walking them one after the other
    // finds the same child at each position as a path of that position.
    platform::Hwnd child = 0;
    for (int position = 1; position <= kMdiClientSearchDepth; ++position) {
      child = platform::FindWindowExA(window, child);
      if (child <= 0) break;
      if (platform::GetClassNameA(child, kClassNameBuffer) == "MDIClient") {
        AppState.dzhMainWindow = window;
        AppState.dzhMdiClient = child;
        return;
      }
    }
  }
}
