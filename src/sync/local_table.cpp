#include "sync/local_table.h"

#include <QDate>

#include "xbase/address_table.h"
#include "xbase/cursor.h"
#include "xbase/dbf_text.h"

namespace carddav {

namespace {

int field(const xbase::Cursor& cursor, const char* name) {
  const int index = cursor.fieldIndex(name);
  if (index < 0) throw xbase::Error(xbase::ErrorCode::NotFound, std::string("The table has no field ") + name);
  return index;
}

}  // namespace

std::string nameKey(const std::string& name) {
  std::string key = xbase::asciiUpper(name);
  while (!key.empty() && key.back() == ' ') key.pop_back();
  return key;
}

LocalTable::LocalTable(const std::filesystem::path& dbf)
    : cursor_(xbase::Cursor::open(dbf, xbase::OpenMode::Shared)) {
  name_ = field(*cursor_, xbase::address::kName);
  memo_ = field(*cursor_, xbase::address::kInfo);
  date_ = field(*cursor_, xbase::address::kLastDate);
  for (cursor_->first(); !cursor_->eof(); cursor_->skip()) {
    Row row{cursor_->recno(), {cursor_->value(name_), cursor_->value(memo_)}};
    const std::string name = row.entry.name;
    if (!rows_.emplace(nameKey(name), std::move(row)).second) sharedNames_.push_back(name);
  }
}

LocalTable::~LocalTable() = default;

void LocalTable::write(const Entry& entry) {
  cursor_->setValue(name_, entry.name);
  cursor_->setValue(memo_, entry.memo);
  cursor_->setValue(date_, QDate::currentDate().toString(QStringLiteral("yyyyMMdd")).toStdString());
  cursor_->post();
}

std::string LocalTable::add(const Entry& entry) {
  cursor_->beginAppend();
  write(entry);
  const std::string key = nameKey(entry.name);
  rows_[key] = Row{cursor_->recno(), entry};
  return key;
}

std::string LocalTable::replace(const std::string& key, const Entry& entry) {
  Row row = rows_.at(key);
  cursor_->go(row.recno);
  cursor_->beginEdit();
  write(entry);
  rows_.erase(key);
  row.entry = entry;
  const std::string now = nameKey(entry.name);
  rows_[now] = row;
  return now;
}

void LocalTable::remove(const std::string& key) {
  cursor_->go(rows_.at(key).recno);
  cursor_->deleteRecord();
  rows_.erase(key);
}

}  // namespace carddav
