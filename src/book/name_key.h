#pragma once

// The duplicate-name rule: two entries may not share a name as the table's
// name tag files it. The key is the tag expression's own value for the name
// (upper(Name): ASCII letters upper-cased, everything else exact), trailing
// blanks left out, so "Smith" and "SMITH " are the same name and "Smith"
// and "Smithers" are not. Every writer (the window, imports, the sync)
// decides with these functions, and the window seeks the same key in the
// index.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "book/table_layout.h"

namespace book {

// The name's key, in the table's bytes.
std::string nameKey(std::string_view name);
// The same key padded as the name tag holds it: what an exact seek for the
// name looks up.
std::string nameIndexKey(std::string_view name);

// The names an import or a sync meets: those already in the table and those
// it stores itself.
class NameRegister {
 public:
  void add(std::string_view name);
  bool contains(std::string_view name) const;

  // The first of "Name (2)", "Name (3)", ... not yet registered, the name
  // cut so that the whole fits `width` bytes. Linear in the number of
  // variants taken of this name over the register's life, not quadratic:
  // the next number to try is remembered per name.
  std::string freeVariant(std::string_view name, std::size_t width = kNameWidth) const;

 private:
  std::unordered_set<std::string> keys_;
  // Per name key, the lowest variant number that may still be free.
  mutable std::unordered_map<std::string, std::size_t> nextVariant_;
};

// The first of "Name (N)", N counting up from `next`, whose key `taken`
// does not hold, the name cut so that the whole fits `width` bytes; `next`
// is left at that N, so a caller that keeps it per name never tries a
// number twice. The name cut to `width` when no suffix fits.
std::string firstFreeVariant(std::string_view name, const std::function<bool(const std::string& key)>& taken,
                             std::size_t& next, std::size_t width = kNameWidth);

// `name` with `suffix` appended, the name cut (and its trailing blanks
// dropped) so that the whole fits `width` bytes: "Smith (server)".
std::string withSuffix(std::string_view name, std::string_view suffix, std::size_t width = kNameWidth);

}  // namespace book
