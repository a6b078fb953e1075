#include "widgets/data_link.h"

namespace widgets {

using store::DatasetState;
using store::DataSource;

DataLink::DataLink(QObject* parent) : QObject(parent) {}

bool DataLink::setDataSource(DataSource* source) {
  if (source_ == source) return false;
  if (source_) disconnect(source_, nullptr, this, nullptr);
  source_ = source;
  if (source_) {
    connect(source_, &DataSource::dataSetChanged, this, &DataLink::dataSetChanged);
    connect(source_, &DataSource::dataSetScrolled, this, &DataLink::dataSetScrolled);
    connect(source_, &DataSource::recordChanged, this, [this](const QString& field) {
      if (matchesField(field)) emit fieldChanged();
    });
    connect(source_, &DataSource::stateChanged, this, &DataLink::stateChanged);
    connect(source_, &DataSource::activeChanged, this, &DataLink::activeChanged);
    connect(source_, &DataSource::dataSetReplaced, this, &DataLink::dataSetReplaced);
  }
  return true;
}

store::EngineTable* DataLink::table() const { return source_ ? source_->dataSet() : nullptr; }

bool DataLink::active() const {
  const store::EngineTable* t = table();
  return t && t->isActive();
}

bool DataLink::editing() const {
  const store::EngineTable* t = table();
  return t && (t->state() == DatasetState::Edit || t->state() == DatasetState::Insert);
}

bool DataLink::hasRecord() const {
  const store::EngineTable* t = table();
  return t && t->isActive() && !(t->isEmpty() && t->state() == DatasetState::Browse);
}

codepage::CodePage DataLink::codePage() const {
  const store::EngineTable* t = table();
  return t ? t->codePage() : codepage::CodePage();
}

void DataLink::onEveryChange(QObject* receiver, const std::function<void()>& followState,
                             const std::function<void()>& reload) {
  for (auto signal :
       {&DataLink::dataSetChanged, &DataLink::dataSetScrolled, &DataLink::dataSetReplaced, &DataLink::fieldChanged})
    connect(this, signal, receiver, reload);
  connect(this, &DataLink::activeChanged, receiver, reload);
  connect(this, &DataLink::stateChanged, receiver, [followState, reload] {
    followState();
    reload();
  });
}

bool DataLink::matchesField(const QString& changed) const {
  return changed.isEmpty() || changed.compare(field_, Qt::CaseInsensitive) == 0;
}

}  // namespace widgets
