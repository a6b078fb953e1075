#include "store/search_filter.h"

#include "store/ansi_text.h"

namespace store {

void SearchFilter::setText(const QString& typed) {
  text_ = upperAscii(typed);
  marks_.reset();
  rule_ = book::SearchRule(toAnsi(text_, codePage_), rule_.includeMemo());
}

void SearchFilter::setIncludeMemo(bool on) {
  marks_.reset();
  rule_ = book::SearchRule(toAnsi(text_, codePage_), on);
}

void SearchFilter::setCodePage(const codepage::CodePage& page) {
  codePage_ = page;
  marks_.reset();
  rule_ = book::SearchRule(toAnsi(text_, codePage_), rule_.includeMemo());
}

void SearchFilter::clear() {
  text_.clear();
  marks_.reset();
  rule_ = book::SearchRule();
}

QString SearchFilter::expression() const {
  const std::optional<std::string> text = rule_.expression();
  return text ? fromAnsi(*text, codePage_) : QString();
}

}  // namespace store
