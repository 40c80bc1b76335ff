// 交易师: the code cut out of its main window's title.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "quote/exchanges.h"

struct TopLevelWindowEntry {
  platform::Hwnd window = 0;
  std::string title;
};

// The code, and its exchange where the title names it ("[SH000001]").
std::string ReadTraderCode(Exchange* exchange = nullptr);
// The root owner of the first window whose title holds "交易师"; 0 when none.
platform::Hwnd FindTraderMainWindow();
platform::Hwnd FindWindowByTitleFragment(const std::string& fragment);
std::vector<TopLevelWindowEntry> ListTopLevelWindows();
std::string GetWindowTextTimeout(platform::Hwnd window);
std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker);
