#include "exchange/file_import.h"

#include <fstream>
#include <sstream>

#include "exchange/card_mapping.h"
#include "exchange/csv_mapping.h"
#include "exchange/entry_store.h"
#include "exchange/name_register.h"
#include "exchange/read_error.h"
#include "xbase/address_table.h"
#include "xbase/cursor.h"
#include "xbase/dbf_text.h"

namespace exchange {

namespace {

namespace address = xbase::address;

std::string readWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw xbase::Error(xbase::ErrorCode::NotFound, "Cannot open " + file.string());
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw xbase::Error(xbase::ErrorCode::Io, "Cannot read " + file.string());
  return std::move(text).str();
}

std::vector<ImportedEntry> readEntries(std::string_view text, FileKind kind, const CodePage& codePage) {
  if (kind == FileKind::Csv) return entriesFromCsv(text, codePage);
  std::vector<ImportedEntry> entries;
  for (const Card& card : readVCards(text)) entries.push_back(entryFromCard(card, codePage));
  return entries;
}

// The names of the live entries of the table.
NameRegister namesInTable(const std::filesystem::path& dbf) {
  NameRegister names;
  auto cursor = xbase::Cursor::open(dbf, xbase::OpenMode::Shared);
  const int name = xbase::requireField(*cursor, address::kName);
  for (cursor->first(); !cursor->eof(); cursor->skip()) {
    if (!cursor->deleted()) names.add(cursor->value(name));
  }
  return names;
}

}  // namespace

std::optional<FileKind> fileKindOf(const std::filesystem::path& file) {
  const std::string extension = xbase::asciiUpper(file.extension().string());
  if (extension == ".VCF") return FileKind::VCard;
  if (extension == ".CSV") return FileKind::Csv;
  return std::nullopt;
}

FileEntries readExchangeFile(const std::filesystem::path& file, FileKind kind, const CodePage& codePage) {
  const std::string text = readWholeFile(file);
  try {
    return {file, readEntries(text, kind, codePage)};
  } catch (const ReadError& e) {
    throw xbase::Error(xbase::ErrorCode::Argument, file.string() + " " + e.what() + "; nothing was imported");
  }
}

ImportOutcome importEntries(const std::filesystem::path& dbf, const std::vector<FileEntries>& files, bool rename,
                            const std::string& date) {
  NameRegister names = namesInTable(dbf);
  const CodePage codePage = tableCodePage(dbf);
  ImportOutcome outcome;
  std::vector<NewEntry> toStore;
  for (const FileEntries& file : files) {
    for (const ImportedEntry& imported : file.entries) {
      std::string name = imported.entry.name;
      if (names.contains(name)) {
        if (!rename) {
          outcome.skipped.push_back({file.file, imported.line, fromTable(name, codePage)});
          continue;
        }
        name = names.freeVariant(name, address::kNameWidth);
        outcome.renamed.push_back({file.file, imported.line, fromTable(name, codePage)});
      }
      names.add(name);
      outcome.replaced += imported.replaced;
      toStore.push_back({name, imported.entry.memo, date});
    }
  }
  outcome.firstRecord = storeEntries(dbf, static_cast<std::uint32_t>(toStore.size()), [&](const auto& store) {
    for (const NewEntry& entry : toStore) store(entry);
  });
  outcome.added = toStore.size();
  return outcome;
}

}  // namespace exchange
