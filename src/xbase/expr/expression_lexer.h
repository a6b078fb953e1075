#pragma once

// Splits an expression text into tokens. Positions count bytes from 1 so
// that error texts point at the character a user sees.

#include <string>
#include <string_view>
#include <vector>

namespace xbase::expr {

enum class TokenKind {
  Identifier,  // a field or function name, or AND / OR / NOT
  Number,
  String,  // text holds the literal without its delimiters
  True,    // .T. / .Y.
  False,   // .F. / .N.
  And,     // .AND.
  Or,      // .OR.
  Not,     // .NOT. and !
  LeftParen,
  RightParen,
  Comma,
  Plus,
  Minus,
  Contains,    // $
  Equal,       // =
  ExactEqual,  // ==
  NotEqual,    // <> # !=
  Less,
  LessEqual,
  Greater,
  GreaterEqual,
  End,
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;  // identifier, number or string contents
  int position = 0;  // 1-based byte position of the token's first character
};

// Throws Error(Expression) for an unterminated string or a stray character.
std::vector<Token> tokenize(std::string_view text);

// The tokens in one text that two spellings of the same expression share:
// names upper-cased, literals by their contents, operators by their kind,
// blanks and the end left out. Equal spellings parse into equal trees.
std::string spelling(const std::vector<Token>& tokens);

// How a token kind is named in "expected ..." texts.
std::string describe(const Token& token);

}  // namespace xbase::expr
