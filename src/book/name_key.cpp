#include "book/name_key.h"

#include "xbase/expr/expression.h"
#include "xbase/field_list.h"

namespace book {

namespace {

// The tag's key expression, compiled once against the table's fields, and
// where the name lies in a record.
struct NameTag {
  xbase::RecordLayout layout = xbase::RecordLayout::fromFields(xbase::parseFieldList(kFieldList));
  xbase::Expression key = xbase::Expression::parse(kTagKey, layout);
  std::size_t nameOffset = static_cast<std::size_t>(layout.offsets.at(0));
};

const NameTag& nameTag() {
  static const NameTag tag;
  return tag;
}

}  // namespace

std::string nameIndexKey(std::string_view name) {
  const NameTag& tag = nameTag();
  std::string record(static_cast<std::size_t>(tag.layout.recordLength()), ' ');
  name = name.substr(0, std::min<std::size_t>(name.size(), kNameWidth));
  record.replace(tag.nameOffset, name.size(), name);
  return tag.key.key(record);
}

std::string nameKey(std::string_view name) {
  std::string key = nameIndexKey(name);
  key.erase(key.find_last_not_of(' ') + 1);
  return key;
}

std::string withSuffix(std::string_view name, std::string_view suffix, std::size_t width) {
  if (suffix.size() > width) return std::string(name.substr(0, width));
  std::string base(name.substr(0, width - suffix.size()));
  base.erase(base.find_last_not_of(' ') + 1);
  return base + std::string(suffix);
}

void NameRegister::add(std::string_view name) { keys_.insert(nameKey(name)); }

bool NameRegister::contains(std::string_view name) const { return keys_.count(nameKey(name)) > 0; }

std::string NameRegister::freeVariant(std::string_view name, std::size_t width) const {
  std::size_t& next = nextVariant_.try_emplace(nameKey(name), 2).first->second;
  return firstFreeVariant(
      name, [&](const std::string& key) { return keys_.count(key) > 0; }, next, width);
}

std::string firstFreeVariant(std::string_view name, const std::function<bool(const std::string& key)>& taken,
                             std::size_t& next, std::size_t width) {
  for (;; ++next) {
    const std::string suffix = " (" + std::to_string(next) + ")";
    if (suffix.size() > width) return std::string(name.substr(0, width));
    std::string candidate = withSuffix(name, suffix, width);
    if (!taken(nameKey(candidate))) return candidate;
  }
}

}  // namespace book
