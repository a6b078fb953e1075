#pragma once

// The journal of a pack (format in table_pack.h): the renames it lists,
// each with the size and CRC-32 of the new file.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace xbase {

struct Digest {
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  bool operator==(const Digest&) const = default;
};

// The size and CRC-32 of a file's bytes.
Digest digestOf(const std::filesystem::path& path);

struct Rename {
  std::filesystem::path from, to;
  Digest digest;
};
using Renames = std::vector<Rename>;

// Writes and flushes the journal.
void writeJournal(const std::filesystem::path& journal, const Renames& renames);

// The text of the journal of the table at `dbfPath`; nothing when there is
// none. Error Corrupt when it is not a regular file (a FIFO is never
// waited on) or cannot be read.
std::optional<std::string> readPackJournal(const std::filesystem::path& dbfPath);

// The renames of the journal `text` of the table at `dbfPath`, each
// verified against the file it names (or the file it has already become),
// the new table file first and readable. A journal names only the table's
// own files (table, memo file, index), each replaced by its own packed copy
// "<name>.packing". Error Corrupt, naming the journal, when any line does
// not verify.
Renames verifiedJournal(const std::filesystem::path& dbfPath, const std::string& text);

}  // namespace xbase
