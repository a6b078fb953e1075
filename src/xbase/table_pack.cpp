#include "xbase/table_pack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

#include "checksum/crc32.h"
#include "fileio/file_calls.h"
#include "xbase/cdx/cdx_file.h"
#include "xbase/dbf_bytes.h"
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

// The size and CRC-32 of a new file whose bytes past its first `head`
// were written with their CRC-32 `bodyCrc` taken on the way: only the head
// is read back. A file of another length than `head` + `body` is read whole.
Digest digestWithBody(const File& file, std::uint64_t head, std::uint64_t body, std::uint32_t bodyCrc) {
  if (file.size() != head + body) return digestOf(file.path());
  std::string bytes(static_cast<std::size_t>(head), '\0');
  file.readAt(0, bytes.data(), bytes.size());
  const auto headCrc = checksum::crc32(0, bytes.data(), bytes.size());
  return {head + body, checksum::crc32Combine(headCrc, bodyCrc, body)};
}

// Appends to a new file through a large buffer.
class SequentialWriter {
 public:
  // `crc`, when given, takes in the CRC-32 of every byte written.
  SequentialWriter(File& file, std::uint64_t start, std::uint32_t* crc = nullptr)
      : file_(file), offset_(start), crc_(crc) {}
  void write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kChunk) flush();
  }
  void flush() {
    if (crc_) *crc_ = checksum::crc32(*crc_, buffer_.data(), buffer_.size());
    file_.writeAt(offset_, buffer_);
    offset_ += buffer_.size();
    buffer_.clear();
  }
  // Goes on at `offset` (flushed; the bytes between were written otherwise).
  void moveTo(std::uint64_t offset) { offset_ = offset; }

 private:
  File& file_;
  std::uint64_t offset_;
  std::uint32_t* crc_;
  std::string buffer_;
};

// Writes the kept memos to the new memo file, one after another from its
// first block. Runs stored as this engine writes them (a text run filling
// its blocks) are taken as they are: a long stretch of kept runs lying side
// by side in the old file is copied by the kernel without passing through
// here, shorter ones (a few runs between deleted records, where a call per
// stretch would cost more than it saves) are gathered and written in large
// pieces. Any other run is written anew from its text. The CRC-32 of the new
// file is kept on the way (the runs are read anyway for their lengths), so
// the file need not be read back for the journal.
class MemoCopier {
 public:
  MemoCopier(FptFile& old, File& out)
      : in_(old),
        old_(old.file()),
        out_(out),
        blockSize_(old.blockSize()),
        first_(FptFile::firstBlock(blockSize_)),
        next_(first_),
        crc_(0),
        gathered_(out, std::uint64_t{first_} * blockSize_, &crc_) {}

  // The new block of the memo at `oldBlock` (0: none).
  std::uint32_t copy(std::uint32_t oldBlock) {
    if (oldBlock == 0) return 0;
    const std::string_view run = in_.run(oldBlock);
    const std::uint32_t length = readBe32(run.data() + 4);
    if (length == 0) return 0;
    const std::uint64_t from = std::uint64_t{oldBlock} * blockSize_;
    const bool asStored = readBe32(run.data()) == 1 && run.size() % blockSize_ == 0;
    if (!asStored || from != stretchEnd_) {
      flushCopy();
      stretch_ = 0;
    }
    std::string image;
    const std::string_view bytes =
        asStored ? run : (image = FptFile::blockImage(run.substr(FptFile::kBlockHeaderSize, length), blockSize_));
    const std::uint64_t at = std::uint64_t{next_} * blockSize_;
    stretch_ += bytes.size();
    stretchEnd_ = asStored ? from + bytes.size() : 0;
    if (asStored && stretch_ > kKernelCopy) {
      if (pending_ == 0) {
        gathered_.flush();
        copyFrom_ = from;
        copyTo_ = at;
      }
      pending_ += bytes.size();
      crc_ = checksum::crc32(crc_, bytes.data(), bytes.size());
    } else {
      flushCopy();
      gathered_.write(bytes);  // its CRC-32 is taken when written
    }
    const std::uint32_t block = next_;
    next_ += static_cast<std::uint32_t>(bytes.size() / blockSize_);
    return block;
  }

  // Writes what is pending and the header's next free block; returns the
  // new file's size and CRC-32.
  Digest finish() {
    flushCopy();
    gathered_.flush();
    out_.writeAt(0, FptFile::headerImage(next_, blockSize_).substr(0, 8));
    return digestWithBody(out_, std::uint64_t{first_} * blockSize_, std::uint64_t{next_ - first_} * blockSize_, crc_);
  }

 private:
  static constexpr std::uint64_t kKernelCopy = 64 << 10;  // a stretch copied by the kernel past this

  void flushCopy() {
    if (pending_ == 0) return;
    out_.copyFrom(old_, copyFrom_, copyTo_, pending_);
    gathered_.moveTo(copyTo_ + pending_);
    pending_ = 0;
  }

  FptReader in_;
  const File& old_;
  File& out_;
  std::uint32_t blockSize_;
  std::uint32_t first_;
  std::uint32_t next_;
  std::uint32_t crc_;  // of the bytes written so far, in file order
  SequentialWriter gathered_;
  std::uint64_t stretch_ = 0, stretchEnd_ = 0;             // the old runs side by side so far
  std::uint64_t copyFrom_ = 0, copyTo_ = 0, pending_ = 0;  // the part of them left to the kernel
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
  std::optional<MemoCopier> memos;
  if (table.fpt()) {
    const auto fptPath = table.fpt()->file().path();
    removeQuietly(newFileOf(fptPath));
    created.add(newFileOf(fptPath));
    FptFile::create(newFileOf(fptPath), table.fpt()->blockSize());
    keepOwnerAndMode(newFileOf(fptPath), fptPath);
    newFpt = std::make_unique<File>(newFileOf(fptPath), File::Access::ReadWrite);
    memos.emplace(*table.fpt(), *newFpt);
    renames.push_back({newFileOf(fptPath), fptPath, {}});
  }

  std::uint32_t recordsCrc = 0;
  SequentialWriter recordsOut(newDbfFile, header.headerLength, &recordsCrc);
  std::uint32_t kept = 0;
  std::string record;
  old.forEachRecord([&](std::uint32_t, std::string_view source) {
    if (source[0] == '*') return;
    record.assign(source);
    for (std::size_t f = 0; f < header.fields.size(); ++f) {
      const FieldInfo& field = header.fields[f];
      if (field.type != 'M' || !memos) continue;
      const auto at = static_cast<std::size_t>(header.offsets[f]);
      const std::uint32_t oldBlock = memoBlockOf(field, source.substr(at, static_cast<std::size_t>(field.length)));
      const std::string pointer = encodeMemoBlock(field, memos->copy(oldBlock));
      record.replace(at, pointer.size(), pointer);
    }
    recordsOut.write(record);
    ++kept;
  });
  recordsOut.write(std::string_view("\x1A", 1));
  recordsOut.flush();
  newDbfFile.writeAt(1, DbfHeader::dateAndCount(kept));
  newDbfFile.sync();
  const Digest dbfDigest = digestWithBody(newDbfFile, header.headerLength,
                                          std::uint64_t{kept} * header.recordLength + 1, recordsCrc);
  std::optional<Digest> memoDigest;
  if (memos) {
    memoDigest = memos->finish();
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
  // The table file first, the memo file second; the index is read back.
  for (std::size_t i = 0; i < renames.size(); ++i)
    renames[i].digest = i == 0 ? dbfDigest : i == 1 && memoDigest ? *memoDigest : digestOf(renames[i].from);
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
