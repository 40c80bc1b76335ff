// The code table scan as a plain reading of its definition, and the scan fed
// in pieces: shared by the unit tests and the fuzz target.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "quote/dzh_reader.h"

// Split the table at the non-overlapping occurrences of the title; each piece
// offers the text from 10 bytes before its end up to a NUL; the first that
// meets the market's rule wins.  A table split into fewer than two pieces
// gives nothing.
inline std::string ReferenceScan(std::string_view table, std::string_view title, Market market) {
  std::vector<std::string_view> pieces;
  std::size_t from = 0;
  for (std::size_t at; (at = table.find(title, from)) != std::string_view::npos; from = at + title.size())
    pieces.push_back(table.substr(from, at - from));
  if (from < table.size()) pieces.push_back(table.substr(from));
  if (pieces.size() < 2) return "";
  for (const std::string_view piece : pieces) {
    const std::string code = piece.size() < 10 ? "" : std::string(piece.substr(piece.size() - 10)).c_str();
    if (MeetsMarketRule(code, market)) return code;
  }
  return "";
}

// Feeds the table cut at the given offsets (ascending), each piece in a heap
// block of its own size that is gone before the next piece comes: reading past
// a piece's end or keeping a view of it shows under the sanitizers.
inline std::string FeedCut(std::string_view table, std::string_view title, Market market,
                           const std::vector<std::size_t>& cuts) {
  CodeTableScanner scanner(title, market);
  std::size_t from = 0;
  for (std::size_t i = 0; i <= cuts.size(); ++i) {
    const std::size_t to = i < cuts.size() ? cuts[i] : table.size();
    const std::vector<char> piece(table.begin() + from, table.begin() + to);
    if (scanner.Feed({piece.data(), piece.size()})) break;
    from = to;
  }
  return scanner.Finish();
}
