#pragma once

// The rule of a search in the table's own bytes, without Qt: the main
// window's search and `cardlark-db search` both decide with it.
//
// A name-only search is decided by the engine's filter expression
// "\"TEXT\"$upper(Name)" (the text in single quotes or brackets when it holds
// a double quote). A search that includes the memo, or a name search whose
// text no string literal can spell (one holding all of the delimiters " '
// and ]), is decided per record by accepts().

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xbase {
class Cursor;
}

namespace book {

// A search for an upper-cased needle in text upper-cased by the a-to-z rule,
// without copying the text. The patterns of the needle's first two bytes
// are made once, when the search is made, and serve every record a walk
// tests.
class UpperSearch {
 public:
  UpperSearch() = default;
  explicit UpperSearch(std::string_view needle);  // already upper-cased

  // Whether the needle occurs in `haystack`, looking only up to its first
  // zero byte.
  bool in(std::string_view haystack) const;

 private:
  // One needle byte compared with eight text bytes at once: a text byte
  // matches when (byte | fold) == pattern, fold being 0x20 for a letter
  // (either case matches) and 0 for any other byte.
  struct BytePattern {
    std::uint64_t fold = 0;
    std::uint64_t pattern = 0;
  };
  bool matchesAt(const unsigned char* text) const;

  std::string needle_;
  std::array<BytePattern, 2> patterns_{};
};

class SearchRule {
 public:
  SearchRule() = default;
  // `text` in the table's character set; its letters a to z are upper-cased.
  SearchRule(std::string_view text, bool includeMemo);

  const std::string& text() const { return text_; }
  bool includeMemo() const { return includeMemo_; }

  // The engine's filter expression, or nothing when accepts() decides.
  std::optional<std::string> expression() const;

  // The per-record test. `name` is the record's NAME; `memo` fetches its
  // memo bytes (asked only when the name does not match and the memo is
  // searched).
  using MemoFetcher = std::function<std::string()>;
  bool accepts(std::string_view name, const MemoFetcher& memo) const;

 private:
  std::string text_;
  UpperSearch search_;
  bool includeMemo_ = false;
  bool expressionDecides_ = false;
};

// The record numbers a search found: one bit per record, grown as needed.
class RecordMarks {
 public:
  void set(std::uint32_t recordNumber, bool on);
  bool has(std::uint32_t recordNumber) const;
  std::size_t count() const { return count_; }

 private:
  std::vector<std::uint64_t> words_;
  std::size_t count_ = 0;
};

// One pass over `cursor` in natural order, the table and the memo file read
// in long sequential blocks (the memos under one read lock): calls `found`,
// positioned on the record, for each record the rule accepts. Returns false
// when `stop` was raised before the end (looked at between the records a
// per-record test decides; an expression's walk runs to its end).
bool walkMatches(xbase::Cursor& cursor, const SearchRule& rule, const std::function<void(xbase::Cursor&)>& found,
                 const std::atomic<bool>* stop = nullptr);

// The records of the table at `dbfPath` (opened shared for the pass) that
// the rule accepts; nothing when `stop` was raised first.
std::optional<RecordMarks> markMatches(const std::string& dbfPath, const SearchRule& rule,
                                       const std::atomic<bool>* stop = nullptr);

// Whether `needle` (already upper-cased) occurs in `haystack` upper-cased by
// the a-to-z rule, looking only up to the first zero byte of `haystack`.
bool containsUpper(std::string_view haystack, std::string_view needle);

}  // namespace book
