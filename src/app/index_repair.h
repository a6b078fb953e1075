#pragma once

// The window's answer to an index that disagrees with its table: the grid
// switches to the order entered (which needs no index), so it shows the
// table as it is, and the user is asked once whether to repair the index
// (an exclusive reindex); afterwards the alphabetical order returns.

#include <QObject>
#include <QString>
#include <functional>

namespace store {
class TDM;
}

namespace app {

inline const QString kIndexRepairQuestion = QStringLiteral(
    "The index of the address table does not agree with the table.\n"
    "The entries are shown in the order entered meanwhile.\n"
    "Repair the index now?");

class IndexRepairOffer : public QObject {
  Q_OBJECT

 public:
  // `orderChanged` tells the window which order is in force afterwards.
  IndexRepairOffer(store::TDM& dm, std::function<void()> orderChanged, QObject* parent = nullptr);
  ~IndexRepairOffer() override;

  // Asks from the event loop, once however often the fault is met meanwhile.
  void request();

 private:
  void offer();

  store::TDM& dm_;
  std::function<void()> orderChanged_;
  bool pending_ = false;
};

}  // namespace app
