#include "quote/exchanges.h"

namespace {

struct CodeRange {
  Exchange exchange;
  std::string_view leading;  // the code's first digits
  CodeKind kind;
};

// Every range of codes a trader may meet, by its leading digits; the longest
// that matches decides, and a code of a known exchange that none matches is
// not ordered.  Taken from public descriptions of the exchanges' code plans:
// Shanghai's 证券编码实施方案 by first digit (0 国债 and 指数, 1 债券,
// 2 回购, 5 基金, 6 A 股 and 科创板, 7 申购 and 配股, 900 B 股), where the
// indices are 000xxx (上证指数 000001, 沪深300 000300); Shenzhen's 00 and 30
// shares, 1x bonds, repos and funds, 20 B 股, and 39 for its indices (深证成指
// 399001); Beijing's 43, 83, 87 and 92 shares and 899 for its indices (北证50
// 899050).  880xxx are 通达信's own sector indices, kept among Shanghai's
// (the open-source hikyuu importer's code rules list 000, 39 and 880 as
// indices).
constexpr CodeRange kCodeRanges[] = {
    {Exchange::kShanghai, "0", CodeKind::kOrderable},   {Exchange::kShanghai, "000", CodeKind::kIndex},
    {Exchange::kShanghai, "1", CodeKind::kOrderable},   {Exchange::kShanghai, "2", CodeKind::kOrderable},
    {Exchange::kShanghai, "5", CodeKind::kOrderable},   {Exchange::kShanghai, "6", CodeKind::kOrderable},
    {Exchange::kShanghai, "7", CodeKind::kOrderable},   {Exchange::kShanghai, "880", CodeKind::kIndex},
    {Exchange::kShanghai, "900", CodeKind::kOrderable}, {Exchange::kShenzhen, "0", CodeKind::kOrderable},
    {Exchange::kShenzhen, "1", CodeKind::kOrderable},   {Exchange::kShenzhen, "20", CodeKind::kOrderable},
    {Exchange::kShenzhen, "30", CodeKind::kOrderable},  {Exchange::kShenzhen, "39", CodeKind::kIndex},
    {Exchange::kBeijing, "4", CodeKind::kOrderable},    {Exchange::kBeijing, "8", CodeKind::kOrderable},
    {Exchange::kBeijing, "899", CodeKind::kIndex},      {Exchange::kBeijing, "92", CodeKind::kOrderable},
};

}  // namespace

CodeKind KindOfCode(std::string_view code, Exchange exchange) {
  if (exchange == Exchange::kUnknown) return CodeKind::kOrderable;
  CodeKind kind = CodeKind::kOutside;
  std::size_t longest = 0;
  for (const CodeRange& range : kCodeRanges) {
    if (range.exchange != exchange || range.leading.size() <= longest ||
        code.substr(0, range.leading.size()) != range.leading)
      continue;
    longest = range.leading.size();
    kind = range.kind;
  }
  return kind;
}
