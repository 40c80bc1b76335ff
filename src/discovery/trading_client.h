// Finds the broker's order-entry program among the visible top-level windows.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/platform.h"

// A window qualifies by its title, or else by the FileDescription of the
// executable behind it; each table is tested in this order.
inline constexpr std::array<std::string_view, 2> TitleMarkers = {"网上交易", "网上股票交易"};
inline constexpr std::array<std::string_view, 4> DescriptionMarkers = {"网上交易", "网上股票交易", "V6主框架模块",
                                                                       "机构版主程序"};

// The first qualifying window, or 0.
platform::Hwnd FindTradingClient();
// The FileDescription of the file's version resource, or "".
std::string ReadFileDescription(const std::string& path);
