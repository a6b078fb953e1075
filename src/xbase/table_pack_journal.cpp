// The journal of a pack: writing it, and reading it back with every file
// it names verified.

#include "xbase/table_pack_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>
#include <system_error>

#include "checksum/crc32.h"
#include "xbase/dbf_file.h"
#include "xbase/error.h"
#include "xbase/table_files.h"
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

// The names a journal may give: the table's own files, each replaced by
// its packed copy ("<name>.packing"), the table file first and each file
// once.
void requireOwnFiles(const std::filesystem::path& dbfPath, const Renames& renames) {
  std::vector<std::string> own{dbfPath.filename().string()};
  for (const char* extension : {".fpt", ".cdx"})
    if (const auto beside = fileBeside(dbfPath, extension); !beside.empty()) own.push_back(beside.filename().string());
  if (renames.empty() || renames.front().to.filename() != dbfPath.filename())
    refuseJournal(dbfPath, "it does not name the new table file first");
  for (const Rename& r : renames) {
    const std::string to = r.to.filename().string();
    const auto at = std::find(own.begin(), own.end(), to);
    if (at == own.end() || r.from.filename().string() != to + ".packing")
      refuseJournal(dbfPath, "it names " + r.from.filename().string() + " -> " + to +
                                 ", which is not one of the table's files replaced by its packed copy");
    at->clear();  // each file once
  }
}

}  // namespace

std::optional<std::string> readPackJournal(const std::filesystem::path& dbfPath) {
  std::optional<File> file;
  try {
    file.emplace(packJournalOf(dbfPath), File::Access::ReadOnly);
  } catch (const Error& e) {
    if (e.code() == ErrorCode::NotFound) return std::nullopt;
    refuseJournal(dbfPath, e.what());  // not a regular file, or unreadable
  }
  std::string text(file->size(), '\0');
  text.resize(file->readSomeAt(0, text.data(), text.size()));
  return text;
}

std::filesystem::path packJournalOf(const std::filesystem::path& dbfPath) {
  return std::filesystem::path(dbfPath.string() + ".packed");
}

Digest digestOf(const std::filesystem::path& path) {
  File file(path, File::Access::ReadOnly);
  Digest digest;
  std::string chunk(kChunk, '\0');
  for (;;) {
    const std::size_t got = file.readSomeAt(digest.size, chunk.data(), chunk.size());
    if (got == 0) break;
    digest.crc = checksum::crc32(digest.crc, chunk.data(), got);
    digest.size += got;
  }
  return digest;
}

void writeJournal(const std::filesystem::path& journal, const Renames& renames) {
  std::ostringstream text;
  for (const Rename& r : renames)
    text << r.from.filename().string() << '\t' << r.to.filename().string() << '\t' << r.digest.size << '\t'
         << hex8(r.digest.crc) << '\n';
  // A new regular file: whatever lay at the journal's name (a stale file,
  // a FIFO) is never written through.
  std::error_code ec;
  std::filesystem::remove(journal, ec);
  File out(journal, File::Access::ReadWrite, File::Create::Exclusive);
  out.writeAt(0, text.str());
  out.sync();
  File::syncFolderOf(journal);
}

// The journal's renames, each verified against the file it names (or the
// file it has already become); refused as a whole when any does not verify.
Renames verifiedJournal(const std::filesystem::path& dbfPath, const std::string& text) {
  std::istringstream in(text);
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
  requireOwnFiles(dbfPath, renames);
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
