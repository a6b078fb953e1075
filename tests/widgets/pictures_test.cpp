// Every button picture exists sharp at both scales, in a normal and a
// distinct disabled look.

#include <QImage>

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

}  // namespace
