// The "状态" window: why a click did nothing, in plain lines the trader can
// read, select and copy.  Opened from the tray menu; refreshed every 500 ms
// while it is open, and costs nothing while it is closed.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "settings/settings.h"

inline constexpr unsigned kStatusTimerId = 2;
inline constexpr unsigned kStatusRefreshMs = 500;

// Opens the window, or brings it forward when it is open; the bar's timer
// refreshes it.
void OpenStatusWindow(platform::Hwnd bar, QuoteSource source);
void OnStatusTimer(QuoteSource source);
void OnStatusCopyClicked();
void OnStatusClosed();
// Forgets an open window (tests).
void ResetStatusWindow();

// The window's text, looked up afresh: the program, the code page, the quote
// source, the trading client a click would drive (the remembered one, or what
// a search finds now, without changing what the bar remembers), the keys and
// the last action.
std::string StatusText();
// "F1 (112)", or the bare code for a key without a name here.
std::string KeyName(std::int32_t keyCode);
