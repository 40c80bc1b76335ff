#include "text/text.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

bool IsLeadByte(unsigned char byte) { return byte >= 0x80; }

// Length of the character starting at i: a lead byte takes the next byte
// with it, unless the text ends first.
std::size_t CharLength(std::string_view text, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Does pattern stand in text at i?  Case folding follows the pattern's own
// characters, so the trail byte of a two-byte character is compared exactly.
bool MatchesAt(std::string_view text, std::size_t i, std::string_view pattern, bool ignoreAsciiCase) {
  if (text.size() - i < pattern.size()) return false;
  if (!ignoreAsciiCase) return std::memcmp(text.data() + i, pattern.data(), pattern.size()) == 0;
  for (std::size_t k = 0; k < pattern.size(); ++k) {
    if (IsLeadByte(static_cast<unsigned char>(pattern[k]))) {
      if (text[i + k] != pattern[k]) return false;
      if (++k < pattern.size() && text[i + k] != pattern[k]) return false;
    } else if (FoldAscii(text[i + k]) != FoldAscii(pattern[k])) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string FoldFullWidth(std::string_view text) {
  // 0xA3 0xA1..0xFE is the ASCII character trail - 0x80, and 0xA1 0xA1 is
  // the ideographic space.
  std::string folded;
  folded.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = CharLength(text, i);
    if (length == 2) {
      const auto trail = static_cast<unsigned char>(text[i + 1]);
      if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
        folded.push_back(static_cast<char>(trail - 0x80));
      } else if (lead == 0xA1 && trail == 0xA1) {
        folded.push_back(' ');
      } else {
        folded.append(text.substr(i, 2));
      }
    } else {
      folded.push_back(static_cast<char>(lead));
    }
    i += length;
  }
  return folded;
}

std::int32_t TextToInt(std::string_view text) {
  const std::string folded = FoldFullWidth(text);
  std::size_t i = 0;
  while (i < folded.size() && (folded[i] == ' ' || (folded[i] >= '\t' && folded[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) negative = folded[i++] == '-';

  // Accumulate towards the sign's limit and stop there: past it the value
  // only clamps.
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                      : std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
    value = value * 10 + (folded[i] - '0');
    if (value >= limit) {
      value = limit;
      break;
    }
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

int FindText(std::string_view text, std::string_view pattern, TextSearch how) {
  if (pattern.empty() || how.from < 1) return -1;
  int found = -1;
  for (std::size_t i = static_cast<std::size_t>(how.from) - 1; i < text.size(); i += CharLength(text, i)) {
    if (MatchesAt(text, i, pattern, how.ignoreAsciiCase)) {
      found = static_cast<int>(i) + 1;
      if (!how.last) break;
    }
  }
  return found;
}

std::string LeftText(std::string_view text, int count) {
  if (count <= 0) return {};
  return std::string(text.substr(0, static_cast<std::size_t>(count)));
}

std::string RightText(std::string_view text, int count) {
  if (count <= 0) return {};
  const auto n = std::min(text.size(), static_cast<std::size_t>(count));
  return std::string(text.substr(text.size() - n));
}

std::string MidText(std::string_view text, int start, int count) {
  if (count <= 0 || start < 1 || static_cast<std::size_t>(start) > text.size()) return {};
  return std::string(text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count)));
}

std::string LowerAscii(std::string_view text) {
  std::string lowered(text);
  for (std::size_t i = 0; i < lowered.size(); i += CharLength(lowered, i)) lowered[i] = FoldAscii(lowered[i]);
  return lowered;
}
