#include "xbase/expr/expression_error.h"

namespace xbase::expr {

void fail(std::string_view expression, int position, const std::string& expected) {
  throw Error(ErrorCode::Expression, "Malformed expression \"" + std::string(expression) + "\" at position " +
                                         std::to_string(position) + ": expected " + expected);
}

}  // namespace xbase::expr
