#pragma once

// How the entries of one index tag follow from the records: the key
// expression, the FOR condition that admits records, and the unique rule
// that keeps only the first record of each key.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "xbase/cdx/cdx_file.h"
#include "xbase/dbf_file.h"
#include "xbase/expr/expression.h"

namespace xbase {

class TagRule {
 public:
  // Compiles the tag's expressions; one that cannot be compiled throws
  // Error Expression naming the tag and the table.
  TagRule(const TagInfo& info, const CdxTagOptions& options, const RecordLayout& layout, const std::string& tableName);

  const TagInfo& info() const { return info_; }
  bool unique() const { return options_.unique; }
  bool descending() const { return options_.descending; }
  // Blank for character keys, NUL for numbers, dates and logicals.
  char pad() const { return pad_; }

  // Whether a key is its expression's whole value padded with blanks (a
  // character key at least as long as the longest value), so that a text
  // found in no key is found in no value either.
  bool keyHoldsWholeValue() const { return key_->type() == ValueType::Character && info_.keyLength >= key_->width(); }
  bool admits(std::string_view record) const { return !condition_ || condition_->matches(record); }
  std::string keyOf(std::string_view record) const;
  // A key typed by a caller, padded or cut to the key length.
  std::string keyFromText(std::string_view text) const;

  // The entries of every record of `dbf` (deleted ones too, as FoxPro keeps
  // them), with the condition and the unique rule applied.
  CdxEntrySource entriesOf(const DbfFile& dbf) const;

 private:
  TagInfo info_;
  CdxTagOptions options_;
  std::optional<Expression> key_;
  std::optional<Expression> condition_;
  char pad_ = ' ';
};

}  // namespace xbase
