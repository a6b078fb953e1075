#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "codepage/code_page.h"

namespace store {

// The values of a search: the text (letters a to z upper-cased) and whether
// the memo is searched as well. A name-only search is decided by the
// engine's filter expression; a search that includes the memo (or a name
// search whose text no string literal can spell: one holding all of the
// delimiters " ' and ]) is decided per record by accepts().
class SearchFilter {
 public:
  // Stores `typed` with its letters a to z upper-cased.
  void setText(const QString& typed);
  const QString& text() const { return text_; }
  void setIncludeMemo(bool on) { includeMemo_ = on; }
  bool includeMemo() const { return includeMemo_; }
  bool nameOnly() const { return !includeMemo_; }
  void clear();
  // The code page of the table searched (EngineTable::codePage()): the text
  // is compared in its bytes. Windows-1252 until set.
  void setCodePage(const codepage::CodePage& page) { codePage_ = page; }

  // The filter expression for the main table: "\"TEXT\"$upper(Name)" for a
  // name-only search (the text in single quotes or brackets when it holds a
  // double quote), "" when the per-record test decides.
  QString expression() const;

  // The per-record test. `name` is the record's NAME; `memo` fetches its
  // memo bytes (asked only when the name does not match).
  using MemoFetcher = std::function<std::string()>;
  bool accepts(const std::string& name, const MemoFetcher& memo) const;

 private:
  std::optional<std::string> literal() const;  // the text as an expression literal
  bool expressionDecides() const;

  QString text_;
  bool includeMemo_ = false;
  codepage::CodePage codePage_;
};

// Whether `needle` (already upper-cased) occurs in `haystack` upper-cased by
// the a-to-z rule, looking only up to the first zero byte of `haystack`.
bool containsUpper(std::string_view haystack, std::string_view needle);

}  // namespace store
