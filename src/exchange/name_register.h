#pragma once

// The names an import meets: those already in the table and those it
// stores itself, compared the way the table's name tag compares them (ASCII
// letters upper-cased, trailing blanks ignored, everything else exact).

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace exchange {

class NameRegister {
 public:
  void add(std::string_view name);
  bool contains(std::string_view name) const;

  // The first of "Name (2)", "Name (3)", ... not yet registered, the name
  // cut so that the whole fits `width` bytes.
  std::string freeVariant(std::string_view name, std::size_t width) const;

 private:
  static std::string keyOf(std::string_view name);
  std::unordered_set<std::string> keys_;
};

}  // namespace exchange
