#include "store/search_rule.h"

#include <array>
#include <cstring>

#include "xbase/dbf_text.h"
#include "xbase/expression.h"

namespace store {

SearchRule::SearchRule(std::string_view text, bool includeMemo)
    : text_(xbase::asciiUpper(text)), includeMemo_(includeMemo) {
  expressionDecides_ = !includeMemo_ && !text_.empty() && xbase::stringLiteral(text_).has_value();
}

std::optional<std::string> SearchRule::expression() const {
  if (!expressionDecides_) return std::nullopt;
  return *xbase::stringLiteral(text_) + "$upper(Name)";
}

bool SearchRule::accepts(std::string_view name, const MemoFetcher& memo) const {
  if (expressionDecides_) return true;
  if (containsUpper(name, text_)) return true;
  if (!includeMemo_ || !memo) return false;
  return containsUpper(memo(), text_);
}

// Case-blind by the a-to-z rule, without copying the haystack: the memo walk
// of a search over many entries spends most of its time here. Horspool's
// skip table holds each needle byte and, for a letter, its lower case.
bool containsUpper(std::string_view haystack, std::string_view needle) {
  if (const void* zero = std::memchr(haystack.data(), '\0', haystack.size()))
    haystack = haystack.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - haystack.data()));
  const std::size_t m = needle.size();
  if (m == 0) return true;
  if (m > haystack.size()) return false;
  std::array<std::size_t, 256> skip;
  skip.fill(m);
  for (std::size_t i = 0; i + 1 < m; ++i) {
    skip[static_cast<unsigned char>(needle[i])] = m - 1 - i;
    skip[static_cast<unsigned char>(xbase::asciiLower(needle[i]))] = m - 1 - i;
  }
  for (std::size_t pos = 0; pos + m <= haystack.size();
       pos += skip[static_cast<unsigned char>(haystack[pos + m - 1])]) {
    std::size_t j = m;
    while (j > 0 && xbase::asciiUpper(haystack[pos + j - 1]) == needle[j - 1]) --j;
    if (j == 0) return true;
  }
  return false;
}

}  // namespace store
