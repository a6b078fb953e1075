#include "widgets/stand_in_font.h"

#include <QFontInfo>

namespace widgets {
namespace {

constexpr const char* kStandIn = "Liberation Sans";

// The bitmap faces come at 11, 13 and 16 pixels; a request takes the largest
// not above it. Liberation Sans matches their widths at 10, 12 and 15 pixels.
int bitmapFaceStandIn(int pixels) {
  if (pixels >= 16) return 15;
  return pixels >= 13 ? 12 : 10;
}

}  // namespace

QFont standInFont(const char* family, int pixels, bool bold, bool italic) {
  QFont font(QString::fromLatin1(family));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  font.setBold(bold);
  font.setItalic(italic);
  if (QFontInfo(font).family().compare(font.family(), Qt::CaseInsensitive) == 0) return font;
  const bool bitmapFace = font.family() == QLatin1String("MS Sans Serif");
  font.setFamily(QString::fromLatin1(kStandIn));
  if (bitmapFace) font.setPixelSize(bitmapFaceStandIn(pixels));
  return font;
}

}  // namespace widgets
