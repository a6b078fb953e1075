// Maintenance on an exclusive open: pack, reindex and new tags.

#include <algorithm>

#include "xbase/cursor_impl.h"
#include "xbase/error.h"
#include "xbase/table_pack.h"

namespace xbase {

void CursorImpl::requireExclusive(const char* what) const {
  requireBrowsing(what);
  if (mode() != OpenMode::Exclusive)
    throw Error(ErrorCode::State, std::string("The table must be opened exclusively for ") + what);
}

void CursorImpl::forEachRecord(const std::function<void(std::uint32_t, std::string_view)>& visit) const {
  forEachRecordOf(table_.dbf(), visit);
}

CdxEntrySource CursorImpl::entriesOf(int tag) {
  const Expression& expression = keyExpression(tag);
  const auto keyLength = static_cast<std::size_t>(table_.cdx()->tag(tag).keyLength);
  return [this, &expression, keyLength](const CdxEntryEmitter& emit) {
    std::string key;
    forEachRecord([&](std::uint32_t recno, std::string_view record) {
      expression.key(record, key);
      key.resize(keyLength, ' ');
      emit(key, recno);
    });
  };
}

void CursorImpl::reindex() {
  requireExclusive("reindexing");
  table_.dbf().refreshCount();
  if (CdxFile* cdx = table_.cdx()) {
    for (int tag = 0; tag < cdx->tagCount(); ++tag) cdx->rebuildTag(tag, entriesOf(tag));
    cdx->sync();
  }
  first();
}

void CursorImpl::createTag(std::string_view name, std::string_view keyExpression) {
  requireExclusive("creating an index tag");
  Expression expression = Expression::parse(keyExpression, layout_);
  const int width = expression.width();
  if (width < 1 || width > 240)
    throw Error(ErrorCode::Expression, "The key \"" + std::string(keyExpression) + "\" is " + std::to_string(width) +
                                           " bytes wide; a key holds 1 to 240 bytes");
  CdxFile& cdx = table_.createIndex();
  table_.dbf().refreshCount();
  const int tag = cdx.addTag(name, keyExpression, width, [&](const CdxEntryEmitter& emit) {
    std::string key;
    forEachRecord([&](std::uint32_t recno, std::string_view record) {
      expression.key(record, key);
      emit(key, recno);
    });
  });
  if (expression.type() != ValueType::Character) cdx.setPadByte(tag, '\0');
  cdx.sync();
  keyExpressions_.erase(tag);
}

void CursorImpl::pack() {
  requireExclusive("packing");
  std::vector<TagInfo> tagList = tags();
  std::vector<const Expression*> keys;
  for (int tag = 0; tag < static_cast<int>(tagList.size()); ++tag) keys.push_back(&keyExpression(tag));
  packTable(table_, tagList, keys);
  keyExpressions_.clear();
  const std::string order = tag_ < 0 ? std::string() : tagList[static_cast<std::size_t>(tag_)].name;
  tag_ = -1;
  if (!order.empty()) tag_ = table_.cdx() ? table_.cdx()->findTag(order) : -1;
  first();
}

}  // namespace xbase
