// The platform's reports about the program's own windows, wired to what the
// program does about them.
#include "platform/events.h"

#include "app/app_state.h"
#include "app/key_settings_window.h"
#include "app/main_bar.h"
#include "order/order_actions.h"
#include "platform/platform.h"
#include "quote/quote_poller.h"

namespace events {

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
void OnBuyClicked() { OpenOrderForm(AppState.buyKey); }
void OnSellClicked() { OpenOrderForm(AppState.sellKey); }
void OnCodeLabelDoubleClicked() { SendFunctionKey(); }
void OnCodeLabelRightButtonDown() { OpenKeySettings(); }

void OnBuyKeyChanged() { ::OnBuyKeyChanged(); }
void OnSellKeyChanged() { ::OnSellKeyChanged(); }
void OnFunctionKeyChanged() { ::OnFunctionKeyChanged(); }
void OnSettingsFileClicked() { OpenSettingsFile(); }
void OnKeySettingsClosed() { ::OnKeySettingsClosed(); }

}  // namespace events
