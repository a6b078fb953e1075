#include "store/search_filter.h"

#include "store/ansi_text.h"

namespace store {

void SearchFilter::setText(const QString& typed) { text_ = upperAscii(typed); }

void SearchFilter::clear() {
  text_.clear();
  includeMemo_ = false;
}

bool SearchFilter::expressionDecides() const {
  // A double quote would end the expression's string literal early.
  return nameOnly() && !text_.isEmpty() && !text_.contains(QLatin1Char('"'));
}

QString SearchFilter::expression() const {
  if (!expressionDecides()) return {};
  return QLatin1Char('"') + text_ + QStringLiteral("\"$upper(Name)");
}

bool SearchFilter::accepts(const std::string& name, const MemoFetcher& memo) const {
  if (expressionDecides()) return true;
  const std::string needle = toAnsi(text_);
  if (containsUpper(name, needle)) return true;
  if (nameOnly() || !memo) return false;
  return containsUpper(memo(), needle);
}

bool containsUpper(std::string_view haystack, std::string_view needle) {
  const std::size_t zero = haystack.find('\0');
  if (zero != std::string_view::npos) haystack = haystack.substr(0, zero);
  return upperAscii(haystack).find(needle) != std::string::npos;
}

}  // namespace store
