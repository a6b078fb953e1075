#include "exchange/file_import.h"

#include <fstream>
#include <sstream>

#include "book/address_book.h"
#include "exchange/card_mapping.h"
#include "exchange/csv_mapping.h"
#include "exchange/read_error.h"
#include "xbase/cursor.h"
#include "xbase/dbf_text.h"

namespace exchange {

namespace {

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

ImportOutcome importEntries(const std::filesystem::path& dbf, const std::vector<FileEntries>& files, bool rename) {
  struct Origin {
    const FileEntries* file;
    const ImportedEntry* imported;
  };
  std::vector<book::Entry> entries;
  std::vector<Origin> origins;
  for (const FileEntries& file : files) {
    for (const ImportedEntry& imported : file.entries) {
      entries.push_back(imported.entry);
      origins.push_back({&file, &imported});
    }
  }
  book::AddressBook table(dbf, book::AddressBook::Access::ExclusiveWhenFree);
  const std::vector<book::AddOutcome> outcomes = table.addNew(entries,
                                                              rename ? book::TakenName::Rename : book::TakenName::Skip);
  ImportOutcome outcome;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const NameClash clash{origins[i].file->file, origins[i].imported->line,
                          fromTable(outcomes[i].name, table.codePage())};
    switch (outcomes[i].kind) {
      case book::AddOutcome::Kind::Skipped: outcome.skipped.push_back(clash); continue;
      case book::AddOutcome::Kind::Renamed: outcome.renamed.push_back(clash); break;
      case book::AddOutcome::Kind::Added: break;
    }
    if (outcome.added++ == 0) outcome.firstRecord = outcomes[i].recno;
    outcome.replaced += origins[i].imported->replaced;
  }
  return outcome;
}

}  // namespace exchange
