#pragma once

#include <QString>
#include <optional>
#include <string>

#include "book/search_rule.h"
#include "codepage/code_page.h"

namespace store {

// The values of a search as the window holds them: the text (letters a to z
// upper-cased) and whether the memo is searched as well, with the rule
// (book/search_rule.h) that decides in the table's bytes, and the records a
// pass over the table found for it, once the search has made that pass.
class SearchFilter {
 public:
  // Stores `typed` with its letters a to z upper-cased. Changing the text,
  // the memo switch or the code page drops the marks.
  void setText(const QString& typed);
  const QString& text() const { return text_; }
  void setIncludeMemo(bool on);
  bool includeMemo() const { return rule_.includeMemo(); }
  const book::SearchRule& rule() const { return rule_; }
  void clear();
  // The code page of the table searched (EngineTable::codePage()): the text
  // is compared in its bytes. Windows-1252 until set.
  void setCodePage(const codepage::CodePage& page);

  // The filter expression for the main table: "\"TEXT\"$upper(Name)" for a
  // name-only search (the text in single quotes or brackets when it holds a
  // double quote), "" when the per-record test decides.
  QString expression() const;

  // The per-record test. `name` is the record's NAME; `memo` fetches its
  // memo bytes (asked only when the name does not match).
  using MemoFetcher = book::SearchRule::MemoFetcher;
  bool accepts(std::string_view name, const MemoFetcher& memo) const { return rule_.accepts(name, memo); }

  // The records found by a pass over the whole table with rule(); while
  // set they decide instead of the per-record test.
  void setMarks(book::RecordMarks marks) { marks_ = std::move(marks); }
  book::RecordMarks* marks() { return marks_ ? &*marks_ : nullptr; }
  const book::RecordMarks* marks() const { return marks_ ? &*marks_ : nullptr; }
  void clearMarks() { marks_.reset(); }

 private:
  QString text_;
  book::SearchRule rule_;
  codepage::CodePage codePage_;
  std::optional<book::RecordMarks> marks_;
};

}  // namespace store
