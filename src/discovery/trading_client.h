// Finds the broker's order-entry program among the visible top-level windows.
#pragma once

#include <string>

// Sets AppState.tradingClient to the first qualifying window, or 0.
void FindTradingClient();
// The FileDescription of the file's version resource, or "".
std::string ReadFileDescription(const std::string& path);
