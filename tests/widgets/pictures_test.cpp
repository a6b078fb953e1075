// Every button picture exists sharp at both scales, in a normal and a
// distinct disabled look, and stands out on light and dark buttons.

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "widgets/pictures.h"

namespace {

int paintedPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 64;
  return count;
}

TEST(Pictures, NormalAndDisabledAtOneAndTwoTimesScale) {
  for (int i = 0; i <= static_cast<int>(widgets::Picture::Cancel); ++i) {
    SCOPED_TRACE(i);
    const QIcon icon = widgets::pictureIcon(static_cast<widgets::Picture>(i), 19);
    for (qreal dpr : {1.0, 2.0}) {
      const QImage normal = icon.pixmap(QSize(19, 19), dpr, QIcon::Normal).toImage();
      const QImage disabled = icon.pixmap(QSize(19, 19), dpr, QIcon::Disabled).toImage();
      EXPECT_EQ(normal.size(), QSize(19, 19) * dpr);  // drawn for the scale, not stretched
      EXPECT_GT(paintedPixels(normal), normal.width() * normal.height() / 12);
      EXPECT_NE(normal, disabled);
    }
  }
}

double luminance(const QColor& colour) {
  auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

// The share of the picture's area that, laid on the button, has at least
// `ratio` contrast against the button's colour.
double standingOut(const QImage& image, const QColor& button, double ratio) {
  const double back = luminance(button);
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      const double a = pixel.alphaF();
      const QColor laid = QColor::fromRgbF(pixel.redF() * a + button.redF() * (1 - a),
                                           pixel.greenF() * a + button.greenF() * (1 - a),
                                           pixel.blueF() * a + button.blueF() * (1 - a));
      const double fore = luminance(laid);
      count += (std::max(fore, back) + 0.05) / (std::min(fore, back) + 0.05) >= ratio;
    }
  return double(count) / (image.width() * image.height());
}

TEST(Pictures, StandOutOnLightDarkAndHighContrastButtons) {
  const QPalette before = QApplication::palette();
  QPalette dark(QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::ButtonText, QColor(0xe0, 0xe0, 0xe0));
  QPalette contrast(Qt::black);
  contrast.setColor(QPalette::ButtonText, Qt::white);
  for (const QPalette& palette : {QPalette(QColor(0xef, 0xef, 0xef)), dark, contrast}) {
    QApplication::setPalette(palette);
    const QColor button = palette.color(QPalette::Button);
    SCOPED_TRACE(button.name().toStdString());
    for (int i = 0; i <= static_cast<int>(widgets::Picture::Cancel); ++i) {
      SCOPED_TRACE(i);
      const QIcon icon = widgets::pictureIcon(static_cast<widgets::Picture>(i), 19);
      EXPECT_GT(standingOut(icon.pixmap(QSize(19, 19), 1.0, QIcon::Normal).toImage(), button, 3.0), 0.06);
      EXPECT_GT(standingOut(icon.pixmap(QSize(19, 19), 1.0, QIcon::Disabled).toImage(), button, 2.0), 0.04);
    }
  }
  QApplication::setPalette(before);
}

}  // namespace
