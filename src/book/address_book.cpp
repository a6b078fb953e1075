#include "book/address_book.h"

#include <unordered_set>

#include "book/clock.h"
#include "book/memo_lines.h"
#include "book/name_key.h"
#include "book/name_tag.h"
#include "book/table_layout.h"
#include "xbase/cursor.h"
#include "xbase/dbf_text.h"
#include "xbase/error.h"

namespace book {

namespace {

// Exclusively when no one else has the table open, which spares each
// append its lock round trips; shared alongside a running address book.
std::unique_ptr<xbase::Cursor> openTable(const std::filesystem::path& dbf, AddressBook::Access access) {
  if (access == AddressBook::Access::ExclusiveWhenFree) {
    try {
      return xbase::Cursor::open(dbf, xbase::OpenMode::Exclusive);
    } catch (const xbase::Error& e) {
      if (e.code() != xbase::ErrorCode::Exclusive) throw;
    }
  }
  return xbase::Cursor::open(dbf, xbase::OpenMode::Shared);
}

// A large import into a table it has to itself is appended without
// per-record index updates and the tags are rebuilt once at the end; a
// rebuild costs about a quarter of a live update per record, so it pays
// once the import adds a third of what the table holds.
constexpr std::uint32_t kBulkImportMinimum = 1000;

void stampToday(xbase::Cursor& cursor) { cursor.setValue(xbase::requireField(cursor, kLastDate), today()); }

// Holds off every other writer's appends while the names are tested and
// the new entries appended, so two writers adding the same name at once
// cannot both find it free.
class AppendsHeld {
 public:
  explicit AppendsHeld(xbase::Cursor& cursor) : cursor_(cursor) { cursor_.lockAppends(); }
  ~AppendsHeld() { cursor_.unlockAppends(); }
  AppendsHeld(const AppendsHeld&) = delete;
  AppendsHeld& operator=(const AppendsHeld&) = delete;

 private:
  xbase::Cursor& cursor_;
};

[[noreturn]] void refuseTakenName(std::string_view name) {
  throw xbase::Error(xbase::ErrorCode::Argument, "entry already exists for: " + std::string(name));
}

}  // namespace

void storeEdited(xbase::Cursor& editing) {
  stampToday(editing);
  editing.post();
}

void removeCurrent(xbase::Cursor& cursor) { cursor.deleteRecord(); }

std::string joinedMemo(std::string_view kept, std::string_view other) {
  const auto withoutTrailingBlanks = [](std::string_view line) {
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    return line;
  };
  std::unordered_set<std::string_view> held;
  for (const std::string_view line : memoLines(kept)) held.insert(withoutTrailingBlanks(line));
  std::string joined(kept);
  // A kept memo that ends with a line break has its last line ended.
  bool lineOpen = !kept.empty() && kept.back() != '\n' && kept.back() != '\r';
  for (const std::string_view line : memoLines(other)) {
    if (held.count(withoutTrailingBlanks(line))) continue;
    if (lineOpen) joined += "\r\n";
    joined += line;
    lineOpen = true;
  }
  return joined;
}

AddressBook::AddressBook(const std::filesystem::path& dbf, Access access)
    : cursor_(openTable(dbf, access)), codePage_(codepage::CodePage::fromMark(cursor_->codePageMark())) {
  name_ = xbase::requireField(*cursor_, kName);
  memo_ = xbase::requireField(*cursor_, kInfo);
  date_ = xbase::requireField(*cursor_, kLastDate);
  hasNameTag_ = hasNameTag(*cursor_);
}

AddressBook::~AddressBook() = default;

void AddressBook::forEachEntry(const std::function<void(std::uint32_t recno, const Entry& entry)>& visit) {
  cursor_->setOrder("");
  for (cursor_->first(); !cursor_->eof(); cursor_->skip()) {
    if (cursor_->deleted()) continue;
    visit(cursor_->recno(), Entry{cursor_->value(name_), cursor_->value(memo_), cursor_->value(date_)});
  }
}

Entry AddressBook::entryAt(std::uint32_t recno) {
  return Entry{cursor_->valueAt(recno, name_), cursor_->valueAt(recno, memo_), cursor_->valueAt(recno, date_)};
}

// Looks the name up in the name tag when the table has it, else walks the
// table; the entries `except` and `alsoExcept` do not count (deleted ones
// are never met).
// The cursor is left in the order entered, where the writers expect it.
bool AddressBook::nameTaken(std::string_view name, std::uint32_t except, std::uint32_t alsoExcept) {
  xbase::Cursor& lookup = *cursor_;
  const std::string key = nameKey(name);
  bool taken = false;
  if (!hasNameTag_) {
    for (lookup.first(); !lookup.eof() && !taken; lookup.skip())
      taken = lookup.recno() != except && lookup.recno() != alsoExcept && nameKey(lookup.value(name_)) == key;
    return taken;
  }
  lookup.setOrder(kTagName);
  const std::string indexKey = nameIndexKey(name);
  for (bool found = lookup.seek(indexKey); found && !lookup.eof() && !taken && lookup.keyFor(kTagName) == indexKey;
       lookup.skip())
    taken = lookup.recno() != except && lookup.recno() != alsoExcept;
  lookup.setOrder("");
  return taken;
}

void AddressBook::write(const Entry& entry) {
  cursor_->setValue(name_, entry.name);
  cursor_->setValue(memo_, entry.memo);
  cursor_->setValue(date_, entry.date);
  cursor_->post();
}

std::uint32_t AddressBook::add(const Entry& entry) {
  AppendsHeld held(*cursor_);
  if (nameTaken(entry.name, 0)) refuseTakenName(entry.name);
  cursor_->beginAppend();
  write(Entry{entry.name, entry.memo, today()});
  return cursor_->recno();
}

void AddressBook::replace(std::uint32_t recno, const Entry& entry) {
  if (nameTaken(entry.name, recno)) refuseTakenName(entry.name);
  cursor_->go(recno);
  cursor_->beginEdit();
  write(Entry{entry.name, entry.memo, today()});
}

void AddressBook::remove(std::uint32_t recno) {
  cursor_->go(recno);
  removeCurrent(*cursor_);
}

void AddressBook::removeAll(const std::vector<std::uint32_t>& recnos) { cursor_->deleteRecords(recnos); }

std::uint32_t AddressBook::addAll(std::uint32_t count, const EntrySource& source) { return append(count, source, {}); }

std::uint32_t AddressBook::append(std::uint32_t count, const EntrySource& source,
                                  const std::function<void(std::uint32_t recno)>& stored) {
  // The table's size from the cursor itself: another open of the table
  // (tableInfo) is refused while this one holds it exclusively.
  const auto lastRecord = [&] {
    cursor_->setOrder("");
    cursor_->last();
    return cursor_->recno();
  };
  const bool bulk = cursor_->mode() == xbase::OpenMode::Exclusive && count >= kBulkImportMinimum &&
                    std::uint64_t{count} * 3 >= lastRecord();
  // All or nothing: an import that fails midway (a damaged index, a full
  // disk) takes back what it had stored, so running it again adds no
  // duplicates.
  cursor_->beginBatch();
  try {
    if (bulk) cursor_->beginBulkAppend();
    std::uint32_t first = 0;
    source([&](const Entry& entry) {
      cursor_->beginAppend();
      write(entry);
      if (first == 0) first = cursor_->recno();
      if (stored) stored(cursor_->recno());
    });
    if (bulk) cursor_->endBulkAppend();
    cursor_->commitBatch();
    return first;
  } catch (const xbase::Error& e) {
    cursor_->rollbackBatch();
    throw xbase::Error(e.code(), std::string(e.what()) + "; nothing was imported");
  } catch (...) {
    cursor_->rollbackBatch();
    throw;
  }
}

MergeRecord AddressBook::merge(std::uint32_t keep, std::uint32_t other) {
  const auto live = [&](std::uint32_t recno) {
    cursor_->go(recno);
    return !cursor_->deleted();
  };
  if (keep == other || !live(keep) || !live(other))
    throw xbase::Error(xbase::ErrorCode::Argument, "cannot merge record " + std::to_string(other) + " into record " +
                                                       std::to_string(keep) + ": not two live entries");
  MergeRecord record{keep, other, entryAt(keep), entryAt(other), {}};
  record.merged = Entry{record.kept.name, joinedMemo(record.kept.memo, record.removed.memo), today()};
  cursor_->beginBatch();
  try {
    cursor_->go(keep);
    cursor_->beginEdit();
    write(record.merged);
    remove(other);
    cursor_->commitBatch();
  } catch (...) {
    cursor_->rollbackBatch();
    throw;
  }
  return record;
}

// The deleted entry is recalled rather than added again: it keeps its
// record number and memo blocks, so the table's entries read exactly as
// before the merge. Both entries are tested under the batch's locks, so no
// other writer's append slips in between the test and the writes.
void AddressBook::undoMerge(const MergeRecord& record) {
  cursor_->beginBatch();
  try {
    const auto refuse = [&](const std::string& why) {
      throw xbase::Error(xbase::ErrorCode::State, "the merge of " + record.removed.name + " into " + record.kept.name +
                                                      " cannot be undone: " + why);
    };
    cursor_->go(record.keep);
    if (cursor_->deleted() || entryAt(record.keep) != record.merged) refuse(record.kept.name + " was changed since");
    cursor_->go(record.other);
    if (!cursor_->deleted() || entryAt(record.other) != record.removed)
      refuse(record.removed.name + " is no longer in the table as it was");
    // The kept entry may share the other's name (a table filled before the
    // duplicate-name rule): that was so before the merge too.
    if (nameTaken(record.removed.name, record.other, record.keep))
      refuse("another entry is named " + record.removed.name);
    // The other entry first: stopped in between, both are live and the
    // kept one still holds every line of the other's memo.
    cursor_->recall(record.other);
    cursor_->go(record.keep);
    cursor_->beginEdit();
    write(record.kept);
    cursor_->commitBatch();
  } catch (...) {
    cursor_->rollbackBatch();
    throw;
  }
}

std::vector<AddOutcome> AddressBook::addNew(const std::vector<Entry>& entries, TakenName taken) {
  AppendsHeld held(*cursor_);  // the names read below stay all there are until the append
  NameRegister names;
  forEachEntry([&](std::uint32_t, const Entry& entry) { names.add(entry.name); });
  std::vector<AddOutcome> outcomes;
  outcomes.reserve(entries.size());
  std::vector<const Entry*> toStore;
  std::vector<AddOutcome*> added;
  for (const Entry& entry : entries) {
    AddOutcome outcome{AddOutcome::Kind::Added, entry.name};
    if (names.contains(entry.name)) {
      if (taken == TakenName::Skip) {
        outcomes.push_back({AddOutcome::Kind::Skipped, entry.name});
        continue;
      }
      outcome = {AddOutcome::Kind::Renamed, names.freeVariant(entry.name)};
    }
    names.add(outcome.name);
    toStore.push_back(&entry);
    outcomes.push_back(std::move(outcome));
  }
  for (AddOutcome& outcome : outcomes)
    if (outcome.kind != AddOutcome::Kind::Skipped) added.push_back(&outcome);
  const std::string date = today();
  std::size_t next = 0;
  append(
      static_cast<std::uint32_t>(toStore.size()),
      [&](const auto& store) {
        for (std::size_t i = 0; i < toStore.size(); ++i) store(Entry{added[i]->name, toStore[i]->memo, date});
      },
      [&](std::uint32_t recno) { added[next++]->recno = recno; });
  return outcomes;
}

}  // namespace book
