#include "settings/code_cache.h"

#include <map>

#include "settings/settings.h"

namespace {

// Codes of titles that new.ini cannot hold as keys, for the rest of the run.
std::map<std::string, std::string, std::less<>> uncacheableCodes;
// A window whose odd title keeps changing must not make that memory grow
// without end: past this many titles it starts afresh (and re-reads tables).
constexpr std::size_t kMostUncacheableCodes = 1024;

// A cached title comes back through ReadSetting's 10240-byte buffer, so a
// longer one would come back cut; far longer keys (32 K characters) even
// crash the profile functions under Wine.  No security is named like that.
constexpr std::size_t kLongestCacheableTitle = 10239;

// Every byte of 0x80 or more starts a two-byte GBK character with a proper
// trail byte.  The profile functions convert keys through Unicode, where a
// broken sequence can turn into the key of another title.
bool IsWellFormedGbk(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) continue;
    if (lead == 0x80 || lead == 0xFF || i + 1 == text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[++i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
  }
  return true;
}

}  // namespace

bool IsCacheableTitle(std::string_view title) {
  if (title.empty() || title.size() > kLongestCacheableTitle || !IsWellFormedGbk(title)) return false;
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  if (blank(title.front()) || blank(title.back())) return false;
  if (title.front() == '[' || title.front() == ';') return false;
  if (title.find_first_of(std::string_view("\r\n=\0", 4)) != std::string_view::npos) return false;
  // A value in matching quotes is read back without them, so a title cached
  // as itself would come back changed.
  if (title.size() >= 2 && (title.front() == '"' || title.front() == '\'') && title.back() == title.front())
    return false;
  return true;
}

std::string LookupCachedCode(const std::string& title) {
  if (!IsCacheableTitle(title)) {
    const auto found = uncacheableCodes.find(title);
    return found == uncacheableCodes.end() ? std::string() : found->second;
  }
  return ReadSetting(kCodeCacheSection, title, "");
}

void StoreCachedCode(const std::string& title, const std::string& code) {
  if (IsCacheableTitle(title)) {
    WriteSetting(kCodeCacheSection, title, code);
  } else {
    if (uncacheableCodes.size() >= kMostUncacheableCodes) uncacheableCodes.clear();
    uncacheableCodes[title] = code;
  }
}

void ResetCodeCache() { uncacheableCodes.clear(); }
