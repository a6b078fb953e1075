// The leaves of an expression tree: fields read straight from the raw
// record, and literals.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "xbase/expr/expression_error.h"
#include "xbase/expr/expression_node.h"

namespace xbase::expr {

std::string_view Node::text(const Context&) const { return {}; }
double Node::number(const Context&) const { return 0; }
bool Node::logical(const Context&) const { return false; }

namespace {

class TextField : public Node {
 public:
  TextField(ValueType type, int offset, int length) : Node(type, length), offset_(offset) {}
  std::string_view text(const Context& c) const override {
    return {c.record + offset_, static_cast<std::size_t>(width())};
  }

 private:
  int offset_;
};

// N and F fields: right-aligned decimal text, blank when empty.
class NumericField : public Node {
 public:
  NumericField(int offset, int length) : Node(ValueType::Numeric, 8), offset_(offset), length_(length) {}
  double number(const Context& c) const override {
    char buffer[64];
    const std::size_t n = static_cast<std::size_t>(length_) < sizeof buffer - 1 ? length_ : sizeof buffer - 1;
    std::memcpy(buffer, c.record + offset_, n);
    buffer[n] = '\0';
    // A field holding garbage reads as the number its leading part spells
    // (or 0), as other xBase tools do.
    return std::strtod(buffer, nullptr);
  }

 private:
  int offset_;
  int length_;
};

// Binary fields: I (32-bit integer), B (double), Y (currency, 1/10000 units),
// all little-endian.
class BinaryNumberField : public Node {
 public:
  BinaryNumberField(char kind, int offset) : Node(ValueType::Numeric, 8), kind_(kind), offset_(offset) {}
  double number(const Context& c) const override {
    const auto* p = reinterpret_cast<const unsigned char*>(c.record + offset_);
    const int size = kind_ == 'I' ? 4 : 8;
    std::uint64_t bits = 0;
    for (int i = size - 1; i >= 0; --i) bits = (bits << 8) | p[i];
    if (kind_ == 'I') return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
    if (kind_ == 'Y') return static_cast<double>(static_cast<std::int64_t>(bits)) / 10000.0;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }

 private:
  char kind_;
  int offset_;
};

class LogicalField : public Node {
 public:
  explicit LogicalField(int offset) : Node(ValueType::Logical, 1), offset_(offset) {}
  bool logical(const Context& c) const override {
    const char v = c.record[offset_];
    return v == 'T' || v == 't' || v == 'Y' || v == 'y';
  }

 private:
  int offset_;
};

class StringLiteral : public Node {
 public:
  explicit StringLiteral(std::string value)
      : Node(ValueType::Character, static_cast<int>(value.size())), value_(std::move(value)) {}
  bool constant() const override { return true; }
  std::string_view text(const Context&) const override { return value_; }

 private:
  std::string value_;
};

class NumberLiteral : public Node {
 public:
  explicit NumberLiteral(double value) : Node(ValueType::Numeric, 8), value_(value) {}
  bool constant() const override { return true; }
  double number(const Context&) const override { return value_; }

 private:
  double value_;
};

class LogicalLiteral : public Node {
 public:
  explicit LogicalLiteral(bool value) : Node(ValueType::Logical, 1), value_(value) {}
  bool constant() const override { return true; }
  bool logical(const Context&) const override { return value_; }

 private:
  bool value_;
};

}  // namespace

NodePtr makeField(const FieldInfo& field, int offset) {
  const auto expectedLength = [&](int length) {
    if (field.length != length)
      throw TypeMismatch{"field " + field.name + " to be " + std::to_string(length) + " bytes long for its type"};
  };
  switch (field.type) {
    case 'C': return std::make_unique<TextField>(ValueType::Character, offset, field.length);
    case 'D': expectedLength(8); return std::make_unique<TextField>(ValueType::Date, offset, 8);
    case 'N':
    case 'F': return std::make_unique<NumericField>(offset, field.length);
    case 'I': expectedLength(4); return std::make_unique<BinaryNumberField>('I', offset);
    case 'B':
    case 'Y': expectedLength(8); return std::make_unique<BinaryNumberField>(field.type, offset);
    case 'L': expectedLength(1); return std::make_unique<LogicalField>(offset);
    default:
      throw TypeMismatch{"a character, date, numeric or logical field; " + field.name + " is of type " +
                         std::string(1, field.type)};
  }
}

NodePtr makeString(std::string value) { return std::make_unique<StringLiteral>(std::move(value)); }
NodePtr makeNumber(double value) { return std::make_unique<NumberLiteral>(value); }
NodePtr makeLogical(bool value) { return std::make_unique<LogicalLiteral>(value); }

NodePtr foldConstant(NodePtr node) {
  if (!node->constant()) return node;
  const Context none;
  switch (node->type()) {
    case ValueType::Character: return makeString(std::string(node->text(none)));
    case ValueType::Numeric: return makeNumber(node->number(none));
    case ValueType::Logical: return makeLogical(node->logical(none));
    case ValueType::Date: break;  // no date literals, so no constant dates
  }
  return node;
}

}  // namespace xbase::expr
