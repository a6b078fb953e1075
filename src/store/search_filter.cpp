#include "store/search_filter.h"

#include "store/ansi_text.h"

namespace store {

void SearchFilter::setText(const QString& typed) {
  text_ = upperAscii(typed);
  rule_ = SearchRule(toAnsi(text_), rule_.includeMemo());
}

void SearchFilter::setIncludeMemo(bool on) { rule_ = SearchRule(toAnsi(text_), on); }

void SearchFilter::clear() {
  text_.clear();
  rule_ = SearchRule();
}

QString SearchFilter::expression() const {
  const std::optional<std::string> text = rule_.expression();
  return text ? fromAnsi(*text) : QString();
}

}  // namespace store
