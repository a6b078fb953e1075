#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "zip/posix_file.h"

namespace zip {

// The new version of a file, written beside it under a temporary name and put
// in its place only when complete: commit() flushes the data to disk, renames
// the temporary file over the target and flushes the folder entry. Until then
// the target keeps its old content whole; a failure or a destruction without
// commit removes the temporary file. The new file keeps the old one's
// permission bits, or gets the usual ones (0666 less the umask) when new.
// The temporary file is locked while open; temporary files of the same
// target that nobody locks (left by a writer killed before its commit) are
// removed when a new replacement starts. A target that exists but is no
// ordinary file (a device such as /dev/stdout, a pipe) is written directly
// and in order instead, never replaced.
class ReplacementFile {
 public:
  explicit ReplacementFile(std::string targetPath);
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  // Once `flag` (nullptr: none) is raised, the next write fails with
  // ZipError Stopped, so the target keeps its old content and the temporary
  // file goes.
  void stopWhen(const std::atomic<bool>* flag) { stop_ = flag; }

  // Appends at the current position, which then moves past the bytes.
  void write(const void* buffer, std::size_t length);
  void write(const std::string& bytes) { write(bytes.data(), bytes.size()); }
  // Overwrites earlier bytes without moving the current position.
  void patch(std::uint64_t offset, const std::string& bytes);
  // Moves the current position back, to write over what followed it.
  void rewindTo(std::uint64_t offset);
  std::uint64_t position() const { return position_; }

  // Cuts the file at the current position and puts it in place of the target.
  void commit();

  const std::string& temporaryPath() const { return temporaryPath_; }

 private:
  void openDirect();

  std::string targetPath_;
  std::string temporaryPath_;
  PosixFile file_;
  std::uint64_t position_ = 0;
  bool committed_ = false;
  bool direct_ = false;  // writing straight to a device or pipe
  const std::atomic<bool>* stop_ = nullptr;
};

}  // namespace zip
