#pragma once

#include <string_view>

#include "xbase/expression_node.h"

namespace xbase::expr {

struct ParseResult {
  NodePtr root;
  int recordLength = 1;  // the bytes of a record the expression reads
};

// Recursive descent over the tokens; throws Error(Expression) with the
// position and what was expected there.
ParseResult parse(std::string_view text, const RecordLayout& layout);

}  // namespace xbase::expr
