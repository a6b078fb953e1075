// The xBase string comparison rules used by the comparison operators.

#include <cstring>

#include "xbase/expr/expression_node.h"

namespace xbase::expr {

namespace {

// Compares the tail of the longer string against blanks.
int compareWithBlanks(std::string_view tail) {
  for (char c : tail) {
    const auto u = static_cast<unsigned char>(c);
    if (u != ' ') return u < ' ' ? -1 : 1;
  }
  return 0;
}

}  // namespace

int compareBlankPadded(std::string_view a, std::string_view b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  if (common > 0) {
    // memcmp compares as unsigned char, which is the order keys sort in.
    const int c = std::memcmp(a.data(), b.data(), common);
    if (c != 0) return c < 0 ? -1 : 1;
  }
  if (a.size() > common) return compareWithBlanks(a.substr(common));
  if (b.size() > common) return -compareWithBlanks(b.substr(common));
  return 0;
}

bool equalStrings(std::string_view a, std::string_view b, bool exact) {
  if (exact) return compareBlankPadded(a, b) == 0;
  // Exact off: a is compared over b's length only, so Name = "Sm" holds for
  // "Smith"; when a is shorter, its missing bytes count as blanks.
  if (a.size() >= b.size()) return std::memcmp(a.data(), b.data(), b.size()) == 0;
  return compareBlankPadded(a, b) == 0;
}

bool containsString(std::string_view needle, std::string_view haystack) {
  if (needle.empty()) return false;
  return haystack.find(needle) != std::string_view::npos;
}

}  // namespace xbase::expr
