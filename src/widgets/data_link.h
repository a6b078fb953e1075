#pragma once

// The link between one bound control and a data source.
//
// A control holds a DataLink instead of connecting to the data source itself:
// the link connects and disconnects, relays the source's notifications as its
// own signals, answers whether the change of a field concerns the control's
// field, and asks the linked table the questions every control asks (is it
// there, open, being edited). Linking to another source drops every
// connection to the previous one.

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "store/data_source.h"
#include "store/dataset_state.h"
#include "store/engine_table.h"

namespace widgets {

class DataLink : public QObject {
  Q_OBJECT

 public:
  explicit DataLink(QObject* parent = nullptr);

  // Links to `source` (nullptr unlinks). Returns false, doing nothing, when
  // the link is already on `source`.
  bool setDataSource(store::DataSource* source);
  store::DataSource* dataSource() const { return source_; }

  // The table behind the source; nullptr when unlinked or the source has none.
  store::EngineTable* table() const;
  // The table is there and open.
  bool active() const;
  // The table is in Edit or Insert state.
  bool editing() const;
  // There is a record to show: the table is open and not an empty table
  // being browsed (an empty table being appended to shows the new record).
  bool hasRecord() const;
  // The code page of the table's text (Windows-1252 without a table): what
  // the control's editor may accept (widgets/text_guard.h).
  codepage::CodePage codePage() const;

  // The field the control shows; empty for a control over the whole record.
  void setField(const QString& field) { field_ = field; }
  const QString& field() const { return field_; }
  // Whether a change of `changed` concerns the control: the whole record (an
  // empty name) or the control's own field, compared ignoring case.
  bool matchesField(const QString& changed) const;

  // For a control over one field: after every notification it calls
  // `reload`, and on a change of state `followState` first.
  void onEveryChange(QObject* receiver, const std::function<void()>& followState, const std::function<void()>& reload);

 signals:
  void dataSetChanged();                         // reread everything
  void dataSetScrolled();                        // the current record moved
  void fieldChanged();                           // the control's field (or the whole record) changed
  void stateChanged(store::DatasetState state);  // Browse / Edit / Insert / Inactive
  void activeChanged(bool active);               // opened or closed
  void dataSetReplaced();                        // the source linked another table (or none)

 private:
  QPointer<store::DataSource> source_;
  QString field_;
};

}  // namespace widgets
