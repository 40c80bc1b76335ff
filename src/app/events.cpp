// The platform's reports about the program's own windows, wired to what the
// program does about them.
#include "platform/events.h"

#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "app/key_settings_window.h"
#include "app/main_bar.h"
#include "app/quote_poller.h"
#include "app/status_window.h"
#include "discovery/trading_client.h"
#include "order/order_actions.h"
#include "platform/platform.h"

namespace {

// The trading client an action used or found is the one the next starts from;
// what it did is kept for the trader to look at.
void Remember(ActionButton button, const platform::LocalTime& at, const OrderOutcome& outcome, bool byHotKey = false) {
  // A client found afresh still carries what made it qualify.
  if (outcome.client != AppState.tradingClient) AppState.tradingClientFound = MatchTradingClient(outcome.client);
  AppState.tradingClient = outcome.client;
  if (outcome.codeField > 0) AppState.codeField = outcome.codeField;
  AppState.lastAction = {true, button, byHotKey, at, outcome};
}

void OpenOrderFormWith(ActionButton button, std::int32_t hotKey, bool byHotKey = false) {
  const platform::LocalTime at = platform::GetLocalTime();
  // A copy: the code tested is the code written, whatever happens meanwhile.
  const std::string code = AppState.currentCode;
  // An index has the digits of a stock of the other exchange: the client
  // would look that one up.  Where the exchange is known, only its
  // orderable codes go further; the client is not touched.
  const CodeKind kind = KindOfCode(code, AppState.currentExchange);
  if (kind != CodeKind::kOrderable) {
    OrderOutcome nothing;
    nothing.client = AppState.tradingClient;
    Remember(button, at, nothing, byHotKey);
    AppState.lastAction.refused = kind;
    return;
  }
  Remember(button, at, OpenOrderForm(code, AppState.tradingClient, hotKey, AppState.codeEntry, AppState.codeField),
           byHotKey);
}

}  // namespace

namespace events {

int RunProgram() { return ::RunProgram(); }

void OnMainBarMoved() { ::OnMainBarMoved(); }
void OnMainBarDestroyed() { ::OnMainBarDestroyed(); }

void OnTimer(unsigned id) {
  if (id == kQuoteTimerId) OnQuoteTimer();
  if (id == kStatusTimerId) OnStatusTimer(GetQuoteSource());
}

void OnTrayMessage(unsigned mouseMessage) {
  switch (mouseMessage) {
    case platform::kWmLButtonUp:
      OnTrayIcon(TrayIconClick::kLeft);
      break;
    case platform::kWmLButtonDblClk:
      OnTrayIcon(TrayIconClick::kLeftDouble);
      break;
    case platform::kWmRButtonUp:
    case platform::kWmContextMenu:
      OnTrayIcon(TrayIconClick::kRight);
      break;
    default:
      break;
  }
}

void OnTaskbarCreated() { ::OnTaskbarCreated(); }
void OnBarDpiChanged(unsigned dpi, int left, int top) { ::OnBarDpiChanged(dpi, left, top); }
void OnDisplayChanged() { ::OnDisplayChanged(); }
void OnBuyClicked() { OpenOrderFormWith(ActionButton::kBuy, AppState.buyKey); }
void OnSellClicked() { OpenOrderFormWith(ActionButton::kSell, AppState.sellKey); }
void OnCodeLabelDoubleClicked() {
  const platform::LocalTime at = platform::GetLocalTime();
  Remember(ActionButton::kFunctionKey, at, SendFunctionKey(AppState.tradingClient, AppState.functionKey));
}
void OnCodeLabelRightButtonDown() { OpenKeySettings(); }
void OnHotKey(int id) {
  // The bar's own key settings window is open: its buttons do nothing, and
  // the keys being edited are not yet what the trader means.
  if (!platform::IsWindowEnabled(MainBar().bar)) return;
  if (id == kBuyHotKeyId) OpenOrderFormWith(ActionButton::kBuy, AppState.buyKey, true);
  if (id == kSellHotKeyId) OpenOrderFormWith(ActionButton::kSell, AppState.sellKey, true);
}

void OnBuyKeyChanged() { ::OnBuyKeyChanged(); }
void OnSellKeyChanged() { ::OnSellKeyChanged(); }
void OnFunctionKeyChanged() { ::OnFunctionKeyChanged(); }
void OnSettingsFileClicked() { OpenSettingsFile(); }
void OnKeySettingsClosed() { ::OnKeySettingsClosed(); }
void OnStatusCopyClicked() { ::OnStatusCopyClicked(); }
void OnStatusClosed() { ::OnStatusClosed(); }

}  // namespace events
