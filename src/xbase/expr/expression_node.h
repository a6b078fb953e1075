#pragma once

// The compiled form of an expression: a tree of typed nodes. A parent asks
// a child for the kind of result the child's type promises (text for
// Character and Date, number for Numeric, logical for Logical); the parser
// checks the types once, so evaluation never does.
//
// Text results are views into the node's own buffer or into the record;
// they stay valid until that node is evaluated again. Buffers are sized
// when the tree is built, so evaluating a record allocates nothing.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/expr/expression.h"

namespace xbase::expr {

struct Context {
  const char* record = nullptr;
  bool exact = false;
};

class Node {
 public:
  Node(ValueType type, int width) : type_(type), width_(width) {}
  virtual ~Node() = default;
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  ValueType type() const { return type_; }
  // Character: the longest text the node yields; Date: 8.
  int width() const { return width_; }
  // A constant folds to one value at build time (literals, and operators
  // over them); used to precompute needles and function arguments.
  virtual bool constant() const { return false; }

  virtual std::string_view text(const Context& context) const;
  virtual double number(const Context& context) const;
  virtual bool logical(const Context& context) const;

 private:
  ValueType type_;
  int width_;
};

using NodePtr = std::unique_ptr<Node>;

// Leaves (expression_values.cpp). A field of a type that expressions cannot
// use (memo, general, binary ...) throws TypeMismatch.
NodePtr makeField(const FieldInfo& field, int offset);
NodePtr makeString(std::string value);
NodePtr makeNumber(double value);
NodePtr makeLogical(bool value);
// Replaces a constant subtree by the literal it evaluates to.
NodePtr foldConstant(NodePtr node);

// Operators (expression_operators.cpp). Operands of unsuitable types throw
// TypeMismatch naming what was expected.
enum class CompareOp { Equal, ExactEqual, NotEqual, Less, LessEqual, Greater, GreaterEqual };
NodePtr makeComparison(CompareOp op, NodePtr left, NodePtr right);
NodePtr makeContains(NodePtr needle, NodePtr haystack);
NodePtr makeAnd(NodePtr left, NodePtr right);
NodePtr makeOr(NodePtr left, NodePtr right);
NodePtr makeNot(NodePtr operand);
NodePtr makePlus(NodePtr left, NodePtr right);   // concatenation or sum
NodePtr makeMinus(NodePtr left, NodePtr right);  // numeric difference
NodePtr makeNegate(NodePtr operand);

// Functions by upper-cased name (expression_functions.cpp); nullptr when no
// function has that name.
NodePtr makeFunction(std::string_view name, std::vector<NodePtr> args);

// The string rules (expression_compare.cpp), exposed for tests.
// Byte-wise unsigned comparison with the shorter side padded with blanks.
int compareBlankPadded(std::string_view a, std::string_view b);
// "=": exact off, b is a prefix of a (a padded with blanks when shorter);
// exact on, equal with trailing blanks ignored.
bool equalStrings(std::string_view a, std::string_view b, bool exact);
// "$": needle occurs within haystack; an empty needle occurs nowhere.
bool containsString(std::string_view needle, std::string_view haystack);

}  // namespace xbase::expr
