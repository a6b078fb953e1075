#include "shop/shop_radio_group.h"

#include <QGridLayout>
#include <QRadioButton>

#include "shop/store_links.h"

namespace shop {
namespace {
constexpr int kRows = 3;
const QColor kMaroon(0x80, 0x00, 0x00);
}  // namespace

ShopRadioGroup::ShopRadioGroup(QWidget* parent) : QGroupBox(parent) {
  setTitle(QStringLiteral("  Check out the Top 100:in:  "));
  setFlat(true);
  QFont font("Arial");
  font.setPixelSize(11);
  setFont(font);

  QPalette colours = palette();
  for (auto role : {QPalette::Window, QPalette::Button}) colours.setColor(role, kMaroon);
  for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) colours.setColor(role, Qt::white);
  setPalette(colours);
  setAutoFillBackground(true);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 1, 2, 2);
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(0);
  const QStringList& names = storeCategoryNames();
  for (int i = 0; i < names.size(); ++i) {
    auto* radio = new QRadioButton(names[i], this);
    radio->setFocusPolicy(Qt::TabFocus);
    buttons_.addButton(radio, i);
    grid->addWidget(radio, i % kRows, i / kRows);
  }
  connect(&buttons_, &QButtonGroup::idClicked, this, &ShopRadioGroup::clicked);
}

int ShopRadioGroup::itemIndex() const { return buttons_.checkedId(); }

QAbstractButton* ShopRadioGroup::item(int index) const { return buttons_.button(index); }

}  // namespace shop
