#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "zip/archive_directory.h"
#include "zip/posix_file.h"
#include "zip/zip_records.h"

namespace zip {

enum class FreshenResult {
  Added,     // no entry of that name yet: the file becomes a new last entry
  Replaced,  // the entry's date, time, size or bytes (CRC-32) differed from the file's
  Kept,      // the entry holds the file's bytes under its stamp and stays as it is
  Skipped,   // missing, not an ordinary file, or hidden: nothing changes
};

struct SaveReport {
  bool written = false;
  // Files that could not be opened when the save came to them: a new entry
  // is left out, a replaced one keeps its previous data.
  std::vector<std::string> unreadable;
};

// A zip archive being freshened with files. Opening reads an existing
// archive's directory (entries keep every central-directory value and their
// data is copied unchanged on save) or starts an empty one. freshen() only
// decides; save() writes the new archive beside the old one and renames it
// into place, so the previous archive stays whole until the new one is
// complete on disk.
class ZipArchive {
 public:
  // Raises ZipError for a file that is not an archive ("Unhandled Archive
  // Type"), a damaged or unsupported one, or one that cannot be read.
  static ZipArchive open(std::string path);

  // Adds the file under its bare name, replaces the entry of that name
  // (compared without regard to ASCII case) when the file's DOS date, time,
  // size or CRC-32 differs from it, or keeps the entry. Only a file whose
  // stamp and size match is read, to sum its bytes; one that cannot be read
  // then is replaced. The data is compressed by save().
  FreshenResult freshen(const std::string& filePath);

  bool hasUnsavedChanges() const;
  // What save() does with a file it cannot open: leave it out (a new entry
  // is dropped, a replaced one keeps its previous data), or fail with
  // ZipError Io and leave the archive on disk as it was.
  enum class Unreadable { LeaveOut, Fail };
  // Writes the archive when it has unsaved changes or does not exist yet.
  // Raising `stop` ends the write with ZipError Stopped, the archive on
  // disk as it was.
  SaveReport save(Unreadable unreadable = Unreadable::LeaveOut, const std::atomic<bool>* stop = nullptr);

  std::size_t entryCount() const { return entries_.size(); }
  const CentralEntry& entry(std::size_t index) const { return entries_[index].stored.central; }
  const std::string& comment() const { return comment_; }
  const std::string& path() const { return path_; }

 private:
  struct Entry {
    StoredEntry stored;                      // central values; data in archive_ when it has data
    bool hasStoredData = false;              // false for an entry added since the last save
    std::optional<std::string> pendingFile;  // file to read at the next save
  };

  explicit ZipArchive(std::string path) : path_(std::move(path)) {}
  Entry* findEntry(const std::string& name);
  void writeEntry(class ReplacementFile& out, const Entry& entry, std::vector<StoredEntry>& written, SaveReport& report,
                  Unreadable unreadable) const;

  std::string path_;
  PosixFile archive_;  // the archive file as last read or saved (closed when none exists)
  std::vector<Entry> entries_;
  std::string comment_;
  bool existsOnDisk_ = false;
};

}  // namespace zip
