#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "xbase/expr/expression_node.h"

namespace xbase::expr {

// An expression that is a whole "constant $ haystack": the constant's text
// and the haystack as spelling() gives it.
struct LiteralContains {
  std::string needle;
  std::string haystack;
};

struct ParseResult {
  NodePtr root;
  int recordLength = 1;  // the bytes of a record the expression reads
  std::optional<LiteralContains> literalContains;
};

// Recursive descent over the tokens; throws Error(Expression) with the
// position and what was expected there.
ParseResult parse(std::string_view text, const RecordLayout& layout);

}  // namespace xbase::expr
