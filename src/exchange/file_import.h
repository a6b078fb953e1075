#pragma once

// Importing vCard and CSV files into the address table, the one way for
// cardlark-db and for a file dropped on the window: every file is read
// first, keeping the contacts that can be read and noting those that
// cannot, then the duplicate-name rule decides entry by entry, then the
// entries are stored all or none.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "exchange/code_page.h"
#include "exchange/contact_draft.h"

namespace exchange {

enum class FileKind { VCard, Csv };

// The kind of file its extension names (".vcf", ".csv", any case).
std::optional<FileKind> fileKindOf(const std::filesystem::path& file);

struct FileEntries : ReadEntries {
  std::filesystem::path file;
};

// Reads and maps `file`, UTF-8 or UTF-16 with a byte order mark: the
// entries that can be read, the contacts left out and those stored despite
// a fault. With `strict`, any such fault throws xbase::Error Argument "FILE
// line N: what is wrong; nothing was imported". UTF-32 and UTF-16 without a
// mark throw it as "FILE: ..."; a file that cannot be read, xbase::Error
// NotFound or Io.
FileEntries readExchangeFile(const std::filesystem::path& file, FileKind kind, const CodePage& codePage,
                             bool strict = false);

// An entry whose name was taken: `name` is the name it had (skipped) or
// the one it was stored under (renamed), in UTF-8.
struct NameClash {
  std::filesystem::path file;
  std::size_t line = 0;
  std::string name;
};

struct ImportOutcome {
  std::size_t added = 0;
  std::vector<NameClash> skipped;
  std::vector<NameClash> renamed;
  std::size_t replaced = 0;       // characters the code page could not hold
  std::uint32_t firstRecord = 0;  // record number of the first entry added
};

// Stores the entries of `files` in the address table `dbf`, dated today.
// An entry whose name the table (or an earlier entry) already has is
// skipped, or with `rename` stored as "Name (2)".
ImportOutcome importEntries(const std::filesystem::path& dbf, const std::vector<FileEntries>& files, bool rename);

// A contact an import left out, stored despite a fault, or stored under
// another name, in UTF-8: "no \":\" between ...; skipped", "entry already
// exists for: NAME, skipped", "...; stored anyway", "stored as NAME (2)".
struct ImportNote {
  enum class Kind { Skipped, Warned, Renamed };
  Kind kind;
  std::filesystem::path file;
  std::size_t line = 0;
  std::string text;
};

// Every note of an import, by file and line.
std::vector<ImportNote> importNotes(const std::vector<FileEntries>& files, const ImportOutcome& outcome);

// "N imported, S skipped" (S counts the contacts left out and the names
// already taken), with ": FILE line L" of the first skipped, and " ..."
// when there are more.
std::string importCounts(const std::vector<FileEntries>& files, const ImportOutcome& outcome);

// What an import did, in UTF-8: its counts, then its notes (at most
// `listed`, then how many more), then the characters replaced by "?" when
// there were any. Files are named without their folder.
std::string importSummary(const std::vector<FileEntries>& files, const ImportOutcome& outcome, std::size_t listed);

}  // namespace exchange
