#pragma once

// A record navigator: nine picture buttons (First, Prior, Next, Last,
// Insert, Delete, Edit, Post, Cancel) acting on a data source's table, each
// enabled only when its action makes sense in the table's current state.
// Delete asks "Delete record?" first. A click never takes the focus, so the
// control being edited keeps it; Tab reaches each button.

#include <QToolButton>
#include <QWidget>
#include <array>

#include "store/data_source.h"
#include "widgets/data_link.h"

namespace widgets {

class DbNavigator : public QWidget {
  Q_OBJECT

 public:
  enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, ButtonCount };

  explicit DbNavigator(QWidget* parent = nullptr);

  void setDataSource(store::DataSource* source);
  store::DataSource* dataSource() const { return link_.dataSource(); }
  void setConfirmDelete(bool on) { confirmDelete_ = on; }

  QToolButton* button(Button which) const { return buttons_[which]; }
  // Presses a button as a click would (does nothing when it is disabled).
  void press(Button which);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void updateButtons();
  void run(Button which);

  DataLink link_;
  std::array<QToolButton*, ButtonCount> buttons_{};
  bool confirmDelete_ = true;
};

}  // namespace widgets
