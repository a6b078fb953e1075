#include "report/page_painter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPen>

#include "report/address_report.h"
#include "report/qt_font_metrics.h"
#include "report/report_units.h"
#include "store/ansi_text.h"

namespace report {

namespace {

// The report font sized in the painter's logical unit, a tenth of a
// millimetre, whatever the device's resolution.
QFont paintingFont(bool bold, const QPaintDevice& device) {
  QFont font = reportFont(bold);
  font.setPointSizeF(kReportFontPoints * kTenthsPerInch / device.logicalDpiY());
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setKerning(false);
  return font;
}

}  // namespace

void paintPage(QPainter& painter, const Page& page, const PageSetup& setup, double dotsPerTenth) {
  painter.save();
  painter.scale(dotsPerTenth, dotsPerTenth);
  painter.fillRect(QRectF(0, 0, setup.paperWidth, setup.paperHeight), Qt::white);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);

  const QPaintDevice& device = *painter.device();
  const QFont fonts[] = {paintingFont(false, device), paintingFont(true, device)};
  const QFontMetricsF metrics[] = {QFontMetricsF(fonts[0], painter.device()),
                                   QFontMetricsF(fonts[1], painter.device())};
  painter.setPen(Qt::black);
  for (const TextRun& run : page.texts) {
    const int face = run.font == FontStyle::Bold ? 1 : 0;
    painter.setFont(fonts[face]);
    const QString text = store::fromAnsi(run.text, setup.codePage);
    double x = run.x;
    if (run.alignment == Alignment::Right) x -= metrics[face].horizontalAdvance(text);
    painter.drawText(QPointF(x, run.y + metrics[face].ascent()), text);
  }
  for (const RuleLine& rule : page.rules) {
    QPen pen(Qt::black, kPenWidth, rule.style == PenStyle::DashDotDot ? Qt::DashDotDotLine : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(QPointF(rule.x1, rule.y1), QPointF(rule.x2, rule.y2));
  }
  painter.restore();
}

}  // namespace report
