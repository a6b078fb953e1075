#pragma once

// Importing vCard and CSV files into the address table, the one way for
// cardlark-db and for a file dropped on the window: every file is read and
// checked first, then the duplicate-name rule decides entry by entry, then
// the entries are stored all or none.

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

struct FileEntries {
  std::filesystem::path file;
  std::vector<ImportedEntry> entries;
};

// Reads and maps the whole of `file`. A file the reader refuses throws
// xbase::Error Argument "FILE line N: what is wrong; nothing was imported";
// one that cannot be read, xbase::Error NotFound or Io.
FileEntries readExchangeFile(const std::filesystem::path& file, FileKind kind, const CodePage& codePage);

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

}  // namespace exchange
