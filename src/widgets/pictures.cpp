#include "widgets/pictures.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <algorithm>

namespace widgets {
namespace {

// Every picture is drawn on a 20 by 20 canvas and scaled to the target size.
constexpr qreal kCanvas = 20.0;

// The colours one picture is drawn with; the disabled look swaps in greys.
struct Ink {
  QColor line;     // outlines and strokes
  QColor paper;    // light fills (paper, glass, envelopes)
  QColor accent;   // the picture's main colour
  QColor accent2;  // a second colour (handles, arrows, marks)
  QColor alarm;    // the red of "cancel" marks
};

bool darkButtons(const QPalette& palette) { return palette.color(QPalette::Button).lightness() < 128; }

// Outlines in the palette's button text colour, so that they stand out on
// light, dark and high-contrast buttons alike; on dark buttons the colours
// are lighter.
Ink normalInk(const QPalette& palette) {
  const bool dark = darkButtons(palette);
  return {palette.color(QPalette::Active, QPalette::ButtonText), QColor(0xff, 0xff, 0xf4),
          dark ? QColor(0x80, 0xb4, 0xff) : QColor(0x1f, 0x5f, 0xbf),
          dark ? QColor(0xe8, 0x9c, 0x50) : QColor(0xa0, 0x50, 0x10),
          dark ? QColor(0xff, 0x66, 0x66) : QColor(0xc0, 0x10, 0x10)};
}

// Greys between the button colour and its text: fainter than the normal
// look, but never lost on the button.
Ink disabledInk(const QPalette& palette) {
  const QColor back = palette.color(QPalette::Button);
  const QColor text = palette.color(QPalette::Active, QPalette::ButtonText);
  auto mix = [&](qreal t) {
    return QColor::fromRgbF(back.redF() + (text.redF() - back.redF()) * t,
                            back.greenF() + (text.greenF() - back.greenF()) * t,
                            back.blueF() + (text.blueF() - back.blueF()) * t);
  };
  return {mix(0.6), mix(0.15), mix(0.4), mix(0.45), mix(0.6)};
}

QPen stroke(const QColor& colour, qreal width) {
  return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void letter(QPainter& p, const QColor& colour, const QRectF& box, const QString& text, qreal pixelSize) {
  QFont font("Arial");
  font.setBold(true);
  // Sizes are canvas units: the painter's scale turns them into pixels.
  font.setPixelSize(qRound(pixelSize));
  p.setFont(font);
  p.setPen(colour);
  p.drawText(box, Qt::AlignCenter, text);
}

void triangle(QPainter& p, const Ink& ink, QPointF a, QPointF b, QPointF c) {
  p.setPen(stroke(ink.line, 1.0));
  p.setBrush(ink.accent);
  p.drawPolygon(QPolygonF{a, b, c});
}

void bar(QPainter& p, const Ink& ink, qreal x) {
  p.setPen(stroke(ink.line, 1.0));
  p.setBrush(ink.accent);
  p.drawRect(QRectF(x, 4, 2.5, 12));
}

void magnifier(QPainter& p, const Ink& ink, qreal scale) {
  p.save();
  p.scale(scale, scale);
  p.setPen(stroke(ink.accent2, 3.2));
  p.drawLine(QPointF(12.5, 12.5), QPointF(17.5, 17.5));
  p.setPen(stroke(ink.line, 1.6));
  p.setBrush(ink.paper);
  p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
  p.setPen(stroke(ink.accent, 1.2));
  p.drawArc(QRectF(4.5, 4.5, 7, 7), 100 * 16, 70 * 16);
  p.restore();
}

void cross(QPainter& p, const QColor& colour, QPointF centre, qreal half, qreal width) {
  p.setPen(stroke(colour, width));
  p.drawLine(centre + QPointF(-half, -half), centre + QPointF(half, half));
  p.drawLine(centre + QPointF(-half, half), centre + QPointF(half, -half));
}

void sortPicture(QPainter& p, const Ink& ink, const QString& top, const QString& bottom) {
  letter(p, ink.line, QRectF(0, 0, 11, 10), top, 9);
  letter(p, ink.line, QRectF(0, 10, 11, 10), bottom, 9);
  p.setPen(stroke(ink.accent, 2.0));
  p.drawLine(QPointF(15, 3), QPointF(15, 16));
  triangle(p, ink, QPointF(11.5, 13), QPointF(18.5, 13), QPointF(15, 18.5));
}

void paintPhone(QPainter& p, const Ink& ink) {
  p.setPen(stroke(ink.line, 1.0));
  p.setBrush(ink.accent);
  p.drawRoundedRect(QRectF(3.5, 9.5, 13, 8), 2, 2);
  QPainterPath handset;
  handset.moveTo(1.5, 8.5);
  handset.cubicTo(2, 2.5, 18, 2.5, 18.5, 8.5);
  handset.lineTo(14.5, 8.5);
  handset.lineTo(14, 6.5);
  handset.cubicTo(12, 5.5, 8, 5.5, 6, 6.5);
  handset.lineTo(5.5, 8.5);
  handset.closeSubpath();
  p.drawPath(handset);
  p.setBrush(ink.paper);
  p.drawEllipse(QPointF(10, 13.5), 2.6, 2.6);
}

void paintEmail(QPainter& p, const Ink& ink) {
  p.setPen(stroke(ink.line, 1.0));
  p.setBrush(ink.paper);
  p.drawRect(QRectF(1.5, 4.5, 17, 11));
  p.setPen(stroke(ink.accent, 1.4));
  p.drawPolyline(QPolygonF{QPointF(2, 5), QPointF(10, 11.5), QPointF(18, 5)});
}

void paintWeb(QPainter& p, const Ink& ink) {
  p.setPen(stroke(ink.line, 1.0));
  p.setBrush(ink.accent);
  p.drawEllipse(QPointF(10, 10), 8, 8);
  p.setBrush(Qt::NoBrush);
  p.setPen(stroke(ink.paper, 1.0));
  p.drawEllipse(QPointF(10, 10), 3.5, 8);
  p.drawLine(QPointF(2, 10), QPointF(18, 10));
  p.drawLine(QPointF(10, 2), QPointF(10, 18));
  p.drawLine(QPointF(3.5, 6), QPointF(16.5, 6));
  p.drawLine(QPointF(3.5, 14), QPointF(16.5, 14));
}

void paintClipboard(QPainter& p, const Ink& ink) {
  p.setPen(stroke(ink.line, 1.0));
  p.setBrush(ink.accent2);
  p.drawRoundedRect(QRectF(3.5, 3, 13, 16), 1.5, 1.5);
  p.setBrush(ink.paper);
  p.drawRect(QRectF(5.5, 5.5, 9, 11.5));
  p.setBrush(ink.accent);
  p.drawRoundedRect(QRectF(7, 1.5, 6, 3.5), 1, 1);
  p.setPen(stroke(ink.line, 0.8));
  for (qreal y : {8.5, 11.0, 13.5}) p.drawLine(QPointF(7, y), QPointF(13, y));
}

void paintInfo(QPainter& p, const Ink& ink) {
  p.setPen(stroke(ink.line, 1.0));
  p.setBrush(ink.accent);
  p.drawEllipse(QPointF(10, 10), 8.5, 8.5);
  p.setPen(Qt::NoPen);
  p.setBrush(ink.paper);
  p.drawEllipse(QPointF(10, 5.8), 1.6, 1.6);
  p.drawRect(QRectF(8.6, 8.5, 2.8, 7.5));
}

void paintReport(QPainter& p, const Ink& ink) {
  p.setPen(stroke(ink.line, 1.0));
  p.setBrush(ink.paper);
  p.drawRect(QRectF(5.5, 1.5, 9, 7));  // paper going in
  p.setBrush(ink.accent);
  p.drawRoundedRect(QRectF(1.5, 7.5, 17, 7), 1.5, 1.5);  // printer body
  p.setBrush(ink.paper);
  p.drawRect(QRectF(5.5, 12.5, 9, 6));  // printed sheet
  p.setPen(stroke(ink.line, 0.8));
  p.drawLine(QPointF(7, 15), QPointF(13, 15));
  p.drawLine(QPointF(7, 17), QPointF(11, 17));
  p.setPen(Qt::NoPen);
  p.setBrush(ink.accent2);
  p.drawEllipse(QPointF(16, 10), 1, 1);
}

void paintTools(QPainter& p, const Ink& ink) {
  // A table drum with a wrench across it.
  p.setPen(stroke(ink.line, 1.0));
  p.setBrush(ink.accent);
  QPainterPath drum;
  drum.moveTo(2.5, 4.5);
  drum.lineTo(2.5, 14.5);
  drum.arcTo(QRectF(2.5, 12.5, 11, 4), 180, 180);
  drum.lineTo(13.5, 4.5);
  drum.closeSubpath();
  p.drawPath(drum);
  p.setBrush(ink.paper);
  p.drawEllipse(QRectF(2.5, 2.5, 11, 4));
  p.setPen(stroke(ink.line, 3.2));
  p.drawLine(QPointF(9, 18), QPointF(15.5, 11.5));
  p.setPen(stroke(ink.accent2, 1.8));
  p.drawLine(QPointF(9, 18), QPointF(15.5, 11.5));
  p.setPen(stroke(ink.line, 1.0));
  p.setBrush(ink.accent2);
  p.drawEllipse(QPointF(16, 11), 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(ink.paper);
  p.drawRect(QRectF(16, 8.5, 3, 2.5));
}

void paintHelp(QPainter& p, const Ink& ink) {
  p.setPen(stroke(ink.line, 1.0));
  p.setBrush(ink.accent);
  p.drawEllipse(QPointF(10, 10), 8.5, 8.5);
  letter(p, ink.paper, QRectF(1, 1, 18, 18), QStringLiteral("?"), 14);
}

void paintNavigator(QPainter& p, Picture picture, const Ink& ink) {
  switch (picture) {
    case Picture::First:
      bar(p, ink, 4);
      triangle(p, ink, QPointF(15, 4), QPointF(15, 16), QPointF(8, 10));
      break;
    case Picture::Prior: triangle(p, ink, QPointF(13, 4), QPointF(13, 16), QPointF(6, 10)); break;
    case Picture::Next: triangle(p, ink, QPointF(7, 4), QPointF(7, 16), QPointF(14, 10)); break;
    case Picture::Last:
      triangle(p, ink, QPointF(5, 4), QPointF(5, 16), QPointF(12, 10));
      bar(p, ink, 13.5);
      break;
    case Picture::Insert:
      p.setPen(stroke(ink.line, 3.0));
      p.drawLine(QPointF(10, 4), QPointF(10, 16));
      p.drawLine(QPointF(4, 10), QPointF(16, 10));
      break;
    case Picture::Delete:
      p.setPen(stroke(ink.line, 3.0));
      p.drawLine(QPointF(4, 10), QPointF(16, 10));
      break;
    case Picture::Edit: triangle(p, ink, QPointF(4, 14), QPointF(16, 14), QPointF(10, 6)); break;
    case Picture::Post:
      p.setPen(stroke(ink.line, 2.6));
      p.drawPolyline(QPolygonF{QPointF(4, 10.5), QPointF(8.5, 15), QPointF(16, 5)});
      break;
    case Picture::Cancel: cross(p, ink.alarm, QPointF(10, 10), 5, 2.6); break;
    default: break;
  }
}

void paintPicture(QPainter& p, Picture picture, const Ink& ink) {
  switch (picture) {
    case Picture::Phone: paintPhone(p, ink); break;
    case Picture::Email: paintEmail(p, ink); break;
    case Picture::Web: paintWeb(p, ink); break;
    case Picture::Find: magnifier(p, ink, 1.0); break;
    case Picture::NoFilter:
      magnifier(p, ink, 0.85);
      cross(p, ink.alarm, QPointF(14.5, 14.5), 3.5, 2.4);
      break;
    case Picture::Clipboard: paintClipboard(p, ink); break;
    case Picture::Info: paintInfo(p, ink); break;
    case Picture::NaturalOrder: sortPicture(p, ink, QStringLiteral("1"), QStringLiteral("9")); break;
    case Picture::AlphaOrder: sortPicture(p, ink, QStringLiteral("A"), QStringLiteral("Z")); break;
    case Picture::Report: paintReport(p, ink); break;
    case Picture::Tools: paintTools(p, ink); break;
    case Picture::Help: paintHelp(p, ink); break;
    default: paintNavigator(p, picture, ink); break;
  }
}

QPixmap render(Picture picture, const QSize& size, bool disabled, const QPalette& palette) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const qreal scale = std::min(size.width(), size.height()) / kCanvas;
  p.scale(scale, scale);
  if (!disabled) {
    paintPicture(p, picture, normalInk(palette));
  } else {
    if (!darkButtons(palette)) {
      // The classic engraved look: a light copy one pixel down and right
      // under the grey one (on dark buttons it would only blur the grey).
      const QColor light = palette.color(QPalette::Light);
      p.save();
      p.translate(1.0 / scale, 1.0 / scale);
      paintPicture(p, picture, Ink{light, light, light, light, light});
      p.restore();
    }
    paintPicture(p, picture, disabledInk(palette));
  }
  return pixmap;
}

// Draws the picture when it is asked for, at the pixel size asked for and in
// the application's palette of that moment, so that a change of palette or
// screen scale never shows stale or stretched pictures.
class PictureEngine : public QIconEngine {
 public:
  PictureEngine(Picture picture, int logicalSize) : picture_(picture), size_(logicalSize) {}

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    return render(picture_, size, mode == QIcon::Disabled, QGuiApplication::palette());
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap picture = pixmap(rect.size() * dpr, mode, state);
    picture.setDevicePixelRatio(dpr);
    painter->drawPixmap(rect, picture);
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {QSize(size_, size_)}; }
  QIconEngine* clone() const override { return new PictureEngine(picture_, size_); }

 private:
  Picture picture_;
  int size_;
};

}  // namespace

QIcon pictureIcon(Picture picture, int logicalSize) { return QIcon(new PictureEngine(picture, logicalSize)); }

}  // namespace widgets
