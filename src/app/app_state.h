// The program-wide variables: one record for the whole run, kept by the
// application shell on the GUI thread and handed to the other parts as
// arguments.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "quote/dzh_reader.h"

struct AppStateRecord {
  std::string currentCode;           // the code the charting program shows
  platform::Hwnd tradingClient = 0;  // trading client's top-level window
  std::int32_t buyKey = 0;           // hot keys of the trading client
  std::int32_t sellKey = 0;
  std::int32_t functionKey = 0;
  DzhAttachment dzh;  // the 大智慧 being read
};

extern AppStateRecord AppState;

// Back to the initial values (start-up, and every test).
void ResetAppState();
