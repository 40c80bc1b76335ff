// The exchange a code is listed on, where its source says so, and whether a
// trader can order it there: an index shares its digits with a stock of the
// other exchange (上证指数 000001, 平安银行 000001).
#pragma once

#include <string_view>

enum class Exchange : unsigned char { kUnknown, kShanghai, kShenzhen, kBeijing };

enum class CodeKind : unsigned char {
  kOrderable,  // or the exchange is not known: nothing to go by
  kIndex,
  kOutside,  // in none of the exchange's orderable ranges
};
CodeKind KindOfCode(std::string_view code, Exchange exchange);
