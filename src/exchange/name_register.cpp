#include "exchange/name_register.h"

#include "xbase/dbf_text.h"

namespace exchange {

std::string NameRegister::keyOf(std::string_view name) {
  const std::size_t last = name.find_last_not_of(' ');
  return xbase::asciiUpper(name.substr(0, last == std::string_view::npos ? 0 : last + 1));
}

void NameRegister::add(std::string_view name) { keys_.insert(keyOf(name)); }

bool NameRegister::contains(std::string_view name) const { return keys_.count(keyOf(name)) > 0; }

std::string NameRegister::freeVariant(std::string_view name, std::size_t width) const {
  for (std::size_t n = 2;; ++n) {
    const std::string suffix = " (" + std::to_string(n) + ")";
    if (suffix.size() > width) return std::string(name.substr(0, width));
    std::string candidate(name.substr(0, width - suffix.size()));
    candidate.erase(candidate.find_last_not_of(' ') + 1);
    candidate += suffix;
    if (!contains(candidate)) return candidate;
  }
}

}  // namespace exchange
