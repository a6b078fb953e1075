// Maintenance on an exclusive open: pack, reindex and new tags.

#include "xbase/cursor_impl.h"
#include "xbase/error.h"
#include "xbase/table_pack.h"

namespace xbase {

void CursorImpl::requireExclusive(const char* what) const {
  requireBrowsing(what);
  if (mode() != OpenMode::Exclusive)
    throw Error(ErrorCode::State, std::string("The table must be opened exclusively for ") + what);
  table_.requireWritable();
}

void CursorImpl::reindex() {
  requireExclusive("reindexing");
  lookahead_.tag = -1;
  table_.dbf().refreshCount();
  if (CdxFile* cdx = table_.cdx()) {
    std::vector<CdxEntrySource> entries;
    for (int tag = 0; tag < cdx->tagCount(); ++tag) entries.push_back(rule(tag).entriesOf(table_.dbf()));
    table_.rebuildIndex(entries);
    rules_.clear();  // they set their pad bytes on the index opened before
    table_.markIndexBehind(false);
  }
  first();
}

void CursorImpl::beginBulkAppend() {
  requireExclusive("loading records in bulk");
  requireBrowsing("loading records in bulk");
  table_.markIndexBehind(true);  // a kill before endBulkAppend leaves the index behind
  bulkAppend_ = true;
  table_.gatherAppends();
}

void CursorImpl::endBulkAppend() {
  if (!bulkAppend_) return;
  bulkAppend_ = false;
  table_.stopGathering();
  reindex();
}

void CursorImpl::createTag(std::string_view name, std::string_view keyExpression) {
  requireExclusive("creating an index tag");
  const int width = Expression::parse(keyExpression, layout_).width();
  if (width < 1 || width > 240)
    throw Error(ErrorCode::Expression, "The key \"" + std::string(keyExpression) + "\" is " + std::to_string(width) +
                                           " bytes wide; a key holds 1 to 240 bytes");
  const TagRule newRule(TagInfo{std::string(name), std::string(keyExpression), width}, CdxTagOptions{}, layout_,
                        path().filename().string());
  CdxFile& cdx = table_.createIndex();
  table_.dbf().refreshCount();
  const int tag = cdx.addTag(name, keyExpression, width, newRule.entriesOf(table_.dbf()), newRule.pad());
  cdx.sync();
  rules_.erase(tag);
  lookahead_.tag = -1;
}

void CursorImpl::pack() {
  requireExclusive("packing");
  table_.writeGathered();
  std::vector<const TagRule*> rules;
  const int tagCount = table_.cdx() ? table_.cdx()->tagCount() : 0;
  for (int tag = 0; tag < tagCount; ++tag) rules.push_back(&rule(tag));
  const std::string order = this->order();
  packTable(table_, rules);
  table_.markIndexBehind(false);
  rules_.clear();
  lookahead_.tag = -1;
  tag_ = order.empty() || !table_.cdx() ? -1 : table_.cdx()->findTag(order);
  first();
}

}  // namespace xbase
