#pragma once

// The FoxPro memo file (.FPT): a 512-byte header (next free block and block
// size, both big endian) and memo texts in runs of blocks, each run starting
// with an 8-byte block header (type 1 = text, then the length, big endian).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "xbase/file.h"

namespace xbase {

class FptFile {
 public:
  static constexpr std::uint32_t kHeaderSize = 512;
  static constexpr std::uint32_t kDefaultBlockSize = 64;
  static constexpr std::uint32_t kBlockHeaderSize = 8;

  // Writes an empty memo file; block size 0 means the default (64).
  // Fails when the file exists.
  static void create(const std::filesystem::path& path, std::uint32_t blockSize);
  // The first block after the header for a block size.
  static std::uint32_t firstBlock(std::uint32_t blockSize);
  // The memo file header with `nextFree` and `blockSize`.
  static std::string headerImage(std::uint32_t nextFree, std::uint32_t blockSize);
  // A memo's block header followed by its text, padded to whole blocks.
  static std::string blockImage(std::string_view text, std::uint32_t blockSize);

  explicit FptFile(File file);

  File& file() { return file_; }
  const File& file() const { return file_; }
  std::uint32_t blockSize() const { return blockSize_; }
  // On an exclusive open the next free block is kept in memory after the
  // first append instead of being read from the header each time.
  void setSoleWriter(bool sole) {
    soleWriter_ = sole;
    knownNextFree_ = 0;
  }
  std::string name() const { return file_.path().filename().string(); }

  // The text of the memo starting at `block`. A block inside the header, a
  // run past the end of the file or an impossible length: Error Corrupt.
  std::string read(std::uint32_t block) const;

  // Rewrites the memo at `block` with `text` when the text fits in the
  // blocks the old memo occupies; false (nothing written) otherwise.
  bool rewriteInPlace(std::uint32_t block, std::string_view text);
  // Writes `text` in new blocks at the end and advances the header's next
  // free block. The caller holds the table's memo lock. Returns the block.
  // A file shorter than its next free block says (cut, or a damaged block
  // size): Error Corrupt, nothing written.
  std::uint32_t append(std::string_view text);

  // Gathered appends (a bulk load on an exclusive open): append() keeps the
  // new blocks in memory, where they read as stored, and writes them in
  // large pieces, each followed by the header's next free block.
  void gatherAppends();
  // Writes what was gathered; gathering goes on.
  void writeGathered();
  // Writes what was gathered and stops gathering.
  void stopGathering();
  // Forgets what was gathered, unwritten, and stops gathering (a rollback).
  void dropGathered();

 private:
  void requireSound(std::uint32_t nextFree) const;
  friend class FptReader;
  std::uint64_t runStart(std::uint32_t block) const;
  void requireRunHead(std::uint32_t block, std::uint64_t fileSize) const;
  // The length in the block header `head` of the memo at `block`, checked
  // against the file's size.
  std::uint32_t checkedLength(std::uint32_t block, const char* head, std::uint64_t fileSize) const;
  std::uint32_t storedLength(std::uint32_t block, std::uint64_t fileSize) const;

  File file_;
  std::uint32_t blockSize_ = kDefaultBlockSize;
  bool soleWriter_ = false;
  std::uint32_t knownNextFree_ = 0;  // 0: read it from the header
  bool gathering_ = false;
  std::uint32_t gatheredFrom_ = 0;  // the first gathered block
  std::string gathered_;            // blocks gatheredFrom_ on
};

// Reads the memos of a file nobody writes meanwhile (an exclusive pack, or
// under a held read lock) through a window: memos visited in about file
// order cost one read per window instead of two reads per memo. The window
// doubles, up to a megabyte, while the reads go on forward, and starts
// small again after a jump, so that memos visited out of order cost one
// small read each. The same checks as FptFile::read apply.
class FptReader {
 public:
  explicit FptReader(const FptFile& fpt) : fpt_(fpt), size_(fpt.file().size()) {}
  std::string read(std::uint32_t block);
  // The run of the memo at `block` as stored: its block header, its text
  // and the padding to its last block, or to the end of the file when the
  // run stops short of that. Valid until the next call.
  std::string_view run(std::uint32_t block);

 private:
  // `n` bytes at `offset`, which the caller has checked lie in the file.
  const char* view(std::uint64_t offset, std::size_t n);

  const FptFile& fpt_;
  std::uint64_t size_;
  std::uint64_t start_ = 0;
  std::string window_;
  std::size_t windowSize_ = 0;  // the next window's size
};

}  // namespace xbase
