// The journal of a pack: writing it, and reading it back with every file
// it names verified.

#include "xbase/table_pack_journal.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "xbase/dbf_file.h"
#include "xbase/error.h"
#include "xbase/table_pack.h"

namespace xbase {
namespace {

constexpr std::size_t kChunk = 1 << 20;

std::string hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

[[noreturn]] void refuseJournal(const std::filesystem::path& dbfPath, const std::string& why) {
  throw Error(ErrorCode::Corrupt, "A pack of " + dbfPath.filename().string() + " was interrupted, and its journal " +
                                      packJournalOf(dbfPath).filename().string() + " cannot be trusted (" + why +
                                      "); no file was changed. Move the journal away to use the table as it is");
}

}  // namespace

std::filesystem::path packJournalOf(const std::filesystem::path& dbfPath) {
  return std::filesystem::path(dbfPath.string() + ".packed");
}

Digest digestOf(const std::filesystem::path& path) {
  File file(path, File::Access::ReadOnly);
  Digest digest;
  digest.crc = static_cast<std::uint32_t>(crc32(0L, Z_NULL, 0));
  std::string chunk(kChunk, '\0');
  for (;;) {
    const std::size_t got = file.readSomeAt(digest.size, chunk.data(), chunk.size());
    if (got == 0) break;
    digest.crc = static_cast<std::uint32_t>(
        crc32(digest.crc, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(got)));
    digest.size += got;
  }
  return digest;
}

void writeJournal(const std::filesystem::path& journal, const Renames& renames) {
  {
    std::ofstream out(journal, std::ios::binary | std::ios::trunc);
    for (const Rename& r : renames)
      out << r.from.filename().string() << '\t' << r.to.filename().string() << '\t' << r.digest.size << '\t'
          << hex8(r.digest.crc) << '\n';
    out.flush();
    if (!out) throw Error(ErrorCode::Io, "Cannot write " + journal.string());
  }
  File(journal, File::Access::ReadWrite).sync();
  File::syncFolderOf(journal);
}

// The journal's renames, each verified against the file it names (or the
// file it has already become); refused as a whole when any does not verify.
Renames verifiedJournal(const std::filesystem::path& dbfPath) {
  std::ifstream in(packJournalOf(dbfPath), std::ios::binary);
  Renames renames;
  std::string line;
  const auto folder = dbfPath.parent_path();
  auto plainName = [](const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
  };
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string from, to, size, crc;
    if (!std::getline(fields, from, '\t') || !std::getline(fields, to, '\t') || !std::getline(fields, size, '\t') ||
        !std::getline(fields, crc) || !plainName(from) || !plainName(to) || size.empty() || crc.size() != 8 ||
        size.size() > 19 || size.find_first_not_of("0123456789") != std::string::npos ||  // 19 digits fit in 64 bits
        crc.find_first_not_of("0123456789abcdef") != std::string::npos)
      refuseJournal(dbfPath, "a line cannot be read");
    Digest listed{std::stoull(size), static_cast<std::uint32_t>(std::stoul(crc, nullptr, 16))};
    renames.push_back({folder / from, folder / to, listed});
  }
  if (renames.empty() || renames.front().to.filename() != dbfPath.filename())
    refuseJournal(dbfPath, "it does not name the new table file first");
  for (const Rename& r : renames) {
    std::error_code ec;
    const auto& present = std::filesystem::exists(r.from, ec) ? r.from : r.to;
    std::optional<Digest> found;
    try {
      found = digestOf(present);
    } catch (const Error&) {
    }
    if (!found || !(*found == r.digest)) refuseJournal(dbfPath, present.filename().string() + " does not match it");
  }
  std::error_code ec;
  const Rename& table = renames.front();
  try {
    DbfFile readable(File(std::filesystem::exists(table.from, ec) ? table.from : table.to, File::Access::ReadOnly));
  } catch (const Error&) {
    refuseJournal(dbfPath, "the new table file it names is not a readable table");
  }
  return renames;
}

}  // namespace xbase
