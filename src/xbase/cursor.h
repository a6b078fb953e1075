#pragma once

// The public face of the table engine: create a table, open cursors on it,
// move, read, filter, seek and write. The helpers every layer and tool
// shares sit beside it: xbase/error.h (the engine's errors),
// xbase/table_files.h (a table's files, found ignoring case) and
// xbase/dbf_text.h (asciiUpper and the other text rules of the engine).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/error.h"
#include "xbase/table_types.h"

namespace xbase {

struct TableInfo {
  int version = 0;                // DBF version byte
  std::uint32_t recordCount = 0;  // records in the file, deleted ones included
  std::string lastUpdate;         // "MM/DD/YY"
  std::uint8_t codePageMark = 0;  // header byte 29: the code page of the text
  std::vector<FieldInfo> fields;
  int memoBlockSize = 0;  // 0 when the table has no memo file
  std::vector<TagInfo> tags;
};

// Creates an empty table from a field list such as
// "Name,Char,30;Info,Memo;LastDate,Date;" (types Char, Memo, Date, also
// Numeric,N,D / Logical / Integer). `base` is the folder and table name
// without extension ("dir/Address"); files are written as the upper-cased
// name with ".DBF", and ".fpt" for the memo file. memoBlockSize 0 means the
// default of 64. `codePageMark` is the header's code page mark (0x03:
// Windows-1252). Fails if the DBF exists.
void createTable(const std::filesystem::path& base, std::string_view fieldList, int memoBlockSize = 0,
                 std::uint8_t codePageMark = kWindowsAnsiMark);

// Facts about a table on disk (opens it shared for the moment of reading).
TableInfo tableInfo(const std::filesystem::path& dbfPath);

// True when a bulk load into the table was interrupted and its index lags
// behind the records: the next exclusive open rebuilds it.
bool indexLagsBehind(const std::filesystem::path& dbfPath);

// A cursor: one open of a table with its own position, order, filter and
// record buffer. Several cursors on one table, in this process or another,
// see each other's writes at their next read.
class Cursor {
 public:
  // Opens the DBF with its memo file and its structural CDX (both found by
  // name beside it, ignoring case of the extension). Natural order at top.
  // An exclusive open takes whole records lying past the header's count
  // into the table (count and tags), and moves a partial record at the end
  // of the file to "<DBF>.partial". When a bulk load was interrupted (its
  // mark lies beside the index), an exclusive open rebuilds every tag and
  // says so in repairNote(); a shared open cannot, and fails with Error
  // Corrupt rather than seek through an index that lacks records.
  static std::unique_ptr<Cursor> open(const std::filesystem::path& dbfPath, OpenMode mode);
  virtual ~Cursor() = default;

  virtual const std::filesystem::path& path() const = 0;
  virtual OpenMode mode() const = 0;

  // --- schema
  virtual const std::vector<FieldInfo>& fields() const = 0;
  virtual int fieldIndex(std::string_view name) const = 0;  // ignores case; -1 if none

  // --- order: a tag name (ignoring case) or "" for natural order.
  // Keeps the current record current. Unknown tag: Error NotFound.
  virtual void setOrder(std::string_view tagName) = 0;
  virtual std::string order() const = 0;  // "" in natural order
  virtual std::vector<TagInfo> tags() const = 0;

  // --- navigation; only non-deleted records passing the filters are met.
  // Past the end no record is current (recno() 0, values ""), and skip(-1)
  // from there goes to the last record; before the start the first record
  // stays current. first()/last() on an empty view set both bof() and eof().
  // Moving, seeking or changing the order while editing: Error State.
  virtual void first() = 0;
  virtual void last() = 0;
  virtual void skip(long n = 1) = 0;  // past the end: eof() true; before the start: bof() true
  virtual bool bof() const = 0;
  virtual bool eof() const = 0;
  virtual std::uint32_t recno() const = 0;   // 0 when on no record
  virtual void go(std::uint32_t recno) = 0;  // positions on that record (a bookmark), even
                                             // a deleted or filtered one; no such record: Error NotFound
  // Seek in the current tag's order with the key as given (the caller
  // upper-cases it). exact: found -> positioned, true; miss -> position kept,
  // false. soft: positioned on the first key not below (eof when none);
  // returns whether the key matched exactly. Natural order: Error State
  // "No parseable expressions in setting key fields".
  virtual bool seek(std::string_view key, bool soft = false) = 0;
  // The key the tag `tagName` (ignoring case) gives the current record, or
  // the record buffer while editing, built from the tag's own expression as
  // the index stores it; seek() takes it as it is. "" on no record. Unknown
  // tag: Error NotFound.
  virtual std::string keyFor(std::string_view tagName) = 0;

  // --- reading the current record (or the record buffer while editing)
  // Char: bytes without trailing blanks. Memo: the whole text. Date:
  // "YYYYMMDD" or "" when blank. Numeric/Logical/Integer: their text.
  virtual std::string value(int field) const = 0;
  std::string value(std::string_view fieldName) const;
  virtual bool deleted() const = 0;
  // The text of `field` in record `recno` as on disk now, in the same forms
  // as value(), read without moving the cursor or touching its buffer (a
  // deleted or filtered record reads too). No such record: Error NotFound.
  virtual std::string valueAt(std::uint32_t recno, int field) = 0;

  // --- a run of memo reads (a walk that reads many memos): between
  // holdMemoReads and releaseMemoReads the memo file's read lock is held
  // once instead of taken and dropped for each memo, so nobody can change
  // the memo file meanwhile, and memos are read through a buffer that grows
  // while they are visited in file order. Holds nest. A write by this
  // cursor ends the hold (its lock gives way to the writer's).
  virtual void holdMemoReads() = 0;
  virtual void releaseMemoReads() = 0;

  // --- filters
  // exact on: "=" compares whole strings, trailing blanks ignored.
  virtual void setExact(bool on) = 0;
  // An engine-side filter expression; "" clears. Malformed: Error Expression.
  virtual void setFilter(std::string_view expression) = 0;
  virtual std::string filter() const = 0;
  // A caller's per-record test, applied after the expression; empty clears.
  using RecordFilter = std::function<bool(Cursor&)>;
  virtual void setRecordFilter(RecordFilter test) = 0;
  // A caller's test of an index entry before its record is read, while the
  // record filter is set and the order is a tag whose key expression is
  // written like `keyExpression` (token for token, names in any case) and
  // whose keys hold that expression's whole value. False passes the record
  // by unread; true leaves it to the other filters, so the test must hold
  // for every record they accept. It may read other cursors, not this one.
  // An empty test clears.
  using KeyFilter = std::function<bool(std::string_view key, std::uint32_t recno)>;
  virtual void setKeyFilter(std::string_view keyExpression, KeyFilter test) = 0;
  // Non-deleted records passing the filter expression (not the callback).
  virtual std::uint32_t count() = 0;

  // --- writing. beginAppend/beginEdit fill the record buffer; setValue
  // changes it; post writes it (append: the record is added only now; edit:
  // record locked from beginEdit until post or cancel). Tags maintained.
  virtual void beginAppend() = 0;
  virtual void beginEdit() = 0;
  virtual void setValue(int field, std::string_view value) = 0;  // same text forms as value()
  void setValue(std::string_view fieldName, std::string_view value);
  virtual void post() = 0;
  virtual void cancel() = 0;
  virtual bool editing() const = 0;    // inside beginEdit or beginAppend
  virtual bool appending() const = 0;  // inside beginAppend
  virtual void deleteRecord() = 0;     // marks the current record deleted; moves on to the next
                                       // (eof when none); while appending it drops the new record
  // Marks the records `recnos` deleted (one already deleted stays so) and
  // goes to the top. When none of them is being edited elsewhere they are
  // locked together and their flags written in few large writes; else
  // they are deleted one by one in the order given, with deleteRecord's
  // errors. A number past the table: Error NotFound, as go() gives it.
  virtual void deleteRecords(const std::vector<std::uint32_t>& recnos) = 0;
  // Clears the deletion mark of record `recno` and goes to it (a merge
  // taken back). A deleted record kept its index entries, so the flag is
  // the only byte written. A number past the table: Error NotFound.
  virtual void recall(std::uint32_t recno) = 0;

  // --- bulk loading (exclusive opens only): between beginBulkAppend and
  // endBulkAppend, posted appends skip the per-record index update and
  // endBulkAppend rebuilds every tag in one pass, which is many times faster
  // for a large import. The records and their memos are written in large
  // pieces (memos first, the header's count last), not one by one; they
  // read as stored meanwhile. Interrupted in between, the records written
  // so far are stored and the index lags behind them: beginBulkAppend
  // leaves a mark beside the index ("<index>.rebuild") that only a
  // rebuild of the tags (endBulkAppend, reindex, pack, the next exclusive
  // open) or a rollback of the batch removes.
  virtual void beginBulkAppend() = 0;
  virtual void endBulkAppend() = 0;

  // --- all or nothing: between beginBatch and commitBatch the cursor's
  // writes are kept from mixing with anyone else's (other writers wait),
  // and rollbackBatch puts the table, memo and index files back as they
  // were at beginBatch, whatever was written in between. Any open mode.
  virtual void beginBatch() = 0;
  virtual void commitBatch() = 0;
  virtual void rollbackBatch() = 0;

  // --- appends held off: between lockAppends and unlockAppends no other
  // cursor or program appends to the table (they wait), so a test of what
  // the table holds (a name not yet taken) stays true until this cursor's
  // own appends that follow it. Reads made after lockAppends see every
  // append made before. Calls nest; a batch may begin inside. Nothing to
  // hold on an exclusive open.
  virtual void lockAppends() = 0;
  virtual void unlockAppends() = 0;

  // --- maintenance (exclusive opens only): deleted records leave the DBF,
  // memo space is reclaimed, every tag is rebuilt; cursor at top.
  virtual void pack() = 0;
  virtual void reindex() = 0;
  // Adds a tag to the structural CDX (creating it when missing); exclusive.
  virtual void createTag(std::string_view name, std::string_view keyExpression) = 0;

  // What the open repaired on its own (an index rebuilt after an
  // interrupted bulk load), for the user to read; "" when nothing.
  virtual const std::string& repairNote() const = 0;

  // The header's date of last update as "MM/DD/YY".
  virtual std::string lastUpdate() const = 0;
  // The header's code page mark (byte 29): which single-byte character set
  // the text fields and memos are in; 0 when the table has none.
  virtual std::uint8_t codePageMark() const = 0;
};

// The index of the field `name` (ignoring case) of the cursor's table;
// Error NotFound naming the field and the table when it has none.
int requireField(const Cursor& cursor, std::string_view name);

}  // namespace xbase
