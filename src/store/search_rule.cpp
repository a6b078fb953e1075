#include "store/search_rule.h"

#include <cstring>

#include "xbase/dbf_text.h"
#include "xbase/expression.h"

namespace store {
namespace {

// Each byte upper-cased by the a-to-z rule, looked up instead of tested.
constexpr std::array<unsigned char, 256> kUpper = [] {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return table;
}();

}  // namespace

SearchRule::SearchRule(std::string_view text, bool includeMemo)
    : text_(xbase::asciiUpper(text)), search_(text_), includeMemo_(includeMemo) {
  expressionDecides_ = !includeMemo_ && !text_.empty() && xbase::stringLiteral(text_).has_value();
}

std::optional<std::string> SearchRule::expression() const {
  if (!expressionDecides_) return std::nullopt;
  return *xbase::stringLiteral(text_) + "$upper(Name)";
}

bool SearchRule::accepts(std::string_view name, const MemoFetcher& memo) const {
  if (expressionDecides_) return true;
  if (search_.in(name)) return true;
  if (!includeMemo_ || !memo) return false;
  return search_.in(memo());
}

// Horspool's search over the folded bytes: the skip table is indexed by the
// haystack byte upper-cased, so a letter of either case skips alike.
UpperSearch::UpperSearch(std::string_view needle) : needle_(needle) {
  const auto m = static_cast<std::uint32_t>(needle_.size());
  skip_.fill(m);
  for (std::uint32_t i = 0; i + 1 < m; ++i) skip_[static_cast<unsigned char>(needle_[i])] = m - 1 - i;
}

bool UpperSearch::in(std::string_view haystack) const {
  if (const void* zero = std::memchr(haystack.data(), '\0', haystack.size()))
    haystack = haystack.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - haystack.data()));
  const std::size_t m = needle_.size();
  if (m == 0) return true;
  if (m > haystack.size()) return false;
  const auto* text = reinterpret_cast<const unsigned char*>(haystack.data());
  const auto* needle = reinterpret_cast<const unsigned char*>(needle_.data());
  const unsigned char lastByte = needle[m - 1];
  const std::size_t end = haystack.size() - m;
  for (std::size_t pos = 0; pos <= end;) {
    const unsigned char last = kUpper[text[pos + m - 1]];
    if (last == lastByte) {
      std::size_t j = m - 1;
      while (j > 0 && kUpper[text[pos + j - 1]] == needle[j - 1]) --j;
      if (j == 0) return true;
    }
    pos += skip_[last];
  }
  return false;
}

bool containsUpper(std::string_view haystack, std::string_view needle) { return UpperSearch(needle).in(haystack); }

}  // namespace store
