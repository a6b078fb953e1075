#include "cardlark_db/exchange_io.h"

#include <ctime>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "cardlark_db/import_store.h"
#include "exchange/name_register.h"
#include "exchange/read_error.h"
#include "xbase/cursor.h"

namespace cardlark::db {

namespace {

// The local date as YYYYMMDD, the last-change date of a new entry.
std::string today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d", &local);
  return text;
}

// The names of the live entries of the table.
exchange::NameRegister namesInTable(const xbase::TableFiles& files) {
  exchange::NameRegister names;
  auto cursor = xbase::Cursor::open(files.dbf, xbase::OpenMode::Shared);
  const int name = requireField(*cursor, address::kName);
  for (cursor->first(); !cursor->eof(); cursor->skip()) {
    if (!cursor->deleted()) names.add(cursor->value(name));
  }
  return names;
}

}  // namespace

std::string readWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw xbase::Error(xbase::ErrorCode::NotFound, "Cannot open " + file.string());
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw xbase::Error(xbase::ErrorCode::Io, "Cannot read " + file.string());
  return std::move(text).str();
}

FileEntries readExchangeFile(const std::filesystem::path& file,
                             const std::function<std::vector<exchange::ImportedEntry>(std::string_view)>& read) {
  const std::string text = readWholeFile(file);
  try {
    return {file, read(text)};
  } catch (const exchange::ReadError& e) {
    throw xbase::Error(xbase::ErrorCode::Argument, file.string() + " " + e.what() + "; nothing was imported");
  }
}

int importExchangeEntries(const Arguments& arguments, const std::vector<FileEntries>& files) {
  const xbase::TableFiles table = tableFiles(arguments.operands[0]);
  const bool rename = arguments.has("--rename");
  exchange::NameRegister names = namesInTable(table);
  const std::string date = today();
  std::vector<ImportEntry> toStore;
  std::size_t skipped = 0;
  std::size_t replaced = 0;
  const exchange::CodePage codePage = exchange::tableCodePage();
  for (const FileEntries& file : files) {
    for (const exchange::ImportedEntry& imported : file.entries) {
      std::string name = imported.entry.name;
      const std::string where = file.file.string() + " line " + std::to_string(imported.line) + ": ";
      if (names.contains(name)) {
        if (!rename) {
          std::fprintf(stderr, "%sentry already exists for: %s, skipped\n", where.c_str(),
                       exchange::fromTable(name, codePage).c_str());
          ++skipped;
          continue;
        }
        name = names.freeVariant(name, address::kNameWidth);
        std::printf("%sstored as %s\n", where.c_str(), exchange::fromTable(name, codePage).c_str());
      }
      names.add(name);
      replaced += imported.replaced;
      toStore.push_back({name, imported.entry.memo, date});
    }
  }
  storeEntries(table, static_cast<std::uint32_t>(toStore.size()), [&](const auto& store) {
    for (const ImportEntry& entry : toStore) store(entry);
  });
  std::printf("%zu entries imported, %zu skipped, %zu characters replaced by ?\n", toStore.size(), skipped, replaced);
  return kOk;
}

int exportEntries(const Arguments& arguments, const std::string& header,
                  const std::function<void(std::string& out, const exchange::Entry& entry)>& append) {
  const EntriesByName entries = openEntriesByName(arguments);
  xbase::Cursor* const cursor = entries.cursor.get();
  const int name = entries.name;
  const int memo = entries.memo;
  std::string out = header;
  std::size_t count = 0;
  for (cursor->first(); !cursor->eof(); cursor->skip()) {
    if (cursor->deleted()) continue;
    append(out, {cursor->value(name), cursor->value(memo)});
    ++count;
  }
  const std::filesystem::path target = arguments.operands[1];
  std::ofstream file(target, std::ios::binary | std::ios::trunc);
  if (!file) throw xbase::Error(xbase::ErrorCode::Io, "Cannot create " + target.string());
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  file.close();
  if (!file) throw xbase::Error(xbase::ErrorCode::Io, "Cannot write " + target.string());
  std::printf("%zu entries exported\n", count);
  return kOk;
}

}  // namespace cardlark::db
