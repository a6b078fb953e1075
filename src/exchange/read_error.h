#pragma once

// A file the exchange readers refuse, with the line (1-based) where the
// fault lies; what() reads "line N: what is wrong".

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace exchange {

// The longest text value a reader accepts, in bytes: a vCard value, a CSV
// field.
inline constexpr std::size_t kLongestValue = 256 * 1024;

class ReadError : public std::runtime_error {
 public:
  ReadError(std::size_t line, const std::string& message)
      : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line), message_(message) {}
  std::size_t line() const { return line_; }
  // What is wrong, without the line.
  const std::string& message() const { return message_; }

 private:
  std::size_t line_;
  std::string message_;
};

// `faults` in file order: by line, those of one line as they came.
inline void sortByLine(std::vector<ReadError>& faults) {
  std::stable_sort(faults.begin(), faults.end(),
                   [](const ReadError& a, const ReadError& b) { return a.line() < b.line(); });
}

// Throws ReadError at `line` when `bytes` exceeds kLongestValue; `what`
// names the value ("a value", "a field").
inline void checkValueLength(std::size_t bytes, std::size_t line, const std::string& what) {
  if (bytes > kLongestValue)
    throw ReadError(line,
                    what + " longer than " + std::to_string(kLongestValue) + " bytes (256 KiB), the most accepted");
}

}  // namespace exchange
