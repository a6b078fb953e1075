#include "table_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <random>

#include "book/table_layout.h"
#include "xbase/cursor.h"
#include "xbase/dbf_text.h"
#include "xbase/table_files.h"

namespace bench {
namespace fs = std::filesystem;
namespace {

std::size_t entryCount = 100000;
fs::path givenTable;  // a table folder given instead of a generated one

fs::path root() {
  static const fs::path path = [] {
    auto dir = fs::temp_directory_path() / ("cardlark-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
  }();
  return path;
}

}  // namespace

void TableFixture::setEntries(std::size_t count) { entryCount = count; }
std::size_t TableFixture::entries() { return entryCount; }

void TableFixture::useTable(const fs::path& dir) {
  givenTable = xbase::findTableFiles(dir, book::kFileStem).dbf;
  entryCount = xbase::tableInfo(givenTable).recordCount;
}

const std::vector<Entry>& TableFixture::generated() {
  static const std::vector<Entry> all = [] {
    std::vector<Entry> list;
    list.reserve(entryCount);
    EntryGenerator generator;
    for (std::size_t i = 0; i < entryCount; ++i) list.push_back(generator.next());
    return list;
  }();
  return all;
}

void TableFixture::createAndImport(const fs::path& dir, const std::vector<Entry>& entries) {
  book::createAddressTable(dir, true);
  auto cursor = xbase::Cursor::open(dir / book::kTableName, xbase::OpenMode::Exclusive);
  int name = cursor->fieldIndex(book::kName), info = cursor->fieldIndex(book::kInfo),
      date = cursor->fieldIndex(book::kLastDate);
  cursor->beginBulkAppend();
  for (const auto& entry : entries) {
    cursor->beginAppend();
    cursor->setValue(name, entry.name);
    cursor->setValue(info, entry.memo);
    cursor->setValue(date, entry.lastDate);
    cursor->post();
  }
  cursor->endBulkAppend();
}

fs::path TableFixture::sharedTable() {
  static const fs::path path = [] {
    if (!givenTable.empty()) return givenTable;
    auto dir = scratchFolder("shared");
    createAndImport(dir, generated());
    return dir / book::kTableName;
  }();
  return path;
}

fs::path TableFixture::copyOfSharedTable(const std::string& name) {
  auto source = sharedTable().parent_path();
  auto dir = scratchFolder(name);
  for (const auto& file : fs::directory_iterator(source)) fs::copy_file(file.path(), dir / file.path().filename());
  return dir;
}

fs::path TableFixture::scratchFolder(const std::string& name) {
  auto dir = root() / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

const std::vector<std::string>& TableFixture::sampleKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> list;
    const auto& all = generated();
    for (std::size_t i = 0; i < all.size(); i += std::max<std::size_t>(1, all.size() / 4096))
      list.push_back(xbase::asciiUpper(all[i].name));
    std::shuffle(list.begin(), list.end(), std::mt19937(1));
    return list;
  }();
  return keys;
}

void TableFixture::cleanUp() { fs::remove_all(root()); }

}  // namespace bench
