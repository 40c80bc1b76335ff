#include "discovery/trading_client.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "discovery/processes.h"
#include "discovery/windows.h"
#include "platform/platform.h"
#include "text/text.h"

namespace {

// The system keeps a window's title in full; this is more than any marker
// needs to be found.
constexpr int kKeptTitleBuffer = 512;

// The first of the markers that text contains; empty when none.
template <std::size_t N>
std::string_view MarkerIn(const std::string& text, const std::array<std::string_view, N>& markers) {
  for (std::string_view marker : markers) {
    if (ContainsText(text, marker)) return marker;
  }
  return {};
}

// The version resource's language and code page, as the key of its string
// table ("080404b0"); files without a translation table are taken to carry
// US English in code page 1252.
std::string StringTableKey(const std::vector<std::uint8_t>& block) {
  std::string translations;
  if (!platform::VerQueryValueA(block, "\\VarFileInfo\\Translation", &translations) || translations.size() < 4) {
    return "040904E4";
  }
  const auto byte = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(translations[i])); };
  // Language, then code page, each as four lower-case hex digits; formatted
  // by hand, as printf would bring its whole floating-point machinery along.
  std::string key;
  for (const std::size_t i : {1, 0, 3, 2}) {
    for (const unsigned digit : {byte(i) >> 4, byte(i) & 0xF}) key += "0123456789abcdef"[digit];
  }
  return key;
}

// Whether the executable behind a window carries a description marker.  The
// answer belongs to the window's process, so one search works it out once per
// process, and names processes from one list taken for the whole search: a
// desktop of many windows would otherwise cost two process snapshots, a
// module snapshot and a version read for each of them.
class DescriptionVerdicts {
 public:
  explicit DescriptionVerdicts(DescriptionCache* cache) : cache_(cache) {}

  // The description marker of the window's executable; empty when it has none.
  std::string_view MarkerOf(platform::Hwnd window) {
    const std::uint32_t owner = ProcessIdOfWindow(window);
    const auto known = verdicts_.find(owner);
    if (known != verdicts_.end()) return known->second;
    // Taken after the window list, so it holds every listed window's process
    // that is still running.
    if (!processes_) processes_ = ListProcesses();
    // The executable examined is that of the first process with the same file
    // name; a window whose process has no name ends up at process 0, which is
    // this program itself.
    const std::uint32_t processId = FirstProcessIdIn(*processes_, ExeNameIn(*processes_, owner));
    const std::string path = MainModulePath(processId);
    const std::string_view verdict =
        MarkerIn(cache_ ? cache_->Of(path) : ReadFileDescription(path), DescriptionMarkers);
    verdicts_.emplace(owner, verdict);
    return verdict;
  }

 private:
  DescriptionCache* cache_;
  std::optional<std::vector<ProcessRecord>> processes_;
  std::map<std::uint32_t, std::string_view> verdicts_;
};

std::string TitleOf(platform::Hwnd window, TitleSource titles, std::uint64_t deadline) {
  if (titles == TitleSource::kAskTheWindow && BoundBefore(deadline, 1) > 0) return ReadWindowText(window, deadline);
  return platform::GetWindowTextA(window, kKeptTitleBuffer);
}

TradingClientMatch Qualify(platform::Hwnd window, TitleSource titles, DescriptionVerdicts& descriptions,
                           std::uint64_t deadline = UINT64_MAX) {
  const std::string title = TitleOf(window, titles, deadline);
  std::string_view marker = MarkerIn(title, TitleMarkers);
  const bool byTitle = !marker.empty();
  if (!byTitle) marker = descriptions.MarkerOf(window);
  if (marker.empty()) return {};
  return {window, byTitle, std::string(marker), title};
}

}  // namespace

TradingClientMatch FindTradingClientMatch(TitleSource titles, DescriptionCache* cache, std::uint64_t deadline) {
  DescriptionVerdicts descriptions(cache);
  for (platform::Hwnd window : ListVisibleTopLevelWindows()) {
    const TradingClientMatch match = Qualify(window, titles, descriptions, deadline);
    if (match.window > 0) return match;
  }
  return {};
}

TradingClientMatch MatchTradingClient(platform::Hwnd window, TitleSource titles, DescriptionCache* cache) {
  if (window <= 0) return {};
  DescriptionVerdicts descriptions(cache);
  return Qualify(window, titles, descriptions);
}

platform::Hwnd FindTradingClient(std::uint64_t deadline) {
  return FindTradingClientMatch(TitleSource::kAskTheWindow, nullptr, deadline).window;
}

std::string ReadFileDescription(const std::string& path) { return ReadVersionString(path, "FileDescription"); }

std::string DescriptionCache::Of(const std::string& path) {
  platform::FileStamp stamp;
  if (!platform::GetFileAttributesExA(path, &stamp)) return ReadFileDescription(path);
  const auto known = entries_.find(path);
  if (known != entries_.end() && known->second.stamp == stamp) return known->second.description;
  std::string description = ReadFileDescription(path);
  entries_[path] = {stamp, description};
  return description;
}

std::string ReadVersionString(const std::string& path, const std::string& name) {
  const std::uint32_t size = platform::GetFileVersionInfoSizeA(path);
  if (size == 0) return "";
  std::vector<std::uint8_t> block;
  if (!platform::GetFileVersionInfoA(path, size, &block)) return "";
  std::string description;
  if (!platform::VerQueryValueA(block, "\\StringFileInfo\\" + StringTableKey(block) + "\\" + name, &description)) {
    return "";
  }
  return description;
}
