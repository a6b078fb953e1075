#pragma once

#include <exception>

namespace platform {

// An exception that ends a command without a message: whoever threw it has
// already told the user what they need to know. The top-level error handler
// should end the command without showing a box for it.
class SilentAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "operation aborted"; }
};

}  // namespace platform
