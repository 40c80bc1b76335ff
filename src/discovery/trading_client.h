// Finds the broker's order-entry program among the visible top-level windows.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/platform.h"

// A window qualifies by its title, or else by the FileDescription of the
// executable behind it; each table is tested in this order.
inline constexpr std::array<std::string_view, 2> TitleMarkers = {"网上交易", "网上股票交易"};
inline constexpr std::array<std::string_view, 4> DescriptionMarkers = {"网上交易", "网上股票交易", "V6主框架模块",
                                                                       "机构版主程序"};

// The first qualifying window, or 0.  With a deadline (a GetTickCount64
// time), no window is waited on past it: the titles of the windows left are
// the copies the system keeps.
platform::Hwnd FindTradingClient(std::uint64_t deadline = UINT64_MAX);

// The first qualifying window and why it qualified.
struct TradingClientMatch {
  platform::Hwnd window = 0;  // 0: none qualifies
  bool byTitle = false;       // else by its executable's file description
  std::string marker;         // the marker found
  std::string title;
};
// Where the search takes the windows' titles from: the windows themselves,
// each asked within a bound (as an action does), or the copy the system
// keeps, which a window that has stopped answering still has.
enum class TitleSource { kAskTheWindow, kKeptBySystem };

// The FileDescription of the file's version resource, or "".
std::string ReadFileDescription(const std::string& path);

// The descriptions read so far, each with the stamp of its file, for a caller
// that searches again and again (the status window, twice a second): a file
// is read again only once it has been replaced.
class DescriptionCache {
 public:
  std::string Of(const std::string& path);

 private:
  struct Entry {
    platform::FileStamp stamp;
    std::string description;
  };
  std::map<std::string, Entry> entries_;
};

// With a cache, each executable's description comes from it.
TradingClientMatch FindTradingClientMatch(TitleSource titles = TitleSource::kAskTheWindow,
                                          DescriptionCache* descriptions = nullptr,
                                          std::uint64_t deadline = UINT64_MAX);
// How this one window qualifies, as the search would find it; window 0 when
// it does not (any longer).
TradingClientMatch MatchTradingClient(platform::Hwnd window, TitleSource titles = TitleSource::kKeptBySystem,
                                      DescriptionCache* descriptions = nullptr);
// Any string of the file's version resource ("FileVersion", ...), or "".
std::string ReadVersionString(const std::string& path, const std::string& name);
