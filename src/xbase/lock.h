#pragma once

// The byte-range locks that let cursors and processes share a table. The
// offsets are those FoxPro-compatible programs use for a table with a
// structural index, so that sharing a folder with such a program is safe:
//
//   DBF header lock    0x7FFFFFFE, 1 byte     held around an append, a memo
//                                             allocation and every index change
//   DBF record lock    0x7FFFFFFE - recno, 1  held while a record is edited
//   CDX lock           0x7FFFFFFE, 1 byte     (in the .CDX file) shared while
//                                             reading the index, exclusive while
//                                             changing it
//   memo lock          byte 0, 1 byte         (in the memo file) exclusive while
//                                             memo blocks are allocated (the next
//                                             free block is read and advanced under
//                                             it), shared while a memo is read
//
// Every open marks the DBF twice, so that both we and other programs see
// it: a read lock on our "open" marker at 0x7FFFFFFF (1 byte) for a shared
// open, a write lock for an exclusive one; and flock() on the whole file,
// shared or exclusive alike, which is how other xBase programs on this
// system mark their opens. An exclusive open fails while anyone holds
// either mark, and a shared open fails while someone holds either
// exclusively. The locks belong to the open file description, so two
// cursors in one process conflict just like two processes.

#include <cstdint>

#include "xbase/file.h"

namespace xbase {

namespace lockregion {
constexpr std::uint64_t kHeader = 0x7FFFFFFE;
constexpr std::uint64_t kOpenMarker = 0x7FFFFFFF;
constexpr std::uint64_t kMemo = 0;  // in the memo file
constexpr std::uint64_t record(std::uint32_t recno) { return kHeader - recno; }
}  // namespace lockregion

// Holds one lock until it goes out of scope. An empty guard (no file) holds
// nothing: exclusive opens need no locks.
class LockGuard {
 public:
  LockGuard() = default;
  LockGuard(File* file, std::uint64_t offset, std::uint64_t length = 1)
      : file_(file), offset_(offset), length_(length) {}
  ~LockGuard() { release(); }
  LockGuard(LockGuard&& other) noexcept : file_(other.file_), offset_(other.offset_), length_(other.length_) {
    other.file_ = nullptr;
  }
  LockGuard& operator=(LockGuard&& other) noexcept;
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

  bool holds() const { return file_ != nullptr; }
  void release() noexcept;

  // Waits for a lock (only ever held briefly by others).
  static LockGuard wait(File* file, std::uint64_t offset, bool exclusive);
  // Takes a lock on `length` bytes or returns an empty guard when someone
  // else holds any of them.
  static LockGuard attempt(File* file, std::uint64_t offset, bool exclusive, std::uint64_t length = 1);

 private:
  File* file_ = nullptr;
  std::uint64_t offset_ = 0;
  std::uint64_t length_ = 1;
};

}  // namespace xbase
