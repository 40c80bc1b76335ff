// Keeps AppState.currentCode, and the bar's label, equal to what the charting
// program shows.
#pragma once

inline constexpr unsigned kPollInterval = 100;
inline constexpr unsigned kDzhRetryInterval = 10000;

void OnQuoteTimer();
