#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "store/dataset_state.h"
#include "store/engine_table.h"

namespace store {

// Links bound controls (grid, memo, navigator) to a table component. It
// relays the table's notifications as its own signals, except while the
// table's controls are disabled: then it holds them back and, when the
// controls are enabled again, emits activeChanged/stateChanged if those
// differ from what the controls last saw, and one dataSetChanged.
//
// Signals a control connects to:
//   dataSetChanged()          reread everything (open, filter, order, post, delete, refresh)
//   dataSetScrolled()         the current record moved
//   recordChanged(field)      a field of the record buffer changed
//   stateChanged(state)       Browse / Edit / Insert / Inactive
//   activeChanged(active)     opened or closed
//   dataSetReplaced()         setDataSet() linked another table (or none)
//
// AutoEdit: when on, typing into a bound control may put the table into Edit
// state by itself; when off, controls stay read-only until a command called
// edit() or append(). Controls ask autoEdit() and the table's state().
class DataSource : public QObject {
  Q_OBJECT

 public:
  explicit DataSource(const QString& name, EngineTable* table = nullptr, QObject* parent = nullptr);

  EngineTable* dataSet() const { return table_; }
  void setDataSet(EngineTable* table);
  bool autoEdit() const { return autoEdit_; }
  void setAutoEdit(bool on) { autoEdit_ = on; }
  // Whether a bound control may change the record now: Edit or Insert state,
  // or Browse with AutoEdit on.
  bool editable() const;

 signals:
  void dataSetChanged();
  void dataSetScrolled();
  void recordChanged(const QString& field);
  void stateChanged(store::DatasetState state);
  void activeChanged(bool active);
  void dataSetReplaced();

 private:
  bool holdBack();
  void relayState(DatasetState state);
  void relayActive(bool active);
  void releaseHeldBack();

  QPointer<EngineTable> table_;
  bool autoEdit_ = true;
  bool heldBack_ = false;
  DatasetState seenState_ = DatasetState::Inactive;
  bool seenActive_ = false;
};

}  // namespace store
