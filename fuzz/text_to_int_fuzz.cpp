// TextToInt over any bytes, against a plain reading of its definition.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "text/text.h"

namespace {

std::int32_t Reference(std::string_view text) {
  std::string folded;
  for (std::size_t i = 0; i < text.size(); i += fuzz::CharLength(text, i)) {
    const std::string_view character = text.substr(i, fuzz::CharLength(text, i));
    const auto trail = static_cast<unsigned char>(character.back());
    if (character.size() == 2 && character[0] == '\xA3' && trail >= 0xA1 && trail <= 0xFE)
      folded += static_cast<char>(trail - 0x80);
    else if (character == "\xA1\xA1")
      folded += ' ';
    else
      folded += character;
  }
  std::size_t i = folded.find_first_not_of(" \t\n\v\f\r");
  if (i == std::string::npos) return 0;
  int sign = 1;
  if (folded[i] == '+' || folded[i] == '-') sign = folded[i++] == '-' ? -1 : 1;
  long double value = 0;  // no overflow to care about: it only grows towards the clamp
  for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
    if (value < 1e12L) value = value * 10 + (folded[i] - '0');
  }
  return static_cast<std::int32_t>(std::clamp<long double>(value * sign, INT32_MIN, INT32_MAX));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::Text(data, size);
  const std::int32_t value = TextToInt(text);
  FUZZ_CHECK(value == Reference(text));

  // Written out and read back, any value is itself again, also in full-width
  // digits behind an ideographic space.
  const std::string decimal = std::to_string(value);
  FUZZ_CHECK(TextToInt(decimal) == value);
  std::string wide = "\xA1\xA1";
  for (const char c : decimal) wide += {'\xA3', static_cast<char>(c + 0x80)};
  FUZZ_CHECK(TextToInt(wide) == value);
  return 0;
}
