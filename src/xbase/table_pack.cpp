#include "xbase/table_pack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

#include "fileio/file_calls.h"
#include "xbase/cdx/cdx_file.h"
#include "xbase/dbf_record.h"
#include "xbase/error.h"
#include "xbase/fpt_file.h"
#include "xbase/lock.h"
#include "xbase/table_files.h"
#include "xbase/table_pack_journal.h"

namespace xbase {
namespace {

constexpr std::size_t kChunk = 1 << 20;

std::filesystem::path journalOf(const std::filesystem::path& dbfPath) { return packJournalOf(dbfPath); }
std::filesystem::path newFileOf(const std::filesystem::path& path) {
  return std::filesystem::path(path.string() + ".packing");
}

void removeQuietly(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

// Appends to a new file through a large buffer.
class SequentialWriter {
 public:
  SequentialWriter(File& file, std::uint64_t start) : file_(file), offset_(start) {}
  void write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kChunk) flush();
  }
  void flush() {
    file_.writeAt(offset_, buffer_);
    offset_ += buffer_.size();
    buffer_.clear();
  }

 private:
  File& file_;
  std::uint64_t offset_;
  std::string buffer_;
};

void applyRenames(const Renames& renames) {
  for (const Rename& r : renames) {
    std::error_code ec;
    if (!std::filesystem::exists(r.from, ec)) continue;  // done before an interruption
    if (fileio::calls.rename(r.from.c_str(), r.to.c_str()) != 0)
      throw Error(ErrorCode::Io, "Cannot replace " + r.to.string() + ": " + std::strerror(errno));
  }
}

// The new file takes the mode of the one it replaces, and its owner where
// the packer may give it away (else it stays the packer's).
void keepOwnerAndMode(const std::filesystem::path& newPath, const std::filesystem::path& oldPath) {
  struct stat old {};
  if (::stat(oldPath.c_str(), &old) != 0) return;
  if (::chown(newPath.c_str(), old.st_uid, old.st_gid) != 0) {
    // not permitted: the packer keeps it
  }
  if (::chmod(newPath.c_str(), old.st_mode & 07777) != 0)
    throw Error(ErrorCode::Io, "Cannot set the mode of " + newPath.string() + ": " + std::strerror(errno));
}

// Removes the new files when the pack stops before its journal.
class NewFiles {
 public:
  ~NewFiles() {
    for (const auto& path : paths_) removeQuietly(path);
  }
  void add(const std::filesystem::path& path) { paths_.push_back(path); }
  void keep() { paths_.clear(); }

 private:
  std::vector<std::filesystem::path> paths_;
};

// Writes the packed copies of the table's files beside them; returns the
// renames that put them in place, the table file first.
Renames writeNewFiles(Table& table, const std::vector<const TagRule*>& rules, File& newDbfFile, NewFiles& created) {
  const auto dbfPath = table.path();
  DbfFile& old = table.dbf();
  old.refreshCount();
  const DbfHeader& header = old.header();
  Renames renames;

  // The new table file, locked exclusively at once: the locks stay with the
  // file through its rename, so nobody opens the packed table before us.
  const auto newDbfPath = newFileOf(dbfPath);
  removeQuietly(newDbfPath);
  DbfHeader fresh = header;
  fresh.recordCount = 0;
  created.add(newDbfPath);  // before it is written: a failed create leaves no part of it
  DbfFile::create(newDbfPath, fresh);
  keepOwnerAndMode(newDbfPath, dbfPath);
  newDbfFile = File(newDbfPath, File::Access::ReadWrite);
  if (!newDbfFile.tryLock(lockregion::kOpenMarker, 1, true) || !newDbfFile.tryLockWhole(true))
    throw Error(ErrorCode::Exclusive, "Cannot lock the packed copy " + newDbfPath.string());
  renames.push_back({newDbfPath, dbfPath, {}});

  std::unique_ptr<File> newFpt;
  std::uint32_t nextBlock = 0;
  const std::uint32_t blockSize = table.fpt() ? table.fpt()->blockSize() : 0;
  std::unique_ptr<SequentialWriter> memoOut;
  if (table.fpt()) {
    const auto fptPath = table.fpt()->file().path();
    removeQuietly(newFileOf(fptPath));
    created.add(newFileOf(fptPath));
    FptFile::create(newFileOf(fptPath), blockSize);
    keepOwnerAndMode(newFileOf(fptPath), fptPath);
    newFpt = std::make_unique<File>(newFileOf(fptPath), File::Access::ReadWrite);
    nextBlock = FptFile::firstBlock(blockSize);
    memoOut = std::make_unique<SequentialWriter>(*newFpt, static_cast<std::uint64_t>(nextBlock) * blockSize);
    renames.push_back({newFileOf(fptPath), fptPath, {}});
  }

  std::optional<FptReader> memoIn;
  if (table.fpt()) memoIn.emplace(*table.fpt());
  SequentialWriter recordsOut(newDbfFile, header.headerLength);
  std::uint32_t kept = 0;
  std::string record;
  old.forEachRecord([&](std::uint32_t, std::string_view source) {
    if (source[0] == '*') return;
    record.assign(source);
    for (std::size_t f = 0; f < header.fields.size(); ++f) {
      const FieldInfo& field = header.fields[f];
      if (field.type != 'M' || !memoOut) continue;
      const auto at = static_cast<std::size_t>(header.offsets[f]);
      const std::uint32_t oldBlock = memoBlockOf(field, source.substr(at, static_cast<std::size_t>(field.length)));
      const std::string text = oldBlock == 0 ? std::string() : memoIn->read(oldBlock);
      std::uint32_t block = 0;
      if (!text.empty()) {
        const std::string image = FptFile::blockImage(text, blockSize);
        block = nextBlock;
        nextBlock += static_cast<std::uint32_t>(image.size() / blockSize);
        memoOut->write(image);
      }
      const std::string pointer = encodeMemoBlock(field, block);
      record.replace(at, pointer.size(), pointer);
    }
    recordsOut.write(record);
    ++kept;
  });
  recordsOut.write(std::string_view("\x1A", 1));
  recordsOut.flush();
  newDbfFile.writeAt(1, DbfHeader::dateAndCount(kept));
  newDbfFile.sync();
  if (memoOut) {
    memoOut->flush();
    newFpt->writeAt(0, FptFile::headerImage(nextBlock, blockSize).substr(0, 8));
    newFpt->sync();
  }

  if (table.cdx()) {
    const auto cdxPath = table.cdx()->path();
    const auto newCdxPath = newFileOf(cdxPath);
    removeQuietly(newCdxPath);
    created.add(newCdxPath);
    DbfFile packed(File(newDbfPath, File::Access::ReadOnly));
    std::vector<CdxEntrySource> entries;
    for (const TagRule* rule : rules) entries.push_back(rule->entriesOf(packed));
    table.cdx()->rebuildInto(newCdxPath, entries);
    keepOwnerAndMode(newCdxPath, cdxPath);
    renames.push_back({newCdxPath, cdxPath, {}});
  }
  for (Rename& r : renames) r.digest = digestOf(r.from);
  return renames;
}

}  // namespace

void packTable(Table& table, const std::vector<const TagRule*>& rules) {
  table.requireWritable();
  const auto dbfPath = table.path();
  File newDbfFile;
  NewFiles created;
  Renames renames = writeNewFiles(table, rules, newDbfFile, created);
  const auto journal = journalOf(dbfPath);
  try {
    writeJournal(journal, renames);
  } catch (...) {
    removeQuietly(journal);
    throw;
  }
  created.keep();
  // The DBF goes last: until it is renamed, an interrupted pack is finished
  // from the journal.
  std::rotate(renames.begin(), renames.begin() + 1, renames.end());
  applyRenames(renames);
  File::syncFolderOf(dbfPath);
  removeQuietly(journal);
  File::syncFolderOf(dbfPath);
  table.reopen(std::move(newDbfFile));
}

void finishInterruptedPack(const std::filesystem::path& dbfPath) {
  const auto journal = journalOf(dbfPath);
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(journal, ec))) return;
  // Only when nobody has the table open: a pack running right now holds it
  // exclusively (the old file, then the new one that replaces it).
  std::optional<File> current;
  try {
    current.emplace(dbfPath, File::Access::ReadWrite);
  } catch (const Error&) {
    return;  // not writable here: the open that follows reports what is wrong
  }
  if (!current->tryLock(lockregion::kOpenMarker, 1, true) || !current->tryLockWhole(true)) return;
  const std::optional<std::string> text = readPackJournal(dbfPath);
  if (!text) return;
  // The journal is written whole and flushed before the first rename, so
  // one without a complete line was cut while being written: nothing was
  // replaced yet, and the old files are the table.
  if (text->find('\n') == std::string::npos) {
    removeQuietly(newFileOf(dbfPath));
    for (const char* extension : {".fpt", ".cdx"})
      if (const auto beside = fileBeside(dbfPath, extension); !beside.empty()) removeQuietly(newFileOf(beside));
    removeQuietly(journal);
    File::syncFolderOf(dbfPath);
    return;
  }
  Renames renames = verifiedJournal(dbfPath, *text);
  std::rotate(renames.begin(), renames.begin() + 1, renames.end());
  applyRenames(renames);
  File::syncFolderOf(dbfPath);
  removeQuietly(journal);
}

}  // namespace xbase
