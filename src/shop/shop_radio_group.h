#pragma once

// The maroon band of store categories: a captioned group of radio buttons in
// four columns of three, filled column by column. No item is chosen at start;
// a clicked item stays marked.

#include <QButtonGroup>
#include <QGroupBox>

namespace shop {

class ShopRadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit ShopRadioGroup(QWidget* parent = nullptr);

  // The marked item, -1 when none has been chosen yet.
  int itemIndex() const;
  QAbstractButton* item(int index) const;

 signals:
  // A category was clicked (also when it was marked already).
  void clicked(int index);

 private:
  QButtonGroup buttons_;
};

}  // namespace shop
