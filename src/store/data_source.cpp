#include "store/data_source.h"

namespace store {

DataSource::DataSource(const QString& name, EngineTable* table, QObject* parent) : QObject(parent) {
  setObjectName(name);
  setDataSet(table);
}

void DataSource::setDataSet(EngineTable* table) {
  if (table_) disconnect(table_, nullptr, this, nullptr);
  table_ = table;
  heldBack_ = false;
  seenState_ = table ? table->state() : DatasetState::Inactive;
  seenActive_ = table && table->isActive();
  if (table) {
    connect(table, &EngineTable::dataSetChanged, this, [this] {
      if (!holdBack()) emit dataSetChanged();
    });
    connect(table, &EngineTable::dataSetScrolled, this, [this] {
      if (!holdBack()) emit dataSetScrolled();
    });
    connect(table, &EngineTable::recordChanged, this, [this](const QString& field) {
      if (!holdBack()) emit recordChanged(field);
    });
    connect(table, &EngineTable::stateChanged, this, [this](DatasetState state) {
      if (!holdBack()) relayState(state);
    });
    connect(table, &EngineTable::activeChanged, this, [this](bool active) {
      if (!holdBack()) relayActive(active);
    });
    connect(table, &EngineTable::controlsReenabled, this, &DataSource::releaseHeldBack);
  }
  emit dataSetReplaced();
}

bool DataSource::editable() const {
  if (!table_) return false;
  const DatasetState state = table_->state();
  return state == DatasetState::Edit || state == DatasetState::Insert || (state == DatasetState::Browse && autoEdit_);
}

bool DataSource::holdBack() {
  if (!table_->controlsDisabled()) return false;
  heldBack_ = true;
  return true;
}

void DataSource::relayState(DatasetState state) {
  seenState_ = state;
  emit stateChanged(state);
}

void DataSource::relayActive(bool active) {
  seenActive_ = active;
  emit activeChanged(active);
}

void DataSource::releaseHeldBack() {
  if (!heldBack_) return;
  heldBack_ = false;
  if (table_->isActive() != seenActive_) relayActive(table_->isActive());
  if (table_->state() != seenState_) relayState(table_->state());
  emit dataSetChanged();
}

}  // namespace store
