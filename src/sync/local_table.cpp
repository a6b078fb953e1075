#include "sync/local_table.h"

namespace carddav {

LocalTable::LocalTable(const std::filesystem::path& dbf) : book_(dbf, book::AddressBook::Access::Shared) {
  book_.forEachEntry([&](std::uint32_t recno, const Entry& entry) {
    if (!rows_.emplace(nameKey(entry.name), Row{recno, entry}).second) sharedNames_.push_back(entry.name);
  });
}

std::string LocalTable::add(const Entry& entry) {
  const std::uint32_t recno = book_.add(entry);
  const std::string key = nameKey(entry.name);
  rows_[key] = Row{recno, book_.entryAt(recno)};
  return key;
}

std::string LocalTable::replace(const std::string& key, const Entry& entry) {
  const std::uint32_t recno = rows_.at(key).recno;
  book_.replace(recno, entry);
  rows_.erase(key);
  const std::string now = nameKey(entry.name);
  rows_[now] = Row{recno, book_.entryAt(recno)};
  return now;
}

void LocalTable::remove(const std::string& key) {
  book_.remove(rows_.at(key).recno);
  rows_.erase(key);
}

}  // namespace carddav
