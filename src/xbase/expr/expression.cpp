// The public face of compiled expressions: evaluation into values and
// conversion into index key bytes.

#include "xbase/expr/expression.h"

#include <cstring>

#include "xbase/expr/expression_lexer.h"
#include "xbase/expr/expression_node.h"
#include "xbase/expr/expression_parser.h"

namespace xbase {

RecordLayout RecordLayout::fromFields(const std::vector<FieldInfo>& fields) {
  RecordLayout layout;
  layout.fields = fields;
  int offset = 1;
  for (const FieldInfo& f : fields) {
    layout.offsets.push_back(offset);
    offset += f.length;
  }
  return layout;
}

int RecordLayout::recordLength() const {
  int length = 1;
  for (const FieldInfo& f : fields) length += f.length;
  return length;
}

namespace {

// Julian day number of a "YYYYMMDD" date; 0 for a blank or invalid one.
double julianDay(std::string_view date) {
  int parts[3] = {0, 0, 0};
  const int sizes[3] = {4, 2, 2};
  std::size_t at = 0;
  for (int p = 0; p < 3; ++p) {
    for (int i = 0; i < sizes[p]; ++i, ++at) {
      const char c = date[at];
      if (c < '0' || c > '9') return 0;
      parts[p] = parts[p] * 10 + (c - '0');
    }
  }
  const int y = parts[0], m = parts[1], d = parts[2];
  if (m < 1 || m > 12 || d < 1 || d > 31) return 0;
  // The proleptic Gregorian calendar's day count (Fliegel and Van Flandern).
  const int a = (14 - m) / 12;
  const int yy = y + 4800 - a;
  const int mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

// A double as 8 bytes that sort byte-wise in numeric order: big-endian,
// the sign bit flipped for non-negative numbers, every bit for negative.
void appendSortableDouble(double value, std::string& out) {
  if (value == 0) value = 0;  // -0 sorts as 0
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  bits = (bits & (std::uint64_t{1} << 63)) ? ~bits : bits ^ (std::uint64_t{1} << 63);
  for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

void appendPadded(std::string_view text, std::size_t width, std::string& out) {
  const std::size_t n = text.size() < width ? text.size() : width;
  out.append(text.data(), n);
  out.append(width - n, ' ');
}

}  // namespace

std::optional<std::string> stringLiteral(std::string_view text) {
  static constexpr const char* kDelimiters[] = {"\"\"", "''", "[]"};
  for (const char* d : kDelimiters) {
    if (text.find(d[1]) == std::string_view::npos) return d[0] + std::string(text) + d[1];
  }
  return std::nullopt;
}

Expression::Expression(std::string text, std::shared_ptr<expr::Node> root, int recordLength)
    : text_(std::move(text)), root_(std::move(root)), recordLength_(recordLength) {}

Expression::~Expression() = default;

Expression Expression::parse(std::string_view text, const RecordLayout& layout) {
  expr::ParseResult parsed = expr::parse(text, layout);
  Expression expression(std::string(text), std::shared_ptr<expr::Node>(std::move(parsed.root)), parsed.recordLength);
  if (parsed.literalContains) {
    expression.containedNeedle_ = std::move(parsed.literalContains->needle);
    expression.containingHaystack_ = std::move(parsed.literalContains->haystack);
  }
  return expression;
}

namespace {

// spelling() of `text`; nothing when it does not even split into tokens.
std::optional<std::string> spellingOf(std::string_view text) {
  try {
    return expr::spelling(expr::tokenize(text));
  } catch (const Error&) {
    return std::nullopt;
  }
}

}  // namespace

bool writtenAlike(std::string_view a, std::string_view b) {
  const auto spelledA = spellingOf(a);
  return spelledA && spelledA == spellingOf(b);
}

std::optional<std::string_view> Expression::literalContainedIn(std::string_view expression) const {
  if (containedNeedle_ && spellingOf(expression) == containingHaystack_) return *containedNeedle_;
  return std::nullopt;
}

ValueType Expression::type() const { return root_->type(); }

int Expression::width() const {
  switch (root_->type()) {
    case ValueType::Character: return root_->width();
    case ValueType::Numeric:
    case ValueType::Date: return 8;
    case ValueType::Logical: return 1;
  }
  return 0;
}

namespace {

expr::Context contextFor(std::string_view record, int recordLength, bool exact) {
  if (record.size() < static_cast<std::size_t>(recordLength))
    throw Error(ErrorCode::Argument, "Record of " + std::to_string(record.size()) + " bytes is shorter than the " +
                                         std::to_string(recordLength) + " the expression reads");
  return expr::Context{record.data(), exact};
}

}  // namespace

Value Expression::evaluate(std::string_view record, const EvalOptions& options) const {
  const expr::Context c = contextFor(record, recordLength_, options.exact);
  Value v;
  v.type = root_->type();
  switch (v.type) {
    case ValueType::Character:
    case ValueType::Date: v.text = std::string(root_->text(c)); break;
    case ValueType::Numeric: v.number = root_->number(c); break;
    case ValueType::Logical: v.logical = root_->logical(c); break;
  }
  return v;
}

bool Expression::matches(std::string_view record, const EvalOptions& options) const {
  if (root_->type() != ValueType::Logical)
    throw Error(ErrorCode::Expression, "Expression \"" + text_ + "\" does not give a logical value");
  return root_->logical(contextFor(record, recordLength_, options.exact));
}

void Expression::key(std::string_view record, std::string& out) const {
  const expr::Context c = contextFor(record, recordLength_, false);
  out.clear();
  switch (root_->type()) {
    case ValueType::Character: appendPadded(root_->text(c), static_cast<std::size_t>(width()), out); break;
    case ValueType::Numeric: appendSortableDouble(root_->number(c), out); break;
    case ValueType::Date: appendSortableDouble(julianDay(root_->text(c)), out); break;
    case ValueType::Logical: out.push_back(root_->logical(c) ? 'T' : 'F'); break;
  }
}

std::string Expression::key(std::string_view record) const {
  std::string out;
  key(record, out);
  return out;
}

std::string Expression::keyFromText(std::string_view text) const {
  if (root_->type() != ValueType::Character)
    throw Error(ErrorCode::Argument, "Key expression \"" + text_ + "\" is not of character type");
  std::string out;
  appendPadded(text, static_cast<std::size_t>(width()), out);
  return out;
}

}  // namespace xbase
