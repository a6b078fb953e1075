// Comparison, containment, logical and arithmetic operators.

#include "xbase/expr/expression_error.h"
#include "xbase/expr/expression_node.h"

namespace xbase::expr {

namespace {

bool isText(ValueType t) { return t == ValueType::Character || t == ValueType::Date; }

bool holds(CompareOp op, int order) {
  switch (op) {
    case CompareOp::Equal:
    case CompareOp::ExactEqual: return order == 0;
    case CompareOp::NotEqual: return order != 0;
    case CompareOp::Less: return order < 0;
    case CompareOp::LessEqual: return order <= 0;
    case CompareOp::Greater: return order > 0;
    case CompareOp::GreaterEqual: return order >= 0;
  }
  return false;
}

class Binary : public Node {
 public:
  // By reference: callers read the operands in the same initialiser list.
  Binary(ValueType type, int width, NodePtr&& left, NodePtr&& right)
      : Node(type, width), left_(std::move(left)), right_(std::move(right)) {}
  bool constant() const override { return left_->constant() && right_->constant(); }

 protected:
  NodePtr left_;
  NodePtr right_;
};

class TextComparison : public Binary {
 public:
  TextComparison(CompareOp op, NodePtr left, NodePtr right)
      : Binary(ValueType::Logical, 1, std::move(left), std::move(right)), op_(op) {}
  // The result of "=" depends on the exact setting, so never fold it.
  bool constant() const override { return false; }
  bool logical(const Context& c) const override {
    const std::string_view a = left_->text(c);
    const std::string_view b = right_->text(c);
    switch (op_) {
      case CompareOp::Equal: return equalStrings(a, b, c.exact);
      case CompareOp::NotEqual: return !equalStrings(a, b, c.exact);
      case CompareOp::ExactEqual: return equalStrings(a, b, true);
      default: return holds(op_, compareBlankPadded(a, b));
    }
  }

 private:
  CompareOp op_;
};

class NumberComparison : public Binary {
 public:
  NumberComparison(CompareOp op, NodePtr left, NodePtr right)
      : Binary(ValueType::Logical, 1, std::move(left), std::move(right)), op_(op) {}
  bool logical(const Context& c) const override {
    const double a = left_->number(c);
    const double b = right_->number(c);
    return holds(op_, a < b ? -1 : (a > b ? 1 : 0));
  }

 private:
  CompareOp op_;
};

class LogicalComparison : public Binary {
 public:
  LogicalComparison(bool equal, NodePtr left, NodePtr right)
      : Binary(ValueType::Logical, 1, std::move(left), std::move(right)), equal_(equal) {}
  bool logical(const Context& c) const override { return (left_->logical(c) == right_->logical(c)) == equal_; }

 private:
  bool equal_;
};

class Contains : public Binary {
 public:
  Contains(NodePtr needle, NodePtr haystack) : Binary(ValueType::Logical, 1, std::move(needle), std::move(haystack)) {
    // A literal needle ("SMI"$upper(Name)) is read once, not per record.
    if (left_->constant()) {
      constantNeedle_ = std::string(left_->text(Context{}));
      needleIsConstant_ = true;
    }
  }
  bool logical(const Context& c) const override {
    const std::string_view needle = needleIsConstant_ ? std::string_view(constantNeedle_) : left_->text(c);
    return containsString(needle, right_->text(c));
  }

 private:
  std::string constantNeedle_;
  bool needleIsConstant_ = false;
};

class And : public Binary {
 public:
  using Binary::Binary;
  bool logical(const Context& c) const override { return left_->logical(c) && right_->logical(c); }
};

class Or : public Binary {
 public:
  using Binary::Binary;
  bool logical(const Context& c) const override { return left_->logical(c) || right_->logical(c); }
};

class Not : public Node {
 public:
  explicit Not(NodePtr operand) : Node(ValueType::Logical, 1), operand_(std::move(operand)) {}
  bool logical(const Context& c) const override { return !operand_->logical(c); }

 private:
  NodePtr operand_;
};

class Concat : public Binary {
 public:
  Concat(NodePtr left, NodePtr right)
      : Binary(ValueType::Character, left->width() + right->width(), std::move(left), std::move(right)) {
    buffer_.reserve(static_cast<std::size_t>(width()));
  }
  std::string_view text(const Context& c) const override {
    buffer_.assign(left_->text(c));
    buffer_.append(right_->text(c));
    return buffer_;
  }

 private:
  mutable std::string buffer_;
};

class Sum : public Binary {
 public:
  Sum(NodePtr left, NodePtr right, double sign)
      : Binary(ValueType::Numeric, 8, std::move(left), std::move(right)), sign_(sign) {}
  double number(const Context& c) const override { return left_->number(c) + sign_ * right_->number(c); }

 private:
  double sign_;
};

class Negate : public Node {
 public:
  explicit Negate(NodePtr operand) : Node(ValueType::Numeric, 8), operand_(std::move(operand)) {}
  bool constant() const override { return operand_->constant(); }
  double number(const Context& c) const override { return -operand_->number(c); }

 private:
  NodePtr operand_;
};

void requireLogical(const NodePtr& left, const NodePtr& right, const char* op) {
  if (left->type() != ValueType::Logical || (right && right->type() != ValueType::Logical))
    throw TypeMismatch{std::string("logical operands for ") + op};
}

}  // namespace

NodePtr makeComparison(CompareOp op, NodePtr left, NodePtr right) {
  const ValueType l = left->type();
  const ValueType r = right->type();
  if (isText(l) && isText(r)) return std::make_unique<TextComparison>(op, std::move(left), std::move(right));
  if (l == ValueType::Numeric && r == ValueType::Numeric)
    return std::make_unique<NumberComparison>(op, std::move(left), std::move(right));
  if (l == ValueType::Logical && r == ValueType::Logical) {
    if (op != CompareOp::Equal && op != CompareOp::ExactEqual && op != CompareOp::NotEqual)
      throw TypeMismatch{"=, == or <> between logical values"};
    return std::make_unique<LogicalComparison>(op != CompareOp::NotEqual, std::move(left), std::move(right));
  }
  throw TypeMismatch{"operands of the same type on both sides of the comparison"};
}

NodePtr makeContains(NodePtr needle, NodePtr haystack) {
  if (needle->type() != ValueType::Character || haystack->type() != ValueType::Character)
    throw TypeMismatch{"character operands on both sides of $"};
  return std::make_unique<Contains>(std::move(needle), std::move(haystack));
}

NodePtr makeAnd(NodePtr left, NodePtr right) {
  requireLogical(left, right, "AND");
  return std::make_unique<And>(ValueType::Logical, 1, std::move(left), std::move(right));
}

NodePtr makeOr(NodePtr left, NodePtr right) {
  requireLogical(left, right, "OR");
  return std::make_unique<Or>(ValueType::Logical, 1, std::move(left), std::move(right));
}

NodePtr makeNot(NodePtr operand) {
  requireLogical(operand, nullptr, "NOT");
  return std::make_unique<Not>(std::move(operand));
}

NodePtr makePlus(NodePtr left, NodePtr right) {
  if (left->type() == ValueType::Character && right->type() == ValueType::Character)
    return foldConstant(std::make_unique<Concat>(std::move(left), std::move(right)));
  if (left->type() == ValueType::Numeric && right->type() == ValueType::Numeric)
    return foldConstant(std::make_unique<Sum>(std::move(left), std::move(right), 1.0));
  throw TypeMismatch{"two character or two numeric operands for +"};
}

NodePtr makeMinus(NodePtr left, NodePtr right) {
  if (left->type() == ValueType::Numeric && right->type() == ValueType::Numeric)
    return foldConstant(std::make_unique<Sum>(std::move(left), std::move(right), -1.0));
  throw TypeMismatch{"numeric operands for -"};
}

NodePtr makeNegate(NodePtr operand) {
  if (operand->type() != ValueType::Numeric) throw TypeMismatch{"a numeric operand after -"};
  return foldConstant(std::make_unique<Negate>(std::move(operand)));
}

}  // namespace xbase::expr
