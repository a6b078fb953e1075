#pragma once

#include <QFont>
#include <QString>

#include "codepage/code_page.h"
#include "report/font_metrics.h"

namespace report {

// Metrics of a Qt font in tenths of a millimetre, measured at 1200 dots per
// inch without hinting. A text's width is the sum of its characters'
// advances (no kerning), so painters must draw with kerning off to match.
// Texts are bytes in `page`. Needs a QGuiApplication.
FontMetrics fontMetricsFor(const QFont& font, const codepage::CodePage& page = {});

// The report font and its bold face.
QFont reportFont(bool bold = false);
ReportMetrics reportMetrics(const codepage::CodePage& page = {});

}  // namespace report
