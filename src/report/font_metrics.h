#pragma once

#include <functional>
#include <string_view>

namespace report {

// The width of a text in one font, in tenths of a millimetre at 100 % zoom.
// Texts are single-byte, in the code page the metrics were measured for
// (fontMetricsFor). The layout relies on one property:
// a prefix of a text is never wider than the text itself.
using WidthFunction = std::function<double(std::string_view text)>;

// What the layout needs of one font: text widths and the height of a line.
// The line height is also the height of any single text in the font (the
// letter W included), so one value serves both.
struct FontMetrics {
  WidthFunction width;
  double lineHeight = 0;
};

// The report's two faces: the report font and its bold face (the names).
enum class FontStyle { Regular, Bold };

struct ReportMetrics {
  FontMetrics regular;
  FontMetrics bold;

  const FontMetrics& of(FontStyle style) const { return style == FontStyle::Bold ? bold : regular; }
};

}  // namespace report
