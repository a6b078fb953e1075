#include "app/index_repair.h"

#include <QTimer>

#include "platform/dialogs.h"
#include "store/address_schema.h"
#include "store/data_module.h"
#include "store/error_box.h"

namespace app {

IndexRepairOffer::IndexRepairOffer(store::TDM& dm, std::function<void()> orderChanged, QObject* parent)
    : QObject(parent), dm_(dm), orderChanged_(std::move(orderChanged)) {
  store::setIndexRepairHandler([this] { request(); });
}

IndexRepairOffer::~IndexRepairOffer() { store::setIndexRepairHandler({}); }

void IndexRepairOffer::request() {
  if (pending_) return;
  pending_ = true;
  QTimer::singleShot(0, this, &IndexRepairOffer::offer);
}

void IndexRepairOffer::offer() {
  store::EngineTable& table = dm_.tblAddress;
  try {
    if (table.isActive()) {
      table.cancel();
      table.setIndexName(QString());
    }
    if (orderChanged_) orderChanged_();
    if (platform::dialogs().askYesNo(kIndexRepairQuestion)) {
      dm_.repairIndex();
      table.setIndexName(QString::fromLatin1(book::kIndexName));
      dm_.takeEntryCount();
    }
  } catch (...) {
    pending_ = false;
    if (orderChanged_) orderChanged_();
    store::showErrorBox(std::current_exception());
    return;
  }
  pending_ = false;
  if (orderChanged_) orderChanged_();
}

}  // namespace app
