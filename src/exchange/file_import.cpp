#include "exchange/file_import.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "book/address_book.h"
#include "exchange/card_mapping.h"
#include "exchange/csv_mapping.h"
#include "exchange/read_error.h"
#include "exchange/utf8.h"
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

// The file's text as UTF-8: UTF-16 with a byte order mark is converted;
// UTF-32 and UTF-16 without a mark (a NUL among the first two bytes) are
// refused, rather than read as UTF-8 and refused for text outside a card.
std::string asUtf8(std::string text, const std::filesystem::path& file) {
  const auto refuse = [&](const std::string& why) {
    return xbase::Error(xbase::ErrorCode::Argument, file.string() + ": " + why + "; nothing was imported");
  };
  const std::string_view bytes = text;
  if (bytes.starts_with(std::string_view("\xFF\xFE\0\0", 4)) || bytes.starts_with(std::string_view("\0\0\xFE\xFF", 4)))
    throw refuse("the file is UTF-32 text; save it as UTF-8");
  const bool little = bytes.starts_with("\xFF\xFE");
  if (little || bytes.starts_with("\xFE\xFF")) {
    std::optional<std::string> utf8 = utf16ToUtf8(bytes.substr(2), !little);
    if (!utf8) throw refuse("the UTF-16 text is broken (an odd number of bytes or a lone surrogate)");
    return std::move(*utf8);
  }
  if (bytes.find('\0') < 2)
    throw refuse("the file holds NUL bytes, like UTF-16 text without a byte order mark; save it as UTF-8");
  return text;
}

ReadEntries readEntries(std::string_view text, FileKind kind, const CodePage& codePage) {
  if (kind == FileKind::Csv) return readCsvEntries(text, codePage);
  VCardFile read = readVCardFile(text);
  ReadEntries out;
  out.skipped = std::move(read.faults);
  for (const Card& card : read.cards) {
    try {
      out.entries.push_back(entryFromCard(card, codePage));
    } catch (const ReadError& e) {
      out.skipped.push_back(e);
    }
  }
  sortByLine(out.skipped);
  return out;
}

}  // namespace

std::optional<FileKind> fileKindOf(const std::filesystem::path& file) {
  const std::string extension = xbase::asciiUpper(file.extension().string());
  if (extension == ".VCF") return FileKind::VCard;
  if (extension == ".CSV") return FileKind::Csv;
  return std::nullopt;
}

FileEntries readExchangeFile(const std::filesystem::path& file, FileKind kind, const CodePage& codePage, bool strict) {
  const std::string text = asUtf8(readWholeFile(file), file);
  FileEntries out;
  out.file = file;
  static_cast<ReadEntries&>(out) = readEntries(text, kind, codePage);
  try {
    if (strict) out.throwFirstFault();
    return out;
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

std::vector<ImportNote> importNotes(const std::vector<FileEntries>& files, const ImportOutcome& outcome) {
  std::vector<ImportNote> notes;
  const auto add = [&](ImportNote::Kind kind, const ReadError& fault, const char* after) {
    notes.push_back({kind, {}, fault.line(), fault.message() + after});
  };
  for (const FileEntries& file : files) {
    const std::size_t first = notes.size();
    for (const ReadError& fault : file.skipped) add(ImportNote::Kind::Skipped, fault, "; skipped");
    for (const ReadError& fault : file.warnings) add(ImportNote::Kind::Warned, fault, "; stored anyway");
    for (std::size_t i = first; i < notes.size(); ++i) notes[i].file = file.file;
  }
  for (const NameClash& clash : outcome.skipped)
    notes.push_back(
        {ImportNote::Kind::Skipped, clash.file, clash.line, "entry already exists for: " + clash.name + ", skipped"});
  for (const NameClash& clash : outcome.renamed)
    notes.push_back({ImportNote::Kind::Renamed, clash.file, clash.line, "stored as " + clash.name});
  // By file in the order given, then by line.
  const auto order = [&](const std::filesystem::path& file) {
    for (std::size_t i = 0; i < files.size(); ++i)
      if (files[i].file == file) return i;
    return files.size();
  };
  std::stable_sort(notes.begin(), notes.end(), [&](const ImportNote& a, const ImportNote& b) {
    return std::pair(order(a.file), a.line) < std::pair(order(b.file), b.line);
  });
  return notes;
}

namespace {

std::string place(const ImportNote& note) {
  return note.file.filename().string() + " line " + std::to_string(note.line);
}

}  // namespace

std::string importCounts(const std::vector<FileEntries>& files, const ImportOutcome& outcome) {
  std::size_t skipped = outcome.skipped.size();
  for (const FileEntries& file : files) skipped += file.skipped.size();
  std::string text = std::to_string(outcome.added) + " imported, " + std::to_string(skipped) + " skipped";
  if (skipped == 0) return text;
  for (const ImportNote& note : importNotes(files, outcome)) {
    if (note.kind != ImportNote::Kind::Skipped) continue;
    return text + ": " + place(note) + (skipped > 1 ? " ..." : "");
  }
  return text;
}

std::string importSummary(const std::vector<FileEntries>& files, const ImportOutcome& outcome, std::size_t listed) {
  std::string text = importCounts(files, outcome);
  const std::vector<ImportNote> notes = importNotes(files, outcome);
  for (std::size_t i = 0; i < notes.size() && i < listed; ++i) text += "\n" + place(notes[i]) + ": " + notes[i].text;
  if (notes.size() > listed) text += "\n... and " + std::to_string(notes.size() - listed) + " more";
  if (outcome.replaced > 0)
    text += "\n" + std::to_string(outcome.replaced) + (outcome.replaced == 1 ? " character" : " characters") +
            " replaced by ?";
  return text;
}

}  // namespace exchange
