#pragma once

// The address book's table as its writers use it: the one place where an
// entry reaches the table. It applies the book's rules on the way in: the
// duplicate-name rule (name_key.h), the date last stored (clock.h), and
// all-or-nothing batches. The window edits records through its own table
// component and stores them with storeEdited(); everything else (imports,
// the sync, cardlark-db) goes through an AddressBook.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "book/entry.h"
#include "codepage/code_page.h"

namespace xbase {
class Cursor;
}

namespace book {

// What an import does with an entry whose name the table already has.
enum class TakenName { Skip, Rename };

// What AddressBook::merge changed: both entries as they were before and
// the kept one as the merge left it, so that undoMerge can put them back.
struct MergeRecord {
  std::uint32_t keep = 0;
  std::uint32_t other = 0;
  Entry kept;     // `keep` before the merge
  Entry removed;  // `other` before the merge (it is deleted since)
  Entry merged;   // `keep` after the merge
};

// The fate of one entry offered to AddressBook::addNew.
struct AddOutcome {
  enum class Kind { Added, Skipped, Renamed } kind = Kind::Added;
  std::string name;         // the name stored (Renamed) or the one refused (Skipped)
  std::uint32_t recno = 0;  // where it was stored; 0 when skipped
};

class AddressBook {
 public:
  enum class Access {
    Shared,             // beside a running address book or another writer
    ExclusiveWhenFree,  // exclusive when no one else has the table open, else shared
  };

  // Opens the table `dbf`; the engine's error when it cannot be opened, or
  // when it lacks one of the address fields.
  AddressBook(const std::filesystem::path& dbf, Access access);
  ~AddressBook();
  AddressBook(const AddressBook&) = delete;
  AddressBook& operator=(const AddressBook&) = delete;

  const codepage::CodePage& codePage() const { return codePage_; }
  // For reading: walks, seeks and filters. Writing through it bypasses the
  // book's rules; use the functions below.
  xbase::Cursor& cursor() { return *cursor_; }

  // Each live entry with its record number, in the order entered.
  void forEachEntry(const std::function<void(std::uint32_t recno, const Entry& entry)>& visit);
  // The entry at `recno`.
  Entry entryAt(std::uint32_t recno);

  // Stores a new entry dated today and returns its record number. Error
  // Argument "entry already exists for: NAME" when the name is taken.
  std::uint32_t add(const Entry& entry);
  // Replaces the entry at `recno`, dated today. Error Argument when the new
  // name is another entry's.
  void replace(std::uint32_t recno, const Entry& entry);
  void remove(std::uint32_t recno);
  // Removes several entries at once (one lock range, few writes).
  void removeAll(const std::vector<std::uint32_t>& recnos);

  // Appends `count` entries of `source` as they are (their own dates, no
  // name rule: the recovery import) all or none, and returns the record
  // number of the first (0 when none). On failure whatever was stored is
  // taken back and the error says "nothing was imported".
  std::uint32_t addAll(std::uint32_t count, const EntrySource& source);

  // Stores `entries` dated today under the duplicate-name rule, all or none:
  // an entry whose name the table or an earlier entry of the list holds is
  // skipped or stored as "Name (2)". One outcome per entry, in order.
  std::vector<AddOutcome> addNew(const std::vector<Entry>& entries, TakenName taken);

  // Joins the entry `other` into `keep`, two entries of one person: keep's
  // name, the memos joined (joinedMemo), dated today; `other` is deleted.
  // All or none. Error Argument when they are the same record or either
  // is deleted.
  MergeRecord merge(std::uint32_t keep, std::uint32_t other);
  // Takes a merge back, all or none: `keep` gets its memo and date of before
  // and `other` is recalled under its own record number, byte for byte as
  // it was. Error State, with nothing written, when either was changed
  // since (the kept entry edited, the other recalled or packed away) or
  // another entry has taken the other's name meanwhile.
  void undoMerge(const MergeRecord& record);

 private:
  bool nameTaken(std::string_view name, std::uint32_t except, std::uint32_t alsoExcept = 0);
  // addAll, telling `stored` the record number of each entry appended.
  std::uint32_t append(std::uint32_t count, const EntrySource& source,
                       const std::function<void(std::uint32_t recno)>& stored);
  void write(const Entry& entry);

  std::unique_ptr<xbase::Cursor> cursor_;
  codepage::CodePage codePage_;
  int name_ = -1, memo_ = -1, date_ = -1;
  bool hasNameTag_ = false;
};

// The window's way in: the record being edited under `editing` (begun with
// beginAppend or beginEdit, its fields set by the controls) is dated today
// and stored. The window seeks nameIndexKey() beforehand to refuse a taken
// name with its own message.
void storeEdited(xbase::Cursor& editing);

// `kept` followed by each line of `other` that `kept` does not hold
// (trailing blanks aside), lines separated by CR LF: nothing either memo
// says is lost, nothing both say is said twice.
std::string joinedMemo(std::string_view kept, std::string_view other);
void removeCurrent(xbase::Cursor& cursor);

}  // namespace book
