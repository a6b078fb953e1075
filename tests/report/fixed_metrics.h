#pragma once

#include "report/font_metrics.h"

namespace reporttest {

// Every character is `advance` wide, so expected lines are plain to read.
inline report::FontMetrics fixedMetrics(double advance, double lineHeight) {
  return {[advance](std::string_view text) { return advance * static_cast<double>(text.size()); }, lineHeight};
}

inline report::ReportMetrics fixedReportMetrics(double advance = 20, double lineHeight = 40) {
  return {fixedMetrics(advance, lineHeight), fixedMetrics(advance, lineHeight)};
}

}  // namespace reporttest
