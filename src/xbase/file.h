#pragma once

// A thin RAII wrapper over a POSIX file descriptor: positioned reads and
// writes that either complete or throw xbase::Error, plus the byte-range locks
// that let several cursors and processes share a table.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace xbase {

class File {
 public:
  enum class Access { ReadOnly, ReadWrite };
  enum class Create { No, Exclusive };  // Exclusive: fail when it exists

  File() = default;
  // Only regular files are opened: anything else (a FIFO, a device) is
  // refused with Error Io instead of blocking or reading endlessly.
  File(const std::filesystem::path& path, Access access, Create create = Create::No);
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  const std::filesystem::path& path() const { return path_; }
  bool writable() const { return access_ == Access::ReadWrite; }

  std::uint64_t size() const;
  // Reads exactly n bytes at offset; a short read (past the end) throws Corrupt.
  void readAt(std::uint64_t offset, void* buffer, std::size_t n) const;
  // Reads up to n bytes; returns how many were there.
  std::size_t readSomeAt(std::uint64_t offset, void* buffer, std::size_t n) const;
  void writeAt(std::uint64_t offset, const void* buffer, std::size_t n);
  void writeAt(std::uint64_t offset, std::string_view bytes) { writeAt(offset, bytes.data(), bytes.size()); }
  // Copies n bytes at `from` in `source` to `offset` here: inside the
  // kernel (copy_file_range) where the file systems allow it, else through
  // a buffer. A source shorter than that throws Corrupt.
  void copyFrom(const File& source, std::uint64_t from, std::uint64_t offset, std::uint64_t n);
  void truncate(std::uint64_t size);
  void sync();
  // Flushes the folder holding `path` (its renames and new names) to disk;
  // best effort.
  static void syncFolderOf(const std::filesystem::path& path);

  // Open-file-description locks (F_OFD_*): held per open file, so two
  // cursors in one process conflict like two processes, and closing one
  // descriptor never drops another's locks. Return false when someone else
  // holds a conflicting lock.
  bool tryLock(std::uint64_t offset, std::uint64_t length, bool exclusive);
  void lockWait(std::uint64_t offset, std::uint64_t length, bool exclusive);
  void unlock(std::uint64_t offset, std::uint64_t length);
  // A whole-file lock (flock), the mark other xBase programs on this system
  // put on every open of a table: shared or exclusive, never waiting.
  // Returns false when someone else holds a conflicting one.
  bool tryLockWhole(bool exclusive);

 private:
  void close() noexcept;
  int fd_ = -1;
  Access access_ = Access::ReadOnly;
  std::filesystem::path path_;
};

}  // namespace xbase
