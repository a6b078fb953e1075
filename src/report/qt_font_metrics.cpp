#include "report/qt_font_metrics.h"

#include <QFontMetricsF>
#include <QImage>
#include <array>
#include <memory>
#include <string>

#include "report/address_report.h"
#include "report/report_units.h"
#include "store/ansi_text.h"

namespace report {

namespace {
constexpr double kMeasureDpi = 1200;
}

FontMetrics fontMetricsFor(const QFont& font, const codepage::CodePage& page) {
  QImage device(1, 1, QImage::Format_Mono);
  const int dotsPerMeter = static_cast<int>(kMeasureDpi / 0.0254 + 0.5);
  device.setDotsPerMeterX(dotsPerMeter);
  device.setDotsPerMeterY(dotsPerMeter);
  QFont measured(font);
  measured.setKerning(false);
  measured.setHintingPreference(QFont::PreferNoHinting);
  const QFontMetricsF metrics(measured, &device);
  const double scale = kTenthsPerInch / device.logicalDpiX();

  auto advances = std::make_shared<std::array<double, 256>>();
  for (int byte = 0; byte < 256; ++byte) {
    const std::string text(1, static_cast<char>(byte));
    (*advances)[static_cast<std::size_t>(byte)] = metrics.horizontalAdvance(store::fromAnsi(text, page)) * scale;
  }
  FontMetrics result;
  result.lineHeight = metrics.height() * device.logicalDpiX() / device.logicalDpiY() * scale;
  result.width = [advances](std::string_view text) {
    double width = 0;
    for (const char c : text) width += (*advances)[static_cast<unsigned char>(c)];
    return width;
  };
  return result;
}

QFont reportFont(bool bold) {
  QFont font(QString::fromLatin1(kReportFontFamily));
  font.setPointSizeF(kReportFontPoints);
  font.setBold(bold);
  font.setKerning(false);
  return font;
}

ReportMetrics reportMetrics(const codepage::CodePage& page) {
  return {fontMetricsFor(reportFont(false), page), fontMetricsFor(reportFont(true), page)};
}

}  // namespace report
