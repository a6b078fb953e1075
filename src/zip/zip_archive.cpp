#include "zip/zip_archive.h"

#include <sys/stat.h>

#include <cerrno>
#include <limits>

#include "zip/entry_encoder.h"
#include "zip/entry_name.h"
#include "zip/file_facts.h"
#include "zip/replacement_file.h"
#include "zip/zip_error.h"

namespace zip {

namespace {

constexpr std::size_t kMaxEntries = std::numeric_limits<std::uint16_t>::max();

bool isHiddenName(const std::string& name) { return !name.empty() && name.front() == '.'; }

std::uint32_t offsetField(std::uint64_t position, const std::string& path) {
  if (position > std::numeric_limits<std::uint32_t>::max()) {
    throw ZipError(ZipErrorKind::TooLarge, "Cannot write " + path + ": zip archives hold at most 4 GiB");
  }
  return static_cast<std::uint32_t>(position);
}

// Writes an entry read from an earlier archive: a local header made afresh
// from its central values, then its data (and data descriptor) unchanged.
StoredEntry copyStoredEntry(ReplacementFile& out, const PosixFile& archive, const StoredEntry& old) {
  StoredEntry copy = old;
  copy.central.localHeaderOffset = offsetField(out.position(), old.central.name);
  out.write(encodeLocalHeader(copy.central));
  copy.dataOffset = out.position();
  copyBytes(out, archive, old.dataOffset, old.bytesToCopy());
  return copy;
}

// Writes a new or replacing entry from a file already opened; the central
// values describe the file as it is now, whatever the freshen decision saw.
// A replaced entry keeps its comment but not its extra field: another tool's
// extra fields (timestamps, owner ids) would describe the old file, and
// readers prefer them to the DOS stamp.
StoredEntry encodeFile(ReplacementFile& out, PosixFile& source, const std::string& entryName,
                       const std::string& keptComment) {
  struct stat info {};
  if (::fstat(source.descriptor(), &info) != 0) throwIoError("Cannot read the attributes of", source.path(), errno);
  FileFacts facts = factsOf(info);
  StoredEntry entry;
  entry.central.name = entryName;
  entry.central.comment = keptComment;
  entry.central.versionMadeBy = versionMadeByFor(entryName);
  entry.central.modTime = facts.stamp.time;
  entry.central.modDate = facts.stamp.date;
  entry.central.externalAttributes = facts.externalAttributes;
  writeFileEntry(out, source, entry.central);
  entry.dataOffset = std::uint64_t{entry.central.localHeaderOffset} + kLocalHeaderSize + entryName.size();
  return entry;
}

// Whether the file's bytes are those the entry holds: same size and CRC-32.
// Equal DOS stamps prove nothing (they count in two-second steps, so a table
// rewritten within the same two seconds at the same size would look
// unchanged), hence the read. Reading and summing is far cheaper than
// deflating; a file that cannot be read counts as changed, and save() then
// decides what becomes of it.
bool holdsSameBytes(const std::string& filePath, const CentralEntry& central) {
  std::string whyNot;
  PosixFile file = PosixFile::openOrdinaryFile(filePath, &whyNot);
  if (!file.isOpen()) return false;
  const FileChecksum sum = checksumFile(file);
  return sum.size == central.uncompressedSize && sum.crc == central.crc32;
}

}  // namespace

ZipArchive ZipArchive::open(std::string path) {
  ZipArchive zip(std::move(path));
  struct stat info {};
  if (::stat(zip.path_.c_str(), &info) != 0) {
    if (errno == ENOENT) return zip;
    throwIoError("Cannot open", zip.path_, errno);
  }
  if (!S_ISREG(info.st_mode)) throw ZipError(ZipErrorKind::NotAnArchive, kUnhandledArchiveType);
  int error = 0;
  zip.archive_ = PosixFile::openForReading(zip.path_, &error);
  if (!zip.archive_.isOpen()) throwIoError("Cannot open", zip.path_, error);
  ArchiveDirectory directory = readArchiveDirectory(zip.archive_);
  zip.comment_ = std::move(directory.comment);
  for (StoredEntry& stored : directory.entries) zip.entries_.push_back({std::move(stored), true, std::nullopt});
  zip.existsOnDisk_ = true;
  return zip;
}

ZipArchive::Entry* ZipArchive::findEntry(const std::string& name) {
  for (Entry& entry : entries_) {
    if (sameEntryName(entry.stored.central.name, name)) return &entry;
  }
  return nullptr;
}

FreshenResult ZipArchive::freshen(const std::string& filePath) {
  std::string name = bareEntryName(filePath);
  struct stat info {};
  if (::stat(filePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || isHiddenName(name)) {
    return FreshenResult::Skipped;
  }
  FileFacts facts = factsOf(info);
  Entry* existing = findEntry(name);
  if (existing == nullptr) {
    Entry added;
    added.stored.central.name = name;
    added.pendingFile = filePath;
    entries_.push_back(std::move(added));
    return FreshenResult::Added;
  }
  const CentralEntry& central = existing->stored.central;
  if (central.modDate == facts.stamp.date && central.modTime == facts.stamp.time &&
      central.uncompressedSize == facts.size && holdsSameBytes(filePath, central)) {
    return FreshenResult::Kept;
  }
  existing->pendingFile = filePath;
  return FreshenResult::Replaced;
}

bool ZipArchive::hasUnsavedChanges() const {
  for (const Entry& entry : entries_) {
    if (entry.pendingFile) return true;
  }
  return false;
}

// Writes one entry to the new archive, or leaves out a new one whose file
// cannot be read.
void ZipArchive::writeEntry(ReplacementFile& out, const Entry& entry, std::vector<StoredEntry>& written,
                            SaveReport& report, Unreadable unreadable) const {
  if (entry.pendingFile) {
    // Opened without waiting: the file may have become a FIFO since freshen().
    std::string whyNot;
    PosixFile source = PosixFile::openOrdinaryFile(*entry.pendingFile, &whyNot);
    if (source.isOpen()) {
      written.push_back(encodeFile(out, source, bareEntryName(*entry.pendingFile), entry.stored.central.comment));
      return;
    }
    if (unreadable == Unreadable::Fail)
      throw ZipError(ZipErrorKind::Io, "Cannot read " + *entry.pendingFile + ": " + whyNot + "; the backup " + path_ +
                                           " was left as it was");
    report.unreadable.push_back(*entry.pendingFile);
  }
  if (entry.hasStoredData) written.push_back(copyStoredEntry(out, archive_, entry.stored));
}

SaveReport ZipArchive::save(Unreadable unreadable, const std::atomic<bool>* stop) {
  SaveReport report;
  if (existsOnDisk_ && !hasUnsavedChanges()) return report;
  if (entries_.size() > kMaxEntries) {
    throw ZipError(ZipErrorKind::TooLarge, "Cannot write " + path_ + ": more than 65535 entries");
  }

  ReplacementFile out(path_);
  out.stopWhen(stop);
  std::vector<StoredEntry> written;
  written.reserve(entries_.size());
  for (const Entry& entry : entries_) writeEntry(out, entry, written, report, unreadable);

  EndRecord end;
  end.entryCount = static_cast<std::uint16_t>(written.size());
  end.directoryOffset = offsetField(out.position(), path_);
  for (const StoredEntry& entry : written) out.write(encodeCentralHeader(entry.central));
  end.directorySize = static_cast<std::uint32_t>(out.position() - end.directoryOffset);
  end.comment = comment_;
  out.write(encodeEndRecord(end));
  out.commit();

  // From now on the entries' data lies in the new archive file.
  int error = 0;
  PosixFile reopened = PosixFile::openForReading(path_, &error);
  if (!reopened.isOpen()) throwIoError("Cannot reopen", path_, error);
  archive_ = std::move(reopened);
  entries_.clear();
  for (StoredEntry& stored : written) entries_.push_back({std::move(stored), true, std::nullopt});
  existsOnDisk_ = true;
  report.written = true;
  return report;
}

}  // namespace zip
