#pragma once

// A file the exchange readers refuse, with the line (1-based) where the
// fault lies; what() reads "line N: what is wrong".

#include <cstddef>
#include <stdexcept>
#include <string>

namespace exchange {

class ReadError : public std::runtime_error {
 public:
  ReadError(std::size_t line, const std::string& message)
      : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}
  std::size_t line() const { return line_; }

 private:
  std::size_t line_;
};

}  // namespace exchange
