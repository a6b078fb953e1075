#pragma once

// The cursor behind xbase::Cursor: a position in natural or tag order over
// one open of a table, with a filter and a record buffer for edits.
//
// Positions are never trusted to stay valid between calls: a record is read
// from the file whenever its values are asked for, the record count is read
// again when a walk reaches its end, and index entries are read afresh at
// each step, so writes by other cursors and processes show at the next call.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "xbase/cdx/cdx_file.h"
#include "xbase/cursor.h"
#include "xbase/expr/expression.h"
#include "xbase/lock.h"
#include "xbase/table.h"
#include "xbase/table_tag.h"

namespace xbase {

class CursorImpl final : public Cursor {
 public:
  CursorImpl(const std::filesystem::path& dbfPath, OpenMode mode);
  ~CursorImpl() override;

  const std::filesystem::path& path() const override { return table_.path(); }
  OpenMode mode() const override { return table_.mode(); }

  const std::vector<FieldInfo>& fields() const override { return table_.header().fields; }
  int fieldIndex(std::string_view name) const override;

  void setOrder(std::string_view tagName) override;
  std::string order() const override;
  std::vector<TagInfo> tags() const override;

  void first() override;
  void last() override;
  void skip(long n) override;
  bool bof() const override { return bof_; }
  bool eof() const override { return eof_; }
  std::uint32_t recno() const override { return recno_; }
  void go(std::uint32_t recno) override;
  bool seek(std::string_view key, bool soft) override;
  std::string keyFor(std::string_view tagName) override;

  std::string value(int field) const override;
  bool deleted() const override;
  std::string valueAt(std::uint32_t recno, int field) override;
  void holdMemoReads() override { table_.holdMemoReads(); }
  void releaseMemoReads() override { table_.releaseMemoReads(); }

  void setExact(bool on) override { options_.exact = on; }
  void setFilter(std::string_view expression) override;
  std::string filter() const override { return filter_ ? filter_->text() : std::string(); }
  void setRecordFilter(RecordFilter test) override {
    requireOutsideRecordFilter("changing the record filter");
    recordFilter_ = std::move(test);
    forgetKeyTests();
  }
  void setKeyFilter(std::string_view keyExpression, KeyFilter test) override;
  std::uint32_t count() override;

  void beginAppend() override;
  void beginEdit() override;
  void setValue(int field, std::string_view value) override;
  void post() override;
  void cancel() override;
  bool editing() const override { return state_ != State::Browse; }
  bool appending() const override { return state_ == State::Append; }
  void deleteRecord() override;
  void deleteRecords(const std::vector<std::uint32_t>& recnos) override;
  void recall(std::uint32_t recno) override;
  void beginBulkAppend() override;
  void endBulkAppend() override;
  void beginBatch() override;
  void commitBatch() override;
  void rollbackBatch() override;
  void lockAppends() override { table_.holdAppends(); }
  void unlockAppends() override { table_.releaseAppends(); }

  void pack() override;
  void reindex() override;
  void createTag(std::string_view name, std::string_view keyExpression) override;

  std::string lastUpdate() const override { return table_.dbf().lastUpdate(); }
  std::uint8_t codePageMark() const override { return table_.header().codePage; }
  const std::string& repairNote() const override { return repairNote_; }

 private:
  enum class State { Browse, Edit, Append };
  enum class Direction { Forward, Backward };

  // --- navigation (cursor_impl.cpp)
  bool passes(std::uint32_t recno, const std::string& key, std::string_view record);
  bool scanNatural(std::uint32_t from, Direction direction);
  // Walks the tag from `from` (its start when absent; `from` itself only
  // when `inclusive`) to the first entry whose record passes; with `onlyKey`
  // set, only entries of that key are met.
  bool scanIndex(std::optional<CdxEntry> from, bool inclusive, Direction direction,
                 const std::string* onlyKey = nullptr);
  bool stepFromCurrent(Direction direction);
  void placeOn(std::uint32_t recno, std::string key);
  void placeNowhere();
  void requireBrowsing(const char* what) const;
  void requireOutsideRecordFilter(const char* what) const;
  void requireField(int field) const;
  std::string currentRecord() const;  // the record as on disk now ("" when none)
  std::string shownRecord() const;    // the record buffer while editing, else currentRecord()
  std::string fieldValue(int field, std::string_view record) const;  // value() of `record`

  // --- the index (cursor_index.cpp)
  const TagRule& rule(int tag);
  int requireTag(std::string_view tagName) const;  // Error NotFound when the index lacks it
  std::string keyOf(int tag, std::string_view record) { return rule(tag).keyOf(record); }
  // A run of index entries read under the index lock, with the index's
  // change counter as it was then. Entries whose key shows that their record
  // fails the filter (see keyNeedle) are read past and left out.
  struct IndexBatch {
    std::vector<CdxEntry> entries;  // the entries whose records are to be tested
    std::optional<CdxEntry> last;   // the last entry read, kept or not: the next batch follows it
    bool reachesEnd = false;        // no entry lies beyond `last`
    std::uint32_t counter = 0;
  };
  // Up to `most` kept entries from `from` on. Entries of a key other than
  // `onlyKey` (when set) are always kept, so that the walk stops at them.
  IndexBatch indexBatch(const std::optional<CdxEntry>& from, bool inclusive, Direction direction, std::size_t most,
                        const std::string* onlyKey);
  // What the current tag's keys tell before a record is read, worked out
  // once per tag and filter. `needle`: the text a key must hold for its
  // record to pass the filter, when the filter is "literal $ <the tag's
  // expression>"; `keyFilter`: whether the caller's key filter applies.
  // Both only when the tag's keys hold its expression's whole value.
  struct KeyTests {
    int tag = -2;  // the tag they were worked out for; -2: none yet
    std::optional<std::string> needle;
    bool keyFilter = false;
  };
  const KeyTests& keyTests();
  void forgetKeyTests() {
    keyTests_.tag = -2;
    lookahead_.tag = -1;  // its entries were chosen under the old filter
  }
  // The caller's key filter for an entry, run like the record filter.
  bool keyMayPass(const CdxEntry& entry);
  bool lookaheadContinues(const CdxEntry& from, Direction direction) const;
  std::optional<CdxEntry> indexSeekGE(std::string_view key);
  void indexChange(std::uint32_t recno, std::string_view oldRecord, std::string_view newRecord);
  void requireExclusive(const char* what) const;

  // --- writing (cursor_write.cpp)
  void storeMemos(bool appendOnly);
  void takeInUncounted();
  void endEdit();
  // Error NotFound when `record` (read under the record lock) is marked deleted.
  static bool isDeletedRecord(std::string_view record);
  void requireNotDeleted(std::string_view record) const;

  Table table_;
  RecordLayout layout_;
  int tag_ = -1;  // -1: natural order
  std::map<int, TagRule> rules_;

  std::uint32_t recno_ = 0;
  std::string key_;  // the current record's key in tag order
  bool bof_ = false;
  bool eof_ = false;

  std::optional<Expression> filter_;
  EvalOptions options_;
  RecordFilter recordFilter_;

  State state_ = State::Browse;
  std::string buffer_;
  std::map<int, std::string> pendingMemos_;
  LockGuard recordLock_;

  std::string block_;  // scratch for block reads

  // The index entries that follow the current one, left from the last
  // batch: trusted by the next step only while the index file's change
  // counter is unchanged, so a walk does not descend the tree at each step.
  // Kept under the filter the batch was read for: a new filter drops it.
  struct Lookahead {
    int tag = -1;  // -1: nothing kept
    Direction direction = Direction::Forward;
    CdxEntry from;              // the entry they follow
    IndexBatch batch;           // the batch they belong to
    std::size_t next = 0;       // the first of `batch.entries` past `from`
    std::size_t batchSize = 4;  // the size of the batch they came from
  } lookahead_;
  KeyTests keyTests_;
  std::string keyFilterExpression_;
  KeyFilter keyFilter_;
  bool insideRecordFilter_ = false;
  std::string_view candidate_;  // the record a record filter is testing, while it runs
  bool bulkAppend_ = false;     // appends leave the index to endBulkAppend
  std::string repairNote_;
};

}  // namespace xbase
