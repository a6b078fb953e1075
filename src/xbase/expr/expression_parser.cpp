// Grammar, lowest precedence first:
//   or         := and { OR and }
//   and        := not { AND not }
//   not        := NOT not | comparison
//   comparison := sum [ (= == <> # != < <= > >= $) sum ]
//   sum        := unary { (+ | -) unary }
//   unary      := - unary | + unary | primary
//   primary    := string | number | .T. | .F. | ( or ) | name [ ( [or {, or}] ) ]
// AND, OR and NOT are also written with dots; ! is NOT.

#include "xbase/expr/expression_parser.h"

#include <cstdlib>

#include "xbase/dbf_text.h"
#include "xbase/expr/expression_error.h"
#include "xbase/expr/expression_lexer.h"

namespace xbase::expr {

namespace {

// Bounds that keep the recursive parser, and the tree it builds, within a
// small stack whatever text is handed in. Real filters and keys are far
// below them.
constexpr std::size_t kMaxLength = 8192;
constexpr int kMaxNesting = 200;

class Parser {
 public:
  Parser(std::string_view text, const RecordLayout& layout) : text_(text), layout_(layout), tokens_(tokenize(text)) {}

  ParseResult run() {
    NodePtr root = parseOr();
    if (current().kind != TokenKind::End) failHere("an operator or the end of the expression");
    ParseResult result{std::move(root), recordLength_, std::nullopt};
    if (contains_.node && contains_.node == result.root.get())
      result.literalContains = LiteralContains{std::move(contains_.needle), spelling(contains_.haystack)};
    return result;
  }

 private:
  const Token& current() const { return tokens_[index_]; }
  const Token& advance() { return tokens_[index_++]; }

  [[noreturn]] void failHere(const std::string& expected) const {
    fail(text_, current().position, expected + ", found " + describe(current()));
  }

  // Builds a node, turning a type error into an Error at `position`.
  template <typename Build>
  NodePtr typed(int position, Build build) const {
    try {
      return build();
    } catch (const TypeMismatch& mismatch) {
      fail(text_, position, mismatch.expected);
    }
  }

  bool isWord(const char* word) const {
    return current().kind == TokenKind::Identifier && asciiUpper(current().text) == word;
  }
  bool atAnd() const { return current().kind == TokenKind::And || isWord("AND"); }
  bool atOr() const { return current().kind == TokenKind::Or || isWord("OR"); }
  bool atNot() const { return current().kind == TokenKind::Not || isWord("NOT"); }

  NodePtr parseOr() {
    NodePtr left = parseAnd();
    while (atOr()) {
      const int position = advance().position;
      NodePtr right = parseAnd();
      left = typed(position, [&] { return makeOr(std::move(left), std::move(right)); });
    }
    return left;
  }

  NodePtr parseAnd() {
    NodePtr left = parseNot();
    while (atAnd()) {
      const int position = advance().position;
      NodePtr right = parseNot();
      left = typed(position, [&] { return makeAnd(std::move(left), std::move(right)); });
    }
    return left;
  }

  // Counts one level of nesting (parentheses, calls, NOT, signs) for the
  // time a parse function runs.
  class Nested {
   public:
    explicit Nested(Parser& parser) : parser_(parser) {
      if (++parser_.nesting_ > kMaxNesting)
        parser_.failHere("at most " + std::to_string(kMaxNesting) + " nested levels");
    }
    ~Nested() { --parser_.nesting_; }
    Nested(const Nested&) = delete;
    Nested& operator=(const Nested&) = delete;

   private:
    Parser& parser_;
  };

  NodePtr parseNot() {
    if (!atNot()) return parseComparison();
    const Nested nested(*this);
    const int position = advance().position;
    NodePtr operand = parseNot();
    return typed(position, [&] { return makeNot(std::move(operand)); });
  }

  NodePtr parseComparison() {
    NodePtr left = parseSum();
    const Token& op = current();
    CompareOp compare;
    switch (op.kind) {
      case TokenKind::Equal: compare = CompareOp::Equal; break;
      case TokenKind::ExactEqual: compare = CompareOp::ExactEqual; break;
      case TokenKind::NotEqual: compare = CompareOp::NotEqual; break;
      case TokenKind::Less: compare = CompareOp::Less; break;
      case TokenKind::LessEqual: compare = CompareOp::LessEqual; break;
      case TokenKind::Greater: compare = CompareOp::Greater; break;
      case TokenKind::GreaterEqual: compare = CompareOp::GreaterEqual; break;
      case TokenKind::Contains: {
        const int position = advance().position;
        const std::size_t haystackStart = index_;
        NodePtr right = parseSum();
        std::optional<std::string> needle;
        if (left->constant() && left->type() == ValueType::Character) needle = std::string(left->text(Context{}));
        NodePtr node = typed(position, [&] { return makeContains(std::move(left), std::move(right)); });
        // The last one built is the outermost: an inner one sits in its
        // operands. Nothing over a logical value folds, so the node stays in
        // the tree and run() can tell whether it is the root.
        if (needle) rememberContains(*node, std::move(*needle), haystackStart);
        return node;
      }
      default: return left;
    }
    const int position = advance().position;
    NodePtr right = parseSum();
    return typed(position, [&] { return makeComparison(compare, std::move(left), std::move(right)); });
  }

  NodePtr parseSum() {
    NodePtr left = parseUnary();
    while (current().kind == TokenKind::Plus || current().kind == TokenKind::Minus) {
      const bool plus = current().kind == TokenKind::Plus;
      const int position = advance().position;
      NodePtr right = parseUnary();
      left = typed(position, [&] {
        return plus ? makePlus(std::move(left), std::move(right)) : makeMinus(std::move(left), std::move(right));
      });
    }
    return left;
  }

  NodePtr parseUnary() {
    if (current().kind == TokenKind::Minus) {
      const Nested nested(*this);
      const int position = advance().position;
      NodePtr operand = parseUnary();
      return typed(position, [&] { return makeNegate(std::move(operand)); });
    }
    if (current().kind == TokenKind::Plus) {
      const Nested nested(*this);
      advance();
      return parseUnary();
    }
    return parsePrimary();
  }

  NodePtr parsePrimary() {
    const Token& token = current();
    switch (token.kind) {
      case TokenKind::String: advance(); return makeString(token.text);
      case TokenKind::Number: advance(); return makeNumber(std::strtod(token.text.c_str(), nullptr));
      case TokenKind::True: advance(); return makeLogical(true);
      case TokenKind::False: advance(); return makeLogical(false);
      case TokenKind::LeftParen: {
        const Nested nested(*this);
        advance();
        NodePtr inner = parseOr();
        expect(TokenKind::RightParen, "')'");
        return inner;
      }
      case TokenKind::Identifier:
        if (!atAnd() && !atOr() && !atNot()) return parseName();
        break;
      default: break;
    }
    failHere("a field, a function, a literal or '('");
  }

  NodePtr parseName() {
    const Token& name = advance();
    if (current().kind == TokenKind::LeftParen) return parseCall(name);
    for (std::size_t i = 0; i < layout_.fields.size(); ++i) {
      if (!equalsIgnoringCase(layout_.fields[i].name, name.text)) continue;
      const FieldInfo& field = layout_.fields[i];
      const int offset = layout_.offsets[i];
      recordLength_ = std::max(recordLength_, offset + field.length);
      return typed(name.position, [&] { return makeField(field, offset); });
    }
    fail(text_, name.position, "a field name, found unknown " + name.text);
  }

  NodePtr parseCall(const Token& name) {
    const Nested nested(*this);
    advance();  // (
    std::vector<NodePtr> args;
    if (current().kind != TokenKind::RightParen) {
      args.push_back(parseOr());
      while (current().kind == TokenKind::Comma) {
        advance();
        args.push_back(parseOr());
      }
    }
    expect(TokenKind::RightParen, args.empty() ? "an argument or ')'" : "',' or ')'");
    NodePtr node = typed(name.position, [&] { return makeFunction(asciiUpper(name.text), std::move(args)); });
    if (!node) fail(text_, name.position, "a function name, found unknown " + name.text);
    return node;
  }

  // A "$" whose needle is a constant: the needle's text and the tokens of
  // its haystack, kept in case it turns out to be the whole expression.
  struct ContainsSeen {
    const Node* node = nullptr;
    std::string needle;
    std::vector<Token> haystack;
  };

  void rememberContains(const Node& node, std::string needle, std::size_t haystackStart) {
    contains_.node = &node;
    contains_.needle = std::move(needle);
    contains_.haystack.assign(tokens_.begin() + static_cast<std::ptrdiff_t>(haystackStart),
                              tokens_.begin() + static_cast<std::ptrdiff_t>(index_));
  }

  void expect(TokenKind kind, const std::string& what) {
    if (current().kind != kind) failHere(what);
    advance();
  }

  std::string_view text_;
  const RecordLayout& layout_;
  std::vector<Token> tokens_;
  std::size_t index_ = 0;
  int recordLength_ = 1;
  int nesting_ = 0;
  ContainsSeen contains_;
};

}  // namespace

ParseResult parse(std::string_view text, const RecordLayout& layout) {
  if (layout.offsets.size() != layout.fields.size())
    throw Error(ErrorCode::Argument, "Record layout has " + std::to_string(layout.offsets.size()) + " offsets for " +
                                         std::to_string(layout.fields.size()) + " fields");
  if (text.size() > kMaxLength)
    fail(text.substr(0, 40), static_cast<int>(kMaxLength) + 1,
         "the end: an expression holds at most " + std::to_string(kMaxLength) + " bytes");
  return Parser(text, layout).run();
}

}  // namespace xbase::expr
