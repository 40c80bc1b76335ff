#include "app/quote_poller.h"

#include <string>

#include "app/app_state.h"
#include "app/main_bar.h"
#include "discovery/windows.h"
#include "quote/dzh_reader.h"
#include "quote/tdx_reader.h"
#include "quote/trader_reader.h"

namespace {

// Once the label has shown a code it keeps one: an empty read leaves it.
// The exchange goes with the code, where its source says it.
void ShowCode(const std::string& code, Exchange exchange = Exchange::kUnknown) {
  AppState.currentCode = code;
  AppState.currentExchange = exchange;
  if (!code.empty() && GetCodeLabelCaption() != code) SetCodeLabelCaption(code);
}

void AttachToDzh() {
  DzhAttachment found = FindDzh();
  // The table file chosen before is kept; it is checked again before use.
  found.stockInfoFile = AppState.dzh.stockInfoFile;
  AppState.dzh = found;
  // The code is read from the next tick on; without 大智慧, look again later.
  SetQuoteTimerInterval(AppState.dzh.mainWindow < 1 ? kDzhRetryInterval : kPollInterval);
}

void ReadFromDzh() {
  if (!IsWindowAlive(AppState.dzh.mainWindow)) {
    AppState.dzh.mainWindow = 0;
    SetQuoteTimerInterval(kDzhRetryInterval);
    return;
  }
  const std::string code = ReadDzhCode(AppState.dzh);
  if (!code.empty()) ShowCode(code);
  SetQuoteTimerInterval(kPollInterval);
}

// A page that is not a chart leaves the label, and the code a click uses.
void ReadFromTdx() {
  const std::string shown = ReadTdxCode(AppState.tdx);
  if (!shown.empty()) ShowCode(shown, AppState.tdx.exchange);
}

// The frontmost 通达信 on every tick: the trader may bring another forward.
void FollowTdx() {
  const platform::Hwnd front = FrontmostTdx();
  if (front != AppState.tdx.mainWindow) AttachTdx(AppState.tdx, front);
  // Without 通达信, look again later, as for 大智慧.
  if (AppState.tdx.mainWindow < 1) {
    SetQuoteTimerInterval(kDzhRetryInterval);
    return;
  }
  ReadFromTdx();
  SetQuoteTimerInterval(kPollInterval);
}

}  // namespace

void OnQuoteTimer() {
  // Stopped while the tick runs, so a slow tick never queues more of them;
  // the timer is touched once, at the end, with the interval the tick chose.
  const QuoteTimerBatch batch;
  SetQuoteTimerInterval(0);
  const QuoteSource source = GetQuoteSource();
  if (source == QuoteSource::kTrader) {
    Exchange exchange = Exchange::kUnknown;
    const std::string code = ReadTraderCode(&exchange);
    ShowCode(code, exchange);
    SetQuoteTimerInterval(kPollInterval);
  } else if (source == QuoteSource::kTdx) {
    FollowTdx();
  } else if (AppState.dzh.mainWindow < 1) {
    AttachToDzh();
  } else {
    ReadFromDzh();
  }
}
