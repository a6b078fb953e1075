#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/font_metrics.h"

namespace report {

// Turns the text of a printing item into the lines it prints. All items
// wrap words; `autoSize` items keep each block on one line.
struct TextFormat {
  double width = 0;  // the item's width
  bool autoSize = false;
};

// Formats a single value (a caption or a field value) as one block.
std::vector<std::string> formatText(std::string_view text, const TextFormat& format, const WidthFunction& width);

// Formats a list of lines (a memo) one block per line, in order.
std::vector<std::string> formatLines(const std::vector<std::string>& lines, const TextFormat& format,
                                     const WidthFunction& width);

// The lines a memo field gives: the memo cut at each CR LF, LF and CR (memos
// written elsewhere, and rich-text ones, end lines with a bare LF). A final
// break ends the last line rather than starting an empty one, and an empty
// memo has no lines.
std::vector<std::string> memoLines(std::string_view memo);

// The width of the widest line (0 for no lines).
double widestLine(const std::vector<std::string>& lines, const WidthFunction& width);

}  // namespace report
