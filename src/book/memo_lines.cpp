#include "book/memo_lines.h"

namespace book {
namespace {

template <typename Char>
std::vector<std::basic_string_view<Char>> split(std::basic_string_view<Char> memo) {
  std::vector<std::basic_string_view<Char>> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < memo.size(); ++i) {
    const Char c = memo[i];
    if (c != Char('\r') && c != Char('\n')) continue;
    lines.push_back(memo.substr(start, i - start));
    if (c == Char('\r') && i + 1 < memo.size() && memo[i + 1] == Char('\n')) ++i;
    start = i + 1;
  }
  if (start < memo.size()) lines.push_back(memo.substr(start));
  return lines;
}

}  // namespace

std::vector<std::string_view> memoLines(std::string_view memo) { return split(memo); }
std::vector<std::u16string_view> memoLines(std::u16string_view memo) { return split(memo); }

}  // namespace book
