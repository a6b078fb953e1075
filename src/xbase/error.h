#pragma once

#include <stdexcept>
#include <string>

namespace xbase {

// Error codes carried by every engine failure. The text says what went wrong
// in words a user can act on; the code lets callers tell kinds apart.
enum class ErrorCode {
  Io = 1,       // the operating system refused a read, write or open
  NotFound,     // a file, field or tag that does not exist
  Corrupt,      // a file's content breaks the format
  Locked,       // a lock held by someone else
  Exclusive,    // an exclusive open refused, or a shared open while held exclusively
  Expression,   // a malformed key or filter expression
  State,        // an operation not allowed in the cursor's current state
  Unsupported,  // a valid file using a feature this engine does not handle
  Argument,     // a bad value handed in by the caller
};

class Error : public std::runtime_error {
 public:
  Error(ErrorCode code, const std::string& text) : std::runtime_error(text), code_(code) {}
  ErrorCode code() const noexcept { return code_; }
  int codeNumber() const noexcept { return static_cast<int>(code_); }

 private:
  ErrorCode code_;
};

// The index names a record the table does not hold (the table was cut or
// replaced behind it): a reindex repairs it.
class IndexMismatch : public Error {
 public:
  explicit IndexMismatch(const std::string& text) : Error(ErrorCode::Corrupt, text) {}
};

}  // namespace xbase
