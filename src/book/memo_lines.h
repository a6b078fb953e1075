#pragma once

// A memo's own lines: CR LF, LF and CR each end a line. A line break at the
// very end does not begin another line, and an empty memo has no lines.
// The lines are views into the memo, which must outlive them.

#include <string_view>
#include <vector>

namespace book {

std::vector<std::string_view> memoLines(std::string_view memo);
std::vector<std::u16string_view> memoLines(std::u16string_view memo);

}  // namespace book
