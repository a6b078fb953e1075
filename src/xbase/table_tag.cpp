#include "xbase/table_tag.h"

#include <unordered_set>

#include "xbase/error.h"

namespace xbase {

TagRule::TagRule(const TagInfo& info, const CdxTagOptions& options, const RecordLayout& layout,
                 const std::string& tableName)
    : info_(info), options_(options) {
  try {
    key_ = Expression::parse(info.expression, layout);
    if (!options.forExpression.empty()) {
      condition_ = Expression::parse(options.forExpression, layout);
      if (condition_->type() != ValueType::Logical)
        throw Error(ErrorCode::Expression, "its FOR condition is not true or false");
    }
  } catch (const Error& e) {
    throw Error(ErrorCode::Expression, "Tag " + info.name + " of " + tableName + ": " + e.what());
  }
  pad_ = key_->type() == ValueType::Character ? ' ' : '\0';
}

std::string TagRule::keyOf(std::string_view record) const {
  std::string key = key_->key(record);
  key.resize(static_cast<std::size_t>(info_.keyLength), pad_);
  return key;
}

std::string TagRule::keyFromText(std::string_view text) const {
  std::string key = key_->keyFromText(text);
  key.resize(static_cast<std::size_t>(info_.keyLength), pad_);
  return key;
}

CdxEntrySource TagRule::entriesOf(const DbfFile& dbf) const {
  return [this, &dbf](const CdxEntryEmitter& emit) {
    std::unordered_set<std::string> seen;  // only filled for unique tags
    std::string key;
    dbf.forEachRecord([&](std::uint32_t recno, std::string_view record) {
      if (!admits(record)) return;
      key_->key(record, key);
      key.resize(static_cast<std::size_t>(info_.keyLength), pad_);
      if (options_.unique && !seen.insert(key).second) return;
      emit(key, recno);
    });
  };
}

}  // namespace xbase
