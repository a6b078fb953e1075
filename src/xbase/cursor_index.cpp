// The cursor's tag order: key expressions, index navigation under the index
// lock, seeks and keeping the tags current when records change.

#include "xbase/cursor_impl.h"
#include "xbase/error.h"

namespace xbase {

const Expression& CursorImpl::keyExpression(int tag) {
  auto found = keyExpressions_.find(tag);
  if (found != keyExpressions_.end()) return found->second;
  const TagInfo& info = table_.cdx()->tag(tag);
  try {
    return keyExpressions_.emplace(tag, Expression::parse(info.expression, layout_)).first->second;
  } catch (const Error& e) {
    throw Error(e.code(), "Tag " + info.name + " of " + path().filename().string() + ": " + e.what());
  }
}

std::string CursorImpl::keyOf(int tag, std::string_view record) {
  std::string key = keyExpression(tag).key(record);
  key.resize(static_cast<std::size_t>(table_.cdx()->tag(tag).keyLength), ' ');
  return key;
}

std::vector<CdxEntry> CursorImpl::indexBatch(const std::optional<CdxEntry>& from, bool inclusive,
                                             Direction direction, std::size_t most) {
  std::vector<CdxEntry> batch;
  LockGuard lock = table_.indexLock(false);
  table_.cdx()->scan(tag_, from, direction == Direction::Forward, [&](const CdxEntry& entry) {
    if (!inclusive && from && entry == *from) return true;  // the starting entry itself
    batch.push_back(entry);
    return batch.size() < most;
  });
  return batch;
}

std::optional<CdxEntry> CursorImpl::indexSeekGE(std::string_view key) {
  LockGuard lock = table_.indexLock(false);
  return table_.cdx()->seekGE(tag_, key);
}

void CursorImpl::setOrder(std::string_view tagName) {
  requireBrowsing("changing the order");
  if (tagName.empty()) {
    tag_ = -1;
    key_.clear();
    return;
  }
  const int tag = table_.cdx() ? table_.cdx()->findTag(tagName) : -1;
  if (tag < 0)
    throw Error(ErrorCode::NotFound, "Tag " + std::string(tagName) + " not found in the index of " +
                                         path().filename().string());
  keyExpression(tag);  // a tag whose key cannot be computed is refused here, not midway
  tag_ = tag;
  const std::string record = currentRecord();
  key_ = record.empty() ? std::string() : keyOf(tag_, record);
}

std::string CursorImpl::order() const { return tag_ < 0 ? std::string() : table_.cdx()->tag(tag_).name; }

std::vector<TagInfo> CursorImpl::tags() const {
  return table_.cdx() ? table_.cdx()->tags() : std::vector<TagInfo>{};
}

bool CursorImpl::seek(std::string_view key, bool soft) {
  requireBrowsing("seeking");
  if (tag_ < 0) throw Error(ErrorCode::State, "No parseable expressions in setting key fields");
  const std::string whole = keyExpression(tag_).keyFromText(key);
  const std::uint32_t savedRecno = recno_;
  const std::string savedKey = key_;
  const bool savedBof = bof_, savedEof = eof_;
  if (!soft) {
    if (scanIndex(CdxEntry{whole, 0}, true, Direction::Forward, &whole)) return true;
    recno_ = savedRecno;
    key_ = savedKey;
    bof_ = savedBof;
    eof_ = savedEof;
    return false;
  }
  const std::string probe = key.size() < whole.size() ? std::string(key) : whole;
  const std::optional<CdxEntry> start = indexSeekGE(probe);
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
  std::vector<std::pair<int, std::pair<std::string, std::string>>> changes;
  for (int tag = 0; tag < cdx->tagCount(); ++tag) {
    std::string before = oldRecord.empty() ? std::string() : keyOf(tag, oldRecord);
    std::string after = keyOf(tag, newRecord);
    if (oldRecord.empty() || before != after) changes.push_back({tag, {std::move(before), std::move(after)}});
  }
  if (changes.empty()) return;
  LockGuard lock = table_.indexLock(true);
  for (const auto& [tag, keys] : changes) {
    if (!oldRecord.empty()) cdx->remove(tag, keys.first, recno);
    cdx->insert(tag, keys.second, recno);
  }
}

}  // namespace xbase
