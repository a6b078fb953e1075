#pragma once

// The engine's expression language, used for index keys and filters.
//
//   field names in any case          Name, NAME, name
//   string literals                  "abc", 'abc', [abc]   (no escapes; pick the
//                                    delimiter the text does not contain)
//   numbers, logicals                12, 3.5, .T., .F.
//   functions                        UPPER, LOWER, TRIM/RTRIM, LTRIM, ALLTRIM,
//                                    LEFT, RIGHT, SUBSTR, DTOS, DELETED()
//   operators, lowest first          OR / .OR.;  AND / .AND.;  NOT / .NOT. / !;
//                                    comparisons = == <> # != < <= > >=  and  $;
//                                    + - (string concatenation, numeric sums)
//
// String comparison follows the xBase rules:
//   a = b    exact off: true when b is a prefix of a (a compared over b's
//            length; "" matches everything). exact on: whole strings compared
//            with trailing blanks ignored.
//   a == b   whole strings compared with trailing blanks ignored, whatever
//            the exact setting.
//   <, <=, >, >=, <>   byte-wise unsigned comparison after padding the shorter
//            side with blanks; <> is the negation of = (same exact rule).
//   a $ b    a (trailing blanks kept) occurs within b.
// UPPER and LOWER change only the ASCII letters; bytes 0x80-0xFF pass through.
// Dates compare as their "YYYYMMDD" text; numbers as double.
// Texts longer than 8192 bytes or nested more than 200 levels deep are
// refused like any malformed expression, so no input can exhaust the stack.
//
// An Expression is compiled once into a tree with its own scratch buffers,
// so evaluation over many records allocates nothing. One Expression (and
// its copies, which share those buffers) must not be evaluated from two
// threads at once.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/error.h"
#include "xbase/table_types.h"

namespace xbase {

// Where each field lies in a raw record. Byte 0 of a record is the deletion
// flag ('*' deleted, ' ' not), so the first field starts at offset 1.
struct RecordLayout {
  std::vector<FieldInfo> fields;
  std::vector<int> offsets;

  // Offsets laid out one after the other from byte 1, as in a DBF record.
  static RecordLayout fromFields(const std::vector<FieldInfo>& fields);
  int recordLength() const;  // 1 + the sum of the field lengths
};

struct EvalOptions {
  bool exact = false;  // "=" compares whole strings (trailing blanks ignored)
};

enum class ValueType { Character, Numeric, Date, Logical };

struct Value {
  ValueType type = ValueType::Logical;
  std::string text;      // Character: the bytes; Date: "YYYYMMDD" or eight blanks
  double number = 0;     // Numeric
  bool logical = false;  // Logical
};

// A string literal that spells `text` exactly: in double quotes when the
// text holds none, else in single quotes, else in brackets; nullopt when the
// text holds all three of ", ' and ] (no literal can spell it). Callers that
// build filters from typed text use it so that a quote in the text cannot
// break the expression.
std::optional<std::string> stringLiteral(std::string_view text);

// Whether two expression texts are the same tokens (names in any case,
// blanks aside), and so compile alike; false when either is malformed.
bool writtenAlike(std::string_view a, std::string_view b);

namespace expr {
class Node;
}

class Expression {
 public:
  // Compiles `text` against the fields of `layout`. A malformed expression
  // throws Error(ErrorCode::Expression, "... at position N: expected ...")
  // with N counted from 1; an unknown field names the field.
  static Expression parse(std::string_view text, const RecordLayout& layout);

  Expression(const Expression&) = default;
  Expression& operator=(const Expression&) = default;
  Expression(Expression&&) noexcept = default;
  Expression& operator=(Expression&&) noexcept = default;
  ~Expression();

  const std::string& text() const { return text_; }
  ValueType type() const;

  // `record` is the raw record, deletion flag included; it must be at least
  // layout.recordLength() bytes long (else Error Argument).
  Value evaluate(std::string_view record, const EvalOptions& options = {}) const;
  // The logical result; Error Expression when the expression is not logical.
  bool matches(std::string_view record, const EvalOptions& options = {}) const;

  // The value as index key bytes of exactly width() bytes: Character values
  // padded with blanks (or cut) to the width; Numeric and Date values as an
  // 8-byte big-endian double made to sort byte-wise (the sign bit flipped for
  // non-negative numbers, all bits flipped for negative ones; dates as their
  // Julian day number, blank dates as 0); Logical as "T" or "F".
  std::string key(std::string_view record) const;
  void key(std::string_view record, std::string& out) const;  // reuses out's storage
  int width() const;                                          // key width: 30 for upper(Name) on a Char 30 field

  // Turns a Character key typed by a caller into key bytes (padded or cut to
  // width()), e.g. for a seek. Other types: Error Argument.
  std::string keyFromText(std::string_view text) const;

  // When this whole expression is "constant $ haystack" and the haystack is
  // written token for token like `expression` (names in any case), the
  // constant's text: the expression then holds exactly when that text occurs
  // in the value of `expression`. Otherwise nothing.
  std::optional<std::string_view> literalContainedIn(std::string_view expression) const;

 private:
  Expression(std::string text, std::shared_ptr<expr::Node> root, int recordLength);
  std::string text_;
  std::shared_ptr<expr::Node> root_;
  int recordLength_ = 0;
  std::optional<std::string> containedNeedle_;
  std::string containingHaystack_;
};

}  // namespace xbase
