// The program-wide variables: one record for the whole run, kept by the
// application shell on the GUI thread and handed to the other parts as
// arguments.
#pragma once

#include <cstdint>
#include <string>

#include "discovery/trading_client.h"
#include "order/order_actions.h"
#include "platform/platform.h"
#include "quote/dzh_reader.h"
#include "quote/exchanges.h"
#include "quote/tdx_reader.h"
#include "settings/settings.h"

// The last order action, kept in memory (never in a file) so that the trader
// can see afterwards why a click did what it did.
enum class ActionButton { kBuy, kSell, kFunctionKey };
struct ActionRecord {
  bool happened = false;
  ActionButton button = ActionButton::kBuy;
  bool byHotKey = false;  // the trader's hot key, not a click
  platform::LocalTime at;
  OrderOutcome outcome;
  // A code the bar does not order (an index): nothing was done.
  CodeKind refused = CodeKind::kOrderable;
};

// A hot key of the trader's for 买 or 卖, as start-up left it: registered
// for the bar's whole life, or why not.
enum class HotKeyState { kNone, kUnreadable, kRegistered, kTaken, kSameAsBuy };
struct HotKeyRecord {
  HotKeySetting setting;
  HotKeyState state = HotKeyState::kNone;
};
inline constexpr int kBuyHotKeyId = 1, kSellHotKeyId = 2;

struct AppStateRecord {
  std::string currentCode;                        // the code the charting program shows
  Exchange currentExchange = Exchange::kUnknown;  // where its source says
  platform::Hwnd tradingClient = 0;               // trading client's top-level window
  // How tradingClient qualified when it was found: its title may since have
  // lost the marker (a login screen gone), and it is still the one driven.
  TradingClientMatch tradingClientFound;
  std::int32_t buyKey = 0;  // hot keys of the trading client
  std::int32_t sellKey = 0;
  std::int32_t functionKey = 0;
  CodeEntry codeEntry = CodeEntry::kReplace;  // how the code goes into the field
  platform::Hwnd codeField = 0;               // the field the code last landed in
  HotKeyRecord buyHotKey, sellHotKey;
  ActionRecord lastAction;
  DzhAttachment dzh;  // the 大智慧 being read
  TdxAttachment tdx;  // the 通达信 being read
};

extern AppStateRecord AppState;

// Back to the initial values (start-up, and every test).
void ResetAppState();
