// The program-wide variables: one record for the whole run, read and written
// directly on the GUI thread by every part of the program.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

struct AppStateRecord {
  std::string currentCode;           // the code the charting program shows
  platform::Hwnd tradingClient = 0;  // trading client's top-level window
  std::int32_t buyKey = 0;           // hot keys of the trading client
  std::int32_t sellKey = 0;
  std::int32_t functionKey = 0;
  platform::Hwnd dzhMainWindow = 0;  // below 1: not attached
  platform::Hwnd dzhMdiClient = 0;
  std::string dzhExePath;        // 大智慧's executable
  std::string dzhStockInfoFile;  // chosen code table file name
};

extern AppStateRecord AppState;

// Back to the initial values (start-up, and every test).
void ResetAppState();
