#include "xbase/expr/expression_lexer.h"

#include "xbase/dbf_text.h"
#include "xbase/expr/expression_error.h"

namespace xbase::expr {

namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  std::vector<Token> run() {
    std::vector<Token> tokens;
    while (true) {
      skipBlanks();
      Token token;
      token.position = static_cast<int>(pos_) + 1;
      if (pos_ >= text_.size()) {
        tokens.push_back(token);
        return tokens;
      }
      scan(token);
      tokens.push_back(std::move(token));
    }
  }

 private:
  void skipBlanks() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' || text_[pos_] == '\n'))
      ++pos_;
  }

  char peek(std::size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }

  void scan(Token& token) {
    const char c = peek();
    if (c == '"' || c == '\'' || c == '[') return scanString(token, c == '[' ? ']' : c);
    if (isLetter(c)) return scanIdentifier(token);
    if (isDigit(c) || (c == '.' && isDigit(peek(1)))) return scanNumber(token);
    if (c == '.') return scanDotWord(token);
    scanOperator(token);
  }

  void scanString(Token& token, char close) {
    const std::size_t end = text_.find(close, pos_ + 1);
    if (end == std::string_view::npos)
      fail(text_, token.position, std::string("the closing ") + close + " of the string");
    token.kind = TokenKind::String;
    token.text = std::string(text_.substr(pos_ + 1, end - pos_ - 1));
    pos_ = end + 1;
  }

  void scanIdentifier(Token& token) {
    const std::size_t start = pos_;
    while (isLetter(peek()) || isDigit(peek())) ++pos_;
    token.kind = TokenKind::Identifier;
    token.text = std::string(text_.substr(start, pos_ - start));
  }

  void scanNumber(Token& token) {
    const std::size_t start = pos_;
    while (isDigit(peek())) ++pos_;
    // A dot followed by a letter begins .AND. and the like, not a fraction.
    if (peek() == '.' && !isLetter(peek(1))) {
      ++pos_;
      while (isDigit(peek())) ++pos_;
    }
    token.kind = TokenKind::Number;
    token.text = std::string(text_.substr(start, pos_ - start));
  }

  // .T. .F. .Y. .N. .AND. .OR. .NOT.
  void scanDotWord(Token& token) {
    std::size_t end = pos_ + 1;
    while (end < text_.size() && isLetter(text_[end])) ++end;
    const std::string word = asciiUpper(text_.substr(pos_ + 1, end - pos_ - 1));
    const bool closed = end < text_.size() && text_[end] == '.';
    struct DotWord {
      const char* word;
      TokenKind kind;
    };
    static constexpr DotWord kWords[] = {{"T", TokenKind::True},  {"Y", TokenKind::True},  {"F", TokenKind::False},
                                         {"N", TokenKind::False}, {"AND", TokenKind::And}, {"OR", TokenKind::Or},
                                         {"NOT", TokenKind::Not}};
    for (const DotWord& w : kWords) {
      if (closed && word == w.word) {
        token.kind = w.kind;
        pos_ = end + 1;
        return;
      }
    }
    fail(text_, token.position, ".T., .F., .AND., .OR. or .NOT.");
  }

  void scanOperator(Token& token) {
    struct Op {
      std::string_view text;
      TokenKind kind;
    };
    // Longer spellings first so that "<=" is not read as "<" then "=".
    static constexpr Op kOps[] = {
        {"==", TokenKind::ExactEqual}, {"<>", TokenKind::NotEqual},     {"!=", TokenKind::NotEqual},
        {"<=", TokenKind::LessEqual},  {">=", TokenKind::GreaterEqual}, {"=", TokenKind::Equal},
        {"#", TokenKind::NotEqual},    {"<", TokenKind::Less},          {">", TokenKind::Greater},
        {"!", TokenKind::Not},         {"(", TokenKind::LeftParen},     {")", TokenKind::RightParen},
        {",", TokenKind::Comma},       {"+", TokenKind::Plus},          {"-", TokenKind::Minus},
        {"$", TokenKind::Contains}};
    for (const Op& op : kOps) {
      if (text_.substr(pos_, op.text.size()) == op.text) {
        token.kind = op.kind;
        token.text = std::string(op.text);
        pos_ += op.text.size();
        return;
      }
    }
    fail(text_, token.position, "an operand or an operator, not '" + std::string(1, peek()) + "'");
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::vector<Token> tokenize(std::string_view text) { return Lexer(text).run(); }

std::string spelling(const std::vector<Token>& tokens) {
  std::string out;
  for (const Token& token : tokens) {
    if (token.kind == TokenKind::End) continue;
    out += static_cast<char>('A' + static_cast<int>(token.kind));
    const bool operand = token.kind == TokenKind::Identifier || token.kind == TokenKind::Number ||
                         token.kind == TokenKind::String;
    if (!operand) continue;
    // Sized, so that no literal's contents can pass for further tokens.
    out += std::to_string(token.text.size()) + ':';
    out += token.kind == TokenKind::Identifier ? asciiUpper(token.text) : token.text;
  }
  return out;
}

std::string describe(const Token& token) {
  switch (token.kind) {
    case TokenKind::End: return "the end";
    case TokenKind::String: return "a string";
    case TokenKind::Number: return token.text;
    case TokenKind::Identifier: return token.text;
    case TokenKind::True: return ".T.";
    case TokenKind::False: return ".F.";
    case TokenKind::And: return ".AND.";
    case TokenKind::Or: return ".OR.";
    case TokenKind::Not: return token.text.empty() ? ".NOT." : token.text;
    default: return "'" + token.text + "'";
  }
}

}  // namespace xbase::expr
