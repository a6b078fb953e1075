#include "report/qt_font_metrics.h"

#include <gtest/gtest.h>

namespace {

// Arial 10 pt (Liberation Sans): a line is 1.117 em, "W" 0.944 em, and an
// em is 35.28 tenths of a millimetre.
TEST(ReportFont, MetricsAreInTenthsOfAMillimetre) {
  const report::ReportMetrics metrics = report::reportMetrics();
  EXPECT_NEAR(metrics.regular.lineHeight, 39.4, 0.5);
  EXPECT_NEAR(metrics.regular.width("W"), 33.3, 0.5);
  EXPECT_DOUBLE_EQ(metrics.regular.width("AVA"), 2 * metrics.regular.width("A") + metrics.regular.width("V"));
  EXPECT_GT(metrics.bold.width("Adams, Ann"), metrics.regular.width("Adams, Ann"));
  EXPECT_GT(metrics.regular.width("\xFC"), 0);  // Windows-1252 u umlaut
}

}  // namespace
