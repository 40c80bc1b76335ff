// Text helpers over GBK byte strings.  A byte of 0x80 or more starts a
// two-byte character; positions are 1-based byte positions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Full-width GBK forms (０, Ａ, ＋ ...) as their ASCII characters and the
// ideographic space as a space; every other character as it is.
std::string FoldFullWidth(std::string_view text);

// Full-width GBK forms folded to ASCII first, then leading white space, an
// optional sign and decimal digits; 0 when there are none.  Values beyond the
// 32-bit range clamp to the nearest limit.
std::int32_t TextToInt(std::string_view text);

// First (or last) occurrence of pattern in text, stepping character by
// character so a match never starts on a trail byte; 1-based, -1 when absent.
// from: the 1-based position where the search starts (a character boundary).
struct TextSearch {
  bool ignoreAsciiCase = false;
  bool last = false;
  int from = 1;
};
int FindText(std::string_view text, std::string_view pattern, TextSearch how = {});
inline bool ContainsText(std::string_view text, std::string_view pattern) { return FindText(text, pattern) > 0; }
// Whether text begins with prefix, byte for byte.
inline bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Slicing; a count of 0 or less, or a start outside the text, gives "".
std::string LeftText(std::string_view text, int count);
std::string RightText(std::string_view text, int count);
std::string MidText(std::string_view text, int start, int count);

// A to Z lowered; the trail byte of a two-byte character is never changed.
std::string LowerAscii(std::string_view text);
