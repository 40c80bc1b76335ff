// The text search and TextBetween over any bytes, against a naive walk of
// the text character by character.
//
// Input: one flag byte (bit 0 ASCII case folding, bit 1 last occurrence),
// one byte giving the search start, then three texts separated by 0xFF bytes:
// the text, the pattern (the start marker) and the end marker.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "quote/trader_reader.h"
#include "text/text.h"

namespace {

bool SameAt(std::string_view text, std::size_t i, std::string_view pattern, bool ignoreCase) {
  if (text.size() - i < pattern.size()) return false;
  const std::string_view here = text.substr(i, pattern.size());
  return ignoreCase ? LowerAscii(here) == LowerAscii(pattern) : here == pattern;
}

// Every match, in order, when the walk starts at byte from0 (0-based).
std::vector<int> AllMatches(std::string_view text, std::string_view pattern, bool ignoreCase, std::size_t from0) {
  std::vector<int> found;
  if (pattern.empty()) return found;
  for (std::size_t i = from0; i < text.size(); i += fuzz::CharLength(text, i))
    if (SameAt(text, i, pattern, ignoreCase)) found.push_back(static_cast<int>(i) + 1);
  return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const bool ignoreCase = data[0] & 1, last = data[0] & 2;
  std::string_view parts[3], rest = fuzz::Text(data + 2, size - 2);
  for (std::size_t i = 0, cut = 0; i < 3 && cut != std::string_view::npos; ++i, rest.remove_prefix(cut + 1))
    parts[i] = rest.substr(0, cut = rest.find('\xFF'));
  const std::string_view text = parts[0], pattern = parts[1], endMarker = parts[2];

  // A search from a character boundary that the walk from the start reaches.
  std::vector<std::size_t> boundaries;
  for (std::size_t i = 0; i < text.size(); i += fuzz::CharLength(text, i)) boundaries.push_back(i);
  boundaries.push_back(text.size());
  const std::size_t from0 = boundaries[data[1] % boundaries.size()];

  const std::vector<int> matches = AllMatches(text, pattern, ignoreCase, from0);
  const int expected = matches.empty() ? -1 : last ? matches.back() : matches.front();
  FUZZ_CHECK(FindText(text, pattern, {ignoreCase, last, static_cast<int>(from0) + 1}) == expected);
  FUZZ_CHECK(ContainsText(text, pattern) == !AllMatches(text, pattern, false, 0).empty());

  // TextBetween: the bytes from behind the first start marker up to the next
  // end marker at or after them, both found with ASCII case folding.
  std::string between;
  const std::vector<int> starts = AllMatches(text, pattern, true, 0);
  if (!starts.empty()) {
    const std::size_t s = static_cast<std::size_t>(starts.front()) - 1 + pattern.size();
    const std::vector<int> ends = AllMatches(text, endMarker, true, s);
    if (!ends.empty()) between = std::string(text.substr(s, static_cast<std::size_t>(ends.front()) - 1 - s));
  }
  FUZZ_CHECK(TextBetween(text, pattern, endMarker) == between);

  // Slicing never reaches outside the text.
  const int count = static_cast<int>(data[1]) - 128;
  const std::string left = LeftText(text, count), right = RightText(text, count);
  const std::string middle = MidText(text, static_cast<int>(from0) + 1, count);
  FUZZ_CHECK(left.size() <= text.size() && text.substr(0, left.size()) == left);
  FUZZ_CHECK(right.size() <= text.size() && text.substr(text.size() - right.size()) == right);
  FUZZ_CHECK(middle.empty() || text.substr(from0, middle.size()) == middle);
  FUZZ_CHECK(LowerAscii(text).size() == text.size());
  return 0;
}
