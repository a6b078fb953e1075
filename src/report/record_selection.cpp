#include "report/record_selection.h"

#include <cstring>
#include <optional>
#include <utility>

#include "xbase/expr/expression.h"

namespace report {

std::string textExpression(std::string_view text) {
  if (std::optional<std::string> literal = xbase::stringLiteral(text)) return *literal;
  // Cut the text into the longest pieces some delimiter can still enclose
  // (a single byte always can) and join them with "+".
  std::string joined;
  std::string_view rest = text;
  while (!rest.empty()) {
    std::size_t length = 1;
    while (length < rest.size() && xbase::stringLiteral(rest.substr(0, length + 1))) ++length;
    if (!joined.empty()) joined += '+';
    joined += *xbase::stringLiteral(rest.substr(0, length));
    rest.remove_prefix(length);
  }
  return joined;
}

std::string currentExpression(std::string_view savedKey) { return "upper(Name)=" + textExpression(savedKey); }

std::string rangeExpression(std::string endA, std::string endB) {
  // The ends are compared as zero-terminated strings, unsigned byte by byte.
  if (std::strcmp(endA.c_str(), endB.c_str()) > 0) std::swap(endA, endB);
  return "upper(Name) >= " + textExpression(endA) + " AND upper(Name) <= " + textExpression(endB);
}

std::string selectedExpression(const std::vector<std::string>& names) {
  std::string expression;
  for (const std::string& name : names) {
    if (!expression.empty()) expression += " OR ";
    expression += "Name=" + textExpression(name);
  }
  return expression;
}

}  // namespace report
