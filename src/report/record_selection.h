#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace report {

// The filter expressions of the report's record choices, in the engine's
// expression language. Names are spelled as string literals in a delimiter
// they do not contain; a name holding all three delimiters (" ' ]) is spelled
// as a concatenation of literals, so every name gives a valid expression.

// A text as an expression that yields exactly that text.
std::string textExpression(std::string_view text);

// Current: the entries whose upper-cased name equals the saved key.
std::string currentExpression(std::string_view savedKey);

// Range: upper-cased names from the lower to the higher of the two ends,
// inclusive (the ends are compared byte by byte, unsigned).
std::string rangeExpression(std::string endA, std::string endB);

// Selected: one exact name term per name, joined by " OR ".
std::string selectedExpression(const std::vector<std::string>& names);

}  // namespace report
