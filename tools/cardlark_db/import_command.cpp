// import DIR FILE: appends one entry per line of FILE (see import_line.h).
// The whole file is checked first, so a bad line leaves the table as it
// was; then the entries are appended in file order with their tags kept,
// all or none (book/address_book.h).

#include <fstream>
#include <functional>
#include <vector>

#include "book/address_book.h"
#include "cardlark_db/command.h"
#include "cardlark_db/import_line.h"
#include "xbase/error.h"

namespace cardlark::db {

namespace {

// Calls `use` with each entry of the file; empty lines are skipped and a
// carriage return ending a line (a file written with CR LF) is dropped.
void forEachEntry(const std::filesystem::path& file, const std::function<void(const ImportEntry&)>& use) {
  std::vector<char> buffer(1 << 20);  // a file of many megabytes is read a megabyte at a time
  std::ifstream in;
  in.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  in.open(file, std::ios::binary);
  if (!in) throw xbase::Error(xbase::ErrorCode::NotFound, "Cannot open " + file.string());
  std::string line;
  std::size_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    try {
      use(parseImportLine(line, book::kNameWidth));
    } catch (const ImportLineError& e) {
      throw xbase::Error(xbase::ErrorCode::Argument,
                         file.string() + " line " + std::to_string(number) + ": " + e.what());
    }
  }
  if (in.bad()) throw xbase::Error(xbase::ErrorCode::Io, "Cannot read " + file.string());
}

}  // namespace

int runImport(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  const std::filesystem::path source = arguments.operands[1];
  std::uint32_t entries = 0;
  forEachEntry(source, [&](const ImportEntry&) { ++entries; });
  book::AddressBook(files.dbf, book::AddressBook::Access::ExclusiveWhenFree).addAll(entries, [&](const auto& store) {
    forEachEntry(source, store);
  });
  return kOk;
}

}  // namespace cardlark::db
