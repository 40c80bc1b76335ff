// Keeps AppState.currentCode equal to what the charting program shows.
#pragma once

#include <string>

#include "platform/platform.h"

inline constexpr unsigned kPollInterval = 100;
inline constexpr unsigned kDzhRetryInterval = 10000;

void OnQuoteTimer();
platform::Hwnd FindChildByPath(platform::Hwnd parent, const std::string& path);
void FindDzhMainWindow();
