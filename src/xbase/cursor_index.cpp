// The cursor's tag order: key expressions, index navigation under the index
// lock, seeks and keeping the tags current when records change.

#include "xbase/cursor_impl.h"
#include "xbase/error.h"
#include "xbase/expr/expression_node.h"

namespace xbase {

const TagRule& CursorImpl::rule(int tag) {
  auto found = rules_.find(tag);
  if (found != rules_.end()) return found->second;
  CdxFile& cdx = *table_.cdx();
  TagRule compiled(cdx.tag(tag), cdx.options(tag), layout_, path().filename().string());
  // The file does not record the pad byte of non-character keys.
  if (compiled.pad() != ' ') cdx.setPadByte(tag, compiled.pad());
  return rules_.emplace(tag, std::move(compiled)).first->second;
}

CursorImpl::IndexBatch CursorImpl::indexBatch(const std::optional<CdxEntry>& from, bool inclusive, Direction direction,
                                              std::size_t most, const std::string* onlyKey) {
  // Entries read past hold the index lock too: a batch ends after this many
  // read, kept or not, so that writers get their turn during a long walk.
  constexpr std::size_t kMostRead = 16384;
  // A descending tag keeps its keys ascending and is read backwards.
  const bool forward = (direction == Direction::Forward) != rule(tag_).descending();
  const std::string* needle = keyTests().needle ? &*keyTests().needle : nullptr;
  IndexBatch batch;
  batch.reachesEnd = true;
  std::size_t read = 0;
  LockGuard lock = table_.indexLock(false);
  batch.counter = table_.indexChangeCounter();
  table_.cdx()->scan(tag_, from, forward, [&](const CdxEntry& entry) {
    if (!inclusive && from && entry.recno == from->recno && entry == *from) return true;  // the starting entry itself
    const bool keep = !needle || expr::containsString(*needle, entry.key) || (onlyKey && entry.key != *onlyKey);
    if (keep) batch.entries.push_back(entry);
    if (batch.entries.size() < most && ++read < kMostRead) return true;
    batch.last = entry;
    batch.reachesEnd = false;
    return false;
  });
  return batch;
}

const CursorImpl::KeyTests& CursorImpl::keyTests() {
  if (keyTests_.tag == tag_) return keyTests_;
  keyTests_ = KeyTests{tag_, std::nullopt, false};
  if (tag_ < 0 || !rule(tag_).keyHoldsWholeValue()) return keyTests_;
  const std::string& expression = rule(tag_).info().expression;
  if (filter_) {
    if (const auto needle = filter_->literalContainedIn(expression)) keyTests_.needle = std::string(*needle);
  }
  keyTests_.keyFilter = recordFilter_ && keyFilter_ && writtenAlike(expression, keyFilterExpression_);
  return keyTests_;
}

void CursorImpl::setKeyFilter(std::string_view keyExpression, KeyFilter test) {
  requireOutsideRecordFilter("changing the key filter");
  keyFilterExpression_ = keyExpression;
  keyFilter_ = std::move(test);
  forgetKeyTests();
}

bool CursorImpl::keyMayPass(const CdxEntry& entry) {
  insideRecordFilter_ = true;  // the test may not move this cursor
  candidate_ = {};
  struct Leave {
    bool& flag;
    ~Leave() { flag = false; }
  } leave{insideRecordFilter_};
  return keyFilter_(entry.key, entry.recno);
}

bool CursorImpl::lookaheadContinues(const CdxEntry& from, Direction direction) const {
  // The counter is read without the index lock: a change under way has not
  // advanced it yet, and the kept entries show the index as it was before.
  return lookahead_.tag == tag_ && lookahead_.direction == direction && lookahead_.from == from &&
         table_.indexChangeCounter() == lookahead_.batch.counter;
}

std::optional<CdxEntry> CursorImpl::indexSeekGE(std::string_view key) {
  LockGuard lock = table_.indexLock(false);
  return table_.cdx()->seekGE(tag_, key);
}

void CursorImpl::setOrder(std::string_view tagName) {
  requireBrowsing("changing the order");
  lookahead_.tag = -1;
  if (tagName.empty()) {
    tag_ = -1;
    key_.clear();
    return;
  }
  const int tag = requireTag(tagName);
  rule(tag);  // a tag whose key cannot be computed is refused here, not midway
  tag_ = tag;
  const std::string record = currentRecord();
  key_ = record.empty() ? std::string() : keyOf(tag_, record);
}

int CursorImpl::requireTag(std::string_view tagName) const {
  const int tag = table_.cdx() ? table_.cdx()->findTag(tagName) : -1;
  if (tag < 0)
    throw Error(ErrorCode::NotFound,
                "Tag " + std::string(tagName) + " not found in the index of " + path().filename().string());
  return tag;
}

std::string CursorImpl::keyFor(std::string_view tagName) {
  const int tag = requireTag(tagName);
  const std::string record = shownRecord();
  return record.empty() ? std::string() : keyOf(tag, record);
}

std::string CursorImpl::order() const { return tag_ < 0 ? std::string() : table_.cdx()->tag(tag_).name; }

std::vector<TagInfo> CursorImpl::tags() const { return table_.cdx() ? table_.cdx()->tags() : std::vector<TagInfo>{}; }

bool CursorImpl::seek(std::string_view key, bool soft) {
  requireBrowsing("seeking");
  if (tag_ < 0) throw Error(ErrorCode::State, "No parseable expressions in setting key fields");
  const TagRule& current = rule(tag_);
  const std::string whole = current.keyFromText(key);
  const std::uint32_t savedRecno = recno_;
  const std::string savedKey = key_;
  const bool savedBof = bof_, savedEof = eof_;
  if (!soft) {
    const CdxEntry from{whole, current.descending() ? UINT32_MAX : 0};
    if (scanIndex(from, true, Direction::Forward, &whole)) return true;
    recno_ = savedRecno;
    key_ = savedKey;
    bof_ = savedBof;
    eof_ = savedEof;
    return false;
  }
  // Ascending: the first key not below the probe (a short probe compares as
  // a prefix); descending: the first key not above it.
  const std::string probe = key.size() < whole.size() ? std::string(key) : whole;
  const std::optional<CdxEntry> start = current.descending() ? std::optional<CdxEntry>(CdxEntry{whole, UINT32_MAX})
                                                             : indexSeekGE(probe);
  if (!start || !scanIndex(start, true, Direction::Forward)) {
    placeNowhere();
    bof_ = false;
    eof_ = true;
    return false;
  }
  return key_ == whole;
}

void CursorImpl::indexChange(std::uint32_t recno, std::string_view oldRecord, std::string_view newRecord) {
  CdxFile* cdx = table_.cdx();
  if (!cdx) return;
  struct Change {
    int tag;
    std::optional<std::string> remove, insert;
  };
  std::vector<Change> changes;
  for (int tag = 0; tag < cdx->tagCount(); ++tag) {
    const TagRule& r = rule(tag);
    Change change{tag, {}, {}};
    if (!oldRecord.empty() && r.admits(oldRecord)) change.remove = r.keyOf(oldRecord);
    if (r.admits(newRecord)) change.insert = r.keyOf(newRecord);
    if (change.remove && change.insert && *change.remove == *change.insert) continue;
    if (change.remove || change.insert) changes.push_back(std::move(change));
  }
  if (changes.empty()) return;
  LockGuard lock = table_.indexLock(true);
  for (const Change& change : changes) {
    if (change.remove) cdx->remove(change.tag, *change.remove, recno);
    if (!change.insert) continue;
    if (rule(change.tag).unique()) {  // a unique tag keeps the first record of a key only
      auto existing = cdx->seekGE(change.tag, *change.insert);
      if (existing && existing->key == *change.insert) continue;
    }
    cdx->insert(change.tag, *change.insert, recno);
  }
}

}  // namespace xbase
