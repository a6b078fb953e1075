#pragma once

// Reading RTF memos into a Document. The reader never fails: damaged markup
// (unbalanced braces, cut-off escapes, absurd numbers, deep nesting) gives
// what could be read, and it takes time in proportion to the input.

#include <string_view>

#include "codepage/code_page.h"
#include "rtf/document.h"

namespace rtf {

// Whether a memo holds rich text rather than plain text: it starts "{\rtf".
bool isRtf(std::string_view memo);

// The document in the markup, its text in the bytes of `page` (the table's
// code page). \'hh escapes are bytes of the markup's \ansicpg, converted
// when that differs from `page`; text `page` cannot hold becomes '?'.
// Content nested deeper than kMaxGroupDepth groups is dropped.
Document read(std::string_view markup, const codepage::CodePage& page = {});

inline constexpr std::size_t kMaxGroupDepth = 4096;

}  // namespace rtf
