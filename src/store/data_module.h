#pragma once

#include <QObject>
#include <QString>

namespace xbase {
class Cursor;
}

#include "store/data_source.h"
#include "store/engine_settings.h"
#include "store/engine_table.h"
#include "store/search_filter.h"

namespace store {

// The data module: three table components on the one address table, their
// data sources, the engine settings, the table's rules (duplicate names,
// last-change date), the entry count, the search filter values and pack.
//
// After construction all tables are closed with folder ".", table
// "ADDRESS.DBF"; start-up sets the folder and opens tblAddress.
//
// The module shows messages through platform::dialogs() and reads today's
// date from platform::Clock.
class TDM : public QObject {
  Q_OBJECT

 public:
  explicit TDM(QObject* parent = nullptr);
  ~TDM() override;

  EngineSettings EngineSettings1;
  EngineTable tblAddress{QStringLiteral("tblAddress")};  // main cursor: grid, memo, search
  DataSource dsAddress{QStringLiteral("dsAddress"), &tblAddress};
  EngineTable tblFilter{QStringLiteral("tblFilter")};  // duplicate test, memo search
  DataSource dsFilter{QStringLiteral("dsFilter"), &tblFilter};
  EngineTable tblClone{QStringLiteral("tblClone")};  // reports
  DataSource dsClone{QStringLiteral("dsClone"), &tblClone};

  // Gives all three tables the data folder.
  void setFolder(const QString& folder);

  // --- entry count: non-deleted entries, kept in memory
  int entryCount() const { return entryCount_; }
  void setEntryCount(int count);
  // Sets the entry count to tblAddress's record count (start-up).
  void takeEntryCount();

  // --- search values read by the per-record test
  SearchFilter& search() { return search_; }
  const SearchFilter& search() const { return search_; }

  // Pack: controls held back, tblAddress closed and reopened exclusive,
  // packed, then - whatever happened - closed, reopened shared and the
  // controls resumed. An engine error is rethrown after the reopen.
  // The pack and the repair run as long work (platform::runLongWork).
  void pack();
  // Rebuilds every tag of the index the same way (an exclusive open takes
  // in whole records past the header's count; a reindex gives every record
  // its keys), for an index that disagrees with the table.
  void repairIndex();
  // Closes tblFilter if open, makes it shared, then packs (maintenance).
  void closeFilterAndPack();

  // --- handlers of tblAddress's events
  void tblAddressBeforePost(EngineTable& table);
  void tblAddressAfterInsert(EngineTable& table);
  void tblAddressAfterPost(EngineTable& table);
  void tblAddressAfterCancel(EngineTable& table);
  void tblAddressAfterDelete(EngineTable& table);
  bool tblAddressFilterRecord(const RecordView& record);

 signals:
  // After insert, post, cancel and delete: give the grid the keyboard focus.
  void focusGridRequested();
  void entryCountChanged(int count);

 private:
  void maintainExclusively(const QString& step, void (xbase::Cursor::*operation)());
  bool nameExists(const QByteArray& name);
  std::string memoOfRecord(std::uint32_t recordNumber);
  void endMemoPass();  // after a pass over tblAddress that read memos
  // tblAddress's writer: the book's, with the search's marks kept current.
  void storeAndRemark(xbase::Cursor& editing);
  void unmarkAndRemove(xbase::Cursor& current);

  int entryCount_ = 0;
  bool postingNewEntry_ = false;
  SearchFilter search_;
  bool memoPass_ = false;  // tblFilter holds memo reads for a pass
  int memoField_ = -1;     // the memo field's index in tblFilter
};

}  // namespace store
