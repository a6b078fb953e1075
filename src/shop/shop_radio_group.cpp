#include "shop/shop_radio_group.h"

#include <QGridLayout>
#include <QPainter>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyleOption>

#include "shop/store_links.h"

namespace shop {
namespace {
constexpr int kRows = 3;
const QColor kMaroon(0x80, 0x00, 0x00);

// Twelve captions in four columns fill the window's width; a slightly
// smaller radio mark and a tighter gap keep the longest captions whole.
class CompactRadioStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    switch (metric) {
      case PM_ExclusiveIndicatorWidth:
      case PM_ExclusiveIndicatorHeight: return 11;
      case PM_RadioButtonLabelSpacing: return 3;
      default: return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }

  // The mark is drawn here rather than by the desktop style, whose faint
  // dot is lost on maroon and in high-contrast themes: a white disc with a
  // black rim, and a black dot in it when checked, whatever the palette.
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (element != PE_IndicatorRadioButton) {
      QProxyStyle::drawPrimitive(element, option, painter, widget);
      return;
    }
    const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Qt::black, 1));
    painter->setBrush(option->state & State_Enabled ? Qt::white : Qt::lightGray);
    painter->drawEllipse(box);
    if (option->state & State_On) {
      const qreal inset = box.width() / 4;
      painter->setPen(Qt::NoPen);
      painter->setBrush(Qt::black);
      painter->drawEllipse(box.adjusted(inset, inset, -inset, -inset));
    }
    painter->restore();
  }
};
}  // namespace

ShopRadioGroup::ShopRadioGroup(QWidget* parent) : QGroupBox(parent) {
  setTitle(QStringLiteral("  Check out the Top 100:in:  "));
  setFlat(true);
  QFont font("Arial");
  font.setPixelSize(11);
  font.setBold(false);
  setFont(font);

  QPalette colours = palette();
  for (auto role : {QPalette::Window, QPalette::Button}) colours.setColor(role, kMaroon);
  for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) colours.setColor(role, Qt::white);
  setPalette(colours);
  setAutoFillBackground(true);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 1, 0, 2);
  grid->setHorizontalSpacing(0);
  grid->setVerticalSpacing(0);
  auto* compact = new CompactRadioStyle;
  compact->setParent(this);
  const QStringList& names = storeCategoryNames();
  for (int i = 0; i < names.size(); ++i) {
    auto* radio = new QRadioButton(names[i], this);
    radio->setFocusPolicy(Qt::TabFocus);
    radio->setStyle(compact);
    buttons_.addButton(radio, i);
    grid->addWidget(radio, i % kRows, i / kRows);
  }
  connect(&buttons_, &QButtonGroup::idClicked, this, &ShopRadioGroup::clicked);
}

int ShopRadioGroup::itemIndex() const { return buttons_.checkedId(); }

QAbstractButton* ShopRadioGroup::item(int index) const { return buttons_.button(index); }

}  // namespace shop
