#pragma once

#include <string>
#include <string_view>

#include "xbase/error.h"

namespace xbase::expr {

// The one shape of every expression error, so that all of them name the
// expression, the position and what was expected there.
[[noreturn]] void fail(std::string_view expression, int position, const std::string& expected);

// Raised while a node is built from operands of the wrong type; the parser
// adds the position and turns it into an Error.
struct TypeMismatch {
  std::string expected;
};

}  // namespace xbase::expr
