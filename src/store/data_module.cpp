#include "store/data_module.h"

#include "book/address_book.h"
#include "book/name_key.h"
#include "platform/dialogs.h"
#include "platform/long_work.h"
#include "store/abort.h"
#include "store/address_schema.h"
#include "store/ansi_text.h"
#include "store/engine_error.h"
#include "store/restore.h"
#include "xbase/cursor.h"

#include <utility>

namespace store {

namespace {
const QString kNameField = QString::fromLatin1(book::kName);
}

TDM::TDM(QObject* parent) : QObject(parent) {
  for (EngineTable* table : {&tblAddress, &tblFilter, &tblClone}) {
    table->setSettings(EngineSettings1);
    table->setTableName(QString::fromLatin1(book::kTableName));
  }
  tblAddress.setIndexName(QString::fromLatin1(book::kIndexName));
  tblFilter.setIndexName(QString::fromLatin1(book::kTagName));
  tblClone.setIndexName(QString::fromLatin1(book::kIndexName));
  tblClone.setExclusive(true);
  for (DataSource* source : {&dsAddress, &dsFilter, &dsClone}) source->setAutoEdit(false);

  tblAddress.setBeforePost([this](EngineTable& table) { tblAddressBeforePost(table); });
  tblAddress.setRecordWriter({[this](xbase::Cursor& editing) { storeAndRemark(editing); },
                              [this](xbase::Cursor& current) { unmarkAndRemove(current); }});
  tblAddress.setAfterInsert([this](EngineTable& table) { tblAddressAfterInsert(table); });
  tblAddress.setAfterPost([this](EngineTable& table) { tblAddressAfterPost(table); });
  tblAddress.setAfterCancel([this](EngineTable& table) { tblAddressAfterCancel(table); });
  tblAddress.setAfterDelete([this](EngineTable& table) { tblAddressAfterDelete(table); });
  tblAddress.setFilterRecord([this](const RecordView& record) { return tblAddressFilterRecord(record); });
  // In name order the name is tested on the index key (or the record's mark
  // looked up), so the records of names without the text are not read
  // unless their memo has it.
  tblAddress.setFilterKey(QString::fromLatin1(book::kTagKey), [this](std::string_view key, std::uint32_t recordNumber) {
    if (const book::RecordMarks* marks = search_.marks()) return marks->has(recordNumber);
    return search_.accepts(key, [&] { return memoOfRecord(recordNumber); });
  });
  tblAddress.setFilterPassEnded([this] { endMemoPass(); });
  connect(&tblFilter, &EngineTable::activeChanged, this, [this] { memoField_ = -1; });
}

TDM::~TDM() = default;

void TDM::setFolder(const QString& folder) {
  for (EngineTable* table : {&tblAddress, &tblFilter, &tblClone}) table->setFolder(folder);
}

void TDM::setEntryCount(int count) {
  if (entryCount_ == count) return;
  entryCount_ = count;
  emit entryCountChanged(count);
}

void TDM::takeEntryCount() { setEntryCount(tblAddress.recordCount()); }

// --- pack ---------------------------------------------------------------------

void TDM::pack() { maintainExclusively(QStringLiteral("Packing the address table ..."), &xbase::Cursor::pack); }

void TDM::repairIndex() {
  maintainExclusively(QStringLiteral("Rebuilding the index of the address table ..."), &xbase::Cursor::reindex);
}

// The work runs on an exclusive cursor of its own, which lives and dies
// with the long work (off the user-interface thread), while tblAddress is
// closed; tblAddress is then reopened shared whatever happened.
void TDM::maintainExclusively(const QString& step, void (xbase::Cursor::*operation)()) {
  const ControlsDisabled hold(tblAddress);
  runThenRestore(
      [&] {
        tblAddress.close();
        const std::filesystem::path table = toFileSystemPath(tblAddress.filePath());
        const QString component = tblAddress.name();
        platform::runLongWork(step, [&] {
          translateEngineErrors(component,
                                [&] { (*xbase::Cursor::open(table, xbase::OpenMode::Exclusive).*operation)(); });
        });
      },
      [this] { tblAddress.reopen(false); });
}

void TDM::closeFilterAndPack() {
  tblFilter.close();
  tblFilter.setExclusive(false);
  pack();
}

// --- events -------------------------------------------------------------------

void TDM::tblAddressBeforePost(EngineTable& table) {
  postingNewEntry_ = false;
  if (table.state() == DatasetState::Insert) {
    if (nameExists(table.bytes(kNameField))) {
      const QString name = table.text(kNameField);
      platform::dialogs().message(QStringLiteral("ERROR! entry already exists for: ") + name);
      throw Abort();
    }
    postingNewEntry_ = true;
  }
}

// Looks the new name up by the book's name rule through tblFilter: by its
// key in the name tag, or, for a table shown without the tag (it could not
// be built), by a walk comparing name keys. The book dates and stores the
// record after this. The new record is not in the file before the post, so
// it never finds itself. tblFilter is left open when it was open: a
// name-and-memo search reads memos through it.
bool TDM::nameExists(const QByteArray& name) {
  const bool wasOpen = tblFilter.isActive();
  bool found = false;
  runThenRestore(
      [&] {
        tblFilter.open();
        if (!tblFilter.indexName().isEmpty()) {
          found = tblFilter.seekExactKey(QByteArray::fromStdString(book::nameIndexKey(name.toStdString())));
          return;
        }
        const std::string key = book::nameKey(name.toStdString());
        for (tblFilter.first(); !found && !tblFilter.eof(); tblFilter.next())
          found = book::nameKey(tblFilter.bytes(kNameField).toStdString()) == key;
      },
      [&] {
        if (!wasOpen) tblFilter.close();
      });
  return found;
}

void TDM::tblAddressAfterInsert(EngineTable&) { emit focusGridRequested(); }

void TDM::tblAddressAfterPost(EngineTable&) {
  if (postingNewEntry_) setEntryCount(entryCount_ + 1);
  postingNewEntry_ = false;
  emit focusGridRequested();
}

void TDM::tblAddressAfterCancel(EngineTable&) { emit focusGridRequested(); }

void TDM::tblAddressAfterDelete(EngineTable&) {
  setEntryCount(entryCount_ - 1);
  emit focusGridRequested();
}

// The search's per-record test: the record's mark once the search has
// marked the records it finds. Otherwise the memo is read through tblFilter
// by record number, so entries sharing one key are told apart, without
// moving tblFilter. The memos of one pass over tblAddress are read under one
// read lock of the memo file, held from the first memo to the end of the pass.
bool TDM::tblAddressFilterRecord(const RecordView& record) {
  const std::uint32_t recordNumber = record.recordNumber();
  if (const book::RecordMarks* marks = search_.marks()) return marks->has(recordNumber);
  return search_.accepts(record.bytes(kNameField).toStdString(), [&] { return memoOfRecord(recordNumber); });
}

std::string TDM::memoOfRecord(std::uint32_t recordNumber) {
  tblFilter.open();  // no-op while a name-and-memo search keeps it open
  if (!memoPass_) {
    tblFilter.holdMemoReads();
    memoPass_ = true;
  }
  if (memoField_ < 0) memoField_ = tblFilter.record().fieldIndex(QString::fromLatin1(book::kInfo));
  return tblFilter.bytesAt(recordNumber, memoField_);
}

// A record the window stores is tested again, and one it deletes loses its
// mark, so the marks keep following the entries changed while the search is
// in force.
void TDM::storeAndRemark(xbase::Cursor& editing) {
  book::storeEdited(editing);
  book::RecordMarks* marks = search_.marks();
  if (!marks) return;
  const int memo = editing.fieldIndex(book::kInfo);
  marks->set(editing.recno(), search_.accepts(editing.value(book::kName), [&] { return editing.value(memo); }));
}

void TDM::unmarkAndRemove(xbase::Cursor& current) {
  if (book::RecordMarks* marks = search_.marks()) marks->set(current.recno(), false);
  book::removeCurrent(current);
}

void TDM::endMemoPass() {
  if (!std::exchange(memoPass_, false)) return;
  tblFilter.releaseMemoReads();
}

}  // namespace store
