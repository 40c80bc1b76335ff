// The platform's reports about the program's own windows, wired to what the
// program does about them.
#include "platform/events.h"

#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "app/key_settings_window.h"
#include "app/main_bar.h"
#include "app/quote_poller.h"
#include "order/order_actions.h"
#include "platform/platform.h"

namespace {

// The trading client an action used or found is the one the next starts from.
void OpenOrderFormWith(std::int32_t hotKey) {
  // A copy: the code tested is the code written, whatever happens meanwhile.
  const std::string code = AppState.currentCode;
  AppState.tradingClient = OpenOrderForm(code, AppState.tradingClient, hotKey).client;
}

}  // namespace

namespace events {

int RunProgram() { return ::RunProgram(); }

void OnMainBarMoved() { ::OnMainBarMoved(); }
void OnMainBarDestroyed() { ::OnMainBarDestroyed(); }

void OnTimer(unsigned id) {
  if (id == kQuoteTimerId) OnQuoteTimer();
}

void OnTrayMessage(unsigned mouseMessage) {
  switch (mouseMessage) {
    case platform::kWmLButtonUp:
      OnTrayIcon(1);
      break;
    case platform::kWmLButtonDblClk:
      OnTrayIcon(2);
      break;
    case platform::kWmRButtonUp:
    case platform::kWmContextMenu:
      OnTrayIcon(3);
      break;
    default:
      break;
  }
}

void OnTaskbarCreated() { ::OnTaskbarCreated(); }
void OnBuyClicked() { OpenOrderFormWith(AppState.buyKey); }
void OnSellClicked() { OpenOrderFormWith(AppState.sellKey); }
void OnCodeLabelDoubleClicked() {
  AppState.tradingClient = SendFunctionKey(AppState.tradingClient, AppState.functionKey).client;
}
void OnCodeLabelRightButtonDown() { OpenKeySettings(); }

void OnBuyKeyChanged() { ::OnBuyKeyChanged(); }
void OnSellKeyChanged() { ::OnSellKeyChanged(); }
void OnFunctionKeyChanged() { ::OnFunctionKeyChanged(); }
void OnSettingsFileClicked() { OpenSettingsFile(); }
void OnKeySettingsClosed() { ::OnKeySettingsClosed(); }

}  // namespace events
