#pragma once

#include <string>
#include <vector>

#include "codepage/code_page.h"
#include "report/font_metrics.h"

namespace report {

// A laid-out page: what a renderer paints and the text export reads. All
// positions are in tenths of a millimetre from the top left of the paper.

enum class Alignment { Left, Right };

// One printed line of a label or data field. A left-aligned line starts at
// `x`; a right-aligned one ends there. `y` is the top of the line, which is
// `lineHeight` of its font high.
struct TextRun {
  double x = 0;
  double y = 0;
  Alignment alignment = Alignment::Left;
  FontStyle font = FontStyle::Regular;
  std::string text;  // single-byte, as stored in the table (see PageSetup::codePage)

  friend bool operator==(const TextRun&, const TextRun&) = default;
};

enum class PenStyle { Solid, DashDotDot };

// A black line one pen wide (see kPenWidth) from (x1, y1) to (x2, y2).
struct RuleLine {
  double x1 = 0;
  double y1 = 0;
  double x2 = 0;
  double y2 = 0;
  PenStyle style = PenStyle::Solid;

  friend bool operator==(const RuleLine&, const RuleLine&) = default;
};

// The width of every frame and rule line: one tenth of a millimetre.
inline constexpr double kPenWidth = 1.0;

struct Page {
  int number = 0;               // from 1
  std::vector<TextRun> texts;   // in printing order
  std::vector<RuleLine> rules;  // frames are four rules each
};

// Paper and margins, and the code page the pages' texts are in (that of
// the report's table), which painting needs to turn their bytes into
// characters.
struct PageSetup {
  double paperWidth = 0;
  double paperHeight = 0;
  double leftMargin = 0;
  double topMargin = 0;
  double rightMargin = 0;
  double bottomMargin = 0;
  codepage::CodePage codePage;

  double printableWidth() const { return paperWidth - leftMargin - rightMargin; }
};

}  // namespace report
