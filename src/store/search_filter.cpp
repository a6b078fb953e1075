#include "store/search_filter.h"

#include "store/ansi_text.h"
#include "xbase/dbf_text.h"
#include "xbase/expression.h"

namespace store {

void SearchFilter::setText(const QString& typed) { text_ = upperAscii(typed); }

void SearchFilter::clear() {
  text_.clear();
  includeMemo_ = false;
}

std::optional<std::string> SearchFilter::literal() const {
  if (!nameOnly() || text_.isEmpty()) return std::nullopt;
  return xbase::stringLiteral(toAnsi(text_, codePage_));
}

bool SearchFilter::expressionDecides() const { return literal().has_value(); }

QString SearchFilter::expression() const {
  const std::optional<std::string> quoted = literal();
  if (!quoted) return {};
  return fromAnsi(*quoted, codePage_) + QStringLiteral("$upper(Name)");
}

bool SearchFilter::accepts(const std::string& name, const MemoFetcher& memo) const {
  if (expressionDecides()) return true;
  const std::string needle = toAnsi(text_, codePage_);
  if (containsUpper(name, needle)) return true;
  if (nameOnly() || !memo) return false;
  return containsUpper(memo(), needle);
}

bool containsUpper(std::string_view haystack, std::string_view needle) {
  const std::size_t zero = haystack.find('\0');
  if (zero != std::string_view::npos) haystack = haystack.substr(0, zero);
  return xbase::asciiUpper(haystack).find(needle) != std::string::npos;
}

}  // namespace store
