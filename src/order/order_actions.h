// The buy, sell and function-key actions.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// What an action leaves behind for the next one.
struct OrderOutcome {
  // The trading client to remember: the one used, the one a search found,
  // or 0 when a search found none.
  platform::Hwnd client = 0;
};

// Brings the trading client forward, presses hotKey in it and writes code
// into the code field its order form focuses.  Nothing at all for a code
// whose value is not above 0.
OrderOutcome OpenOrderForm(const std::string& code, platform::Hwnd rememberedClient, std::int32_t hotKey);
// Brings the trading client forward and presses functionKey in it.
OrderOutcome SendFunctionKey(platform::Hwnd rememberedClient, std::int32_t functionKey);
void ReplaceEditText(platform::Hwnd edit, const std::string& text);
