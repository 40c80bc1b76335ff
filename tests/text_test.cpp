#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <utility>

#include "text/text.h"

// Characters whose second GBK byte is an ASCII character that the searches
// and the lower-casing must not take for itself: 乕 ends in '[', 乚 in ']',
// 圓 in 'A', 員 in 'T'.
static_assert(sizeof("乕") == 3 && "乕"[1] == '[', "sources must be compiled to GBK");
static_assert("乚"[1] == ']' && "圓"[1] == 'A' && "員"[1] == 'T', "sources must be compiled to GBK");

namespace {

// The leading decimal number, after full-width forms are folded, clamped to
// the 32-bit range.
TEST(TextToInt, ReadsLeadingDecimalNumber) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"", 0},
      {"abc", 0},
      {"112", 112},
      {"112abc", 112},
      {"0x71", 0},  // the number ends at the x
      {"  \t\r\n 42", 42},
      {"-5", -5},
      {"+7", 7},
      {"- 5", 0},  // a sign must touch its digits
      {"--5", 0},
      {"007", 7},
      {"12 34", 12},
      // Full-width digits, sign and the ideographic space, as GBK bytes.
      {"\xA3\xB1\xA3\xB1\xA3\xB6", 116},  // １１６
      {"\xA1\xA1\xA3\xAD\xA3\xB5", -5},   // 　－５
      {"\xA3\xB1\x32\xA3\xB3", 123},      // mixed widths
      {"\xA3\xB1\xA1\xA1\xA3\xB2", 1},    // an ideographic space ends the number
      {"\xA1\xA1\xA1\xA1\x39", 9},
      {"\xA3\xA0\x31", 0},  // trail 0xA0 is outside the folded range
      {"\xA3", 0},          // a lone lead byte at the end
      {"1\xA3", 1},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(TextToInt(text), value) << '"' << text << '"';
  for (const char* text : {"2147483647", "2147483648", "99999999999999999999999999"})
    EXPECT_EQ(TextToInt(text), INT32_MAX) << text;
  for (const char* text : {"-2147483648", "-2147483649", "-99999999999999999999999999"})
    EXPECT_EQ(TextToInt(text), INT32_MIN) << text;
  // The folding steps over whole characters: the 0xA3 here is the trail of
  // another character, not the lead of a full-width digit.
  EXPECT_EQ(TextToInt("\xB0\xA3\xB1\x35"), 0);
  // A text that ends on a lead byte ends there, whatever lies behind it.
  EXPECT_EQ(TextToInt(std::string_view("1\xA3\xB1", 2)), 1);
}

TEST(FoldFullWidth, FoldsWholeCharactersOnly) {
  EXPECT_EQ(FoldFullWidth("ＣＴＲＬ＋ｂ　１２"), "CTRL+b 12");
  // 0xA3 as a trail byte starts nothing: 0xB0 0xA3 is one character.
  EXPECT_EQ(FoldFullWidth("\xB0\xA3\xB0\xA1浦发"), "\xB0\xA3\xB0\xA1浦发");
  EXPECT_EQ(FoldFullWidth(std::string_view("Ａ\xA3", 3)), std::string("A\xA3"));
}

TEST(FindText, StepsOverTwoByteCharacters) {
  const std::tuple<const char*, const char*, TextSearch, int> cases[] = {
      {"abc", "b", {}, 2},
      {"abc", "d", {}, -1},
      {"abc", "", {}, -1},
      {"", "a", {}, -1},
      {"abcabc", "bc", {}, 2},
      {"abcabc", "bc", {false, true}, 5},      // last occurrence
      {"abcabc", "bc", {false, false, 3}, 5},  // from a later start
      {"乕]", "[", {}, -1},                    // '[' only as a trail byte
      {"乕[", "[", {}, 3},
      {"乚x]", "]", {}, 4},
      {"[乚]", "]", {false, true}, 4},  // last one, not the trail
      {"圓A", "A", {}, 3},
      {"員t", "T", {true}, 3},   // folding skips the trail 'T'
      {"卖", "买", {true}, -1},  // one lead byte, other trail bytes
      {"\x80\\", "\\", {}, -1},  // 0x80 leads a character too
      {"交易师 - 600036 - 名", " - ", {}, 7},
      {"交易师 - 600036 - 名", " - ", {false, true}, 16},
      {"网上股票交易系统", "网上交易", {}, -1},  // markers never match across characters
      {"网上股票交易系统", "网上股票交易", {}, 1},
      {"xSH600036", "sh", {true}, 2},
      {"xSH600036", "sh", {}, -1},
      // The text ends in the middle of a character; the pattern's lead byte
      // must not be compared with whatever lies behind the text.
      {"ab\xB0", "\xB0\xA1", {}, -1},
      {"ab\xB0", "\xB0", {}, 3},
  };
  for (const auto& [text, pattern, how, position] : cases) {
    EXPECT_EQ(FindText(text, pattern, how), position) << '"' << text << "\" / \"" << pattern << '"';
  }
  EXPECT_EQ(FindText(std::string_view("ab\xB0", 2), "b\xB0"), -1);
}

TEST(TextSlicing, CutsAtTheEndsAndLowersOnlyAsciiLetters) {
  // The text, the count, and the cut.
  const std::tuple<const char*, int, const char*> lefts[] = {
      {"abcdef", 2, "ab"}, {"abcdef", 0, ""}, {"abcdef", -1, ""}, {"abc", 10, "abc"}};
  for (const auto& [text, count, cut] : lefts) EXPECT_EQ(LeftText(text, count), cut) << text << " " << count;
  const std::tuple<const char*, int, const char*> rights[] = {
      {"SH600036", 6, "600036"}, {"600", 6, "600"}, {"abc", 0, ""}};
  for (const auto& [text, count, cut] : rights) EXPECT_EQ(RightText(text, count), cut) << text << " " << count;
  // From the start'th character of "abcdef", count of them.
  const std::tuple<int, int, const char*> mids[] = {{2, 3, "bcd"}, {5, 10, "ef"}, {0, 2, ""},
                                                    {7, 1, ""},    {6, 1, "f"},   {2, 0, ""}};
  for (const auto& [start, count, cut] : mids) EXPECT_EQ(MidText("abcdef", start, count), cut) << start << " " << count;
  // Lower-casing leaves trail bytes alone.
  EXPECT_EQ(LowerAscii("LINGBO.EXE"), "lingbo.exe");
  EXPECT_EQ(LowerAscii("圓員AZ@[`"), "圓員az@[`");
  EXPECT_EQ(LowerAscii(std::string("A\xB0", 2)), std::string("a\xB0", 2));
  EXPECT_EQ(LowerAscii(""), "");
}

}  // namespace
