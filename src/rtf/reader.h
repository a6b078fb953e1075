#pragma once

// Reading RTF memos into a Document. The reader never fails: damaged markup
// (unbalanced braces, cut-off escapes, absurd numbers, deep nesting) gives
// what could be read, and it takes time in proportion to the input.

#include <string_view>

#include "rtf/document.h"

namespace rtf {

// Whether a memo holds rich text rather than plain text: it starts "{\rtf".
bool isRtf(std::string_view memo);

// The document in the markup. Text that the tables' character set cannot hold
// becomes '?'. Content nested deeper than kMaxGroupDepth groups is dropped.
Document read(std::string_view markup);

inline constexpr std::size_t kMaxGroupDepth = 4096;

}  // namespace rtf
