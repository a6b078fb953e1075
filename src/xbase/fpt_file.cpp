#include "xbase/fpt_file.h"

#include <algorithm>

#include "xbase/dbf_bytes.h"
#include "xbase/error.h"

namespace xbase {

// Write order: a new memo's blocks first, then the header's next free block.
// A crash between the two leaves blocks that no record points to; they stay
// unused until a pack. A memo rewritten in place belongs to the
// record being written, so no other record's memo is ever touched.

namespace {

constexpr std::size_t kGatheredBytes = 1 << 20;  // gathered blocks written at once

std::uint64_t blocksFor(std::uint64_t bytes, std::uint32_t blockSize) { return (bytes + blockSize - 1) / blockSize; }

}  // namespace

std::uint32_t FptFile::firstBlock(std::uint32_t blockSize) {
  return static_cast<std::uint32_t>(blocksFor(kHeaderSize, blockSize));
}

std::string FptFile::headerImage(std::uint32_t nextFree, std::uint32_t blockSize) {
  std::string header(kHeaderSize, '\0');
  writeBe32(header.data(), nextFree);
  writeBe16(header.data() + 6, static_cast<std::uint16_t>(blockSize));
  return header;
}

std::string FptFile::blockImage(std::string_view text, std::uint32_t blockSize) {
  std::string image(blocksFor(kBlockHeaderSize + text.size(), blockSize) * blockSize, '\0');
  writeBe32(image.data(), 1);
  writeBe32(image.data() + 4, static_cast<std::uint32_t>(text.size()));
  image.replace(kBlockHeaderSize, text.size(), text);
  return image;
}

void FptFile::create(const std::filesystem::path& path, std::uint32_t blockSize) {
  if (blockSize == 0) blockSize = kDefaultBlockSize;
  if (blockSize > 0xFFFF) throw Error(ErrorCode::Argument, "A memo block size is at most 65535 bytes");
  File file(path, File::Access::ReadWrite, File::Create::Exclusive);
  std::string image = headerImage(firstBlock(blockSize), blockSize);
  // The header fills whole blocks, so the first memo starts on a block boundary.
  image.resize(static_cast<std::size_t>(firstBlock(blockSize)) * blockSize, '\0');
  file.writeAt(0, image);
}

FptFile::FptFile(File file) : file_(std::move(file)) {
  char header[8];
  if (file_.readSomeAt(0, header, sizeof header) != sizeof header)
    throw Error(ErrorCode::Corrupt, name() + " is not a readable memo file: it is shorter than its header");
  blockSize_ = readBe16(header + 6);
  if (blockSize_ == 0) throw Error(ErrorCode::Corrupt, name() + " is not a readable memo file: its block size is 0");
}

std::uint64_t FptFile::runStart(std::uint32_t block) const {
  const std::uint64_t offset = static_cast<std::uint64_t>(block) * blockSize_;
  if (offset < kHeaderSize)
    throw Error(ErrorCode::Corrupt,
                name() + ": a memo points to block " + std::to_string(block) + ", inside the memo file header");
  return offset;
}

void FptFile::requireRunHead(std::uint32_t block, std::uint64_t fileSize) const {
  if (runStart(block) + kBlockHeaderSize > fileSize)
    throw Error(ErrorCode::Corrupt,
                name() + ": a memo points to block " + std::to_string(block) + ", past the end of the memo file");
}

std::uint32_t FptFile::checkedLength(std::uint32_t block, const char* head, std::uint64_t fileSize) const {
  const std::uint32_t length = readBe32(head + 4);
  if (runStart(block) + kBlockHeaderSize + length > fileSize)
    throw Error(ErrorCode::Corrupt, name() + ": the memo in block " + std::to_string(block) + " claims " +
                                        std::to_string(length) + " bytes, more than the memo file holds");
  return length;
}

std::uint32_t FptFile::storedLength(std::uint32_t block, std::uint64_t fileSize) const {
  requireRunHead(block, fileSize);
  char head[kBlockHeaderSize];
  file_.readAt(runStart(block), head, sizeof head);
  return checkedLength(block, head, fileSize);
}

std::string FptFile::read(std::uint32_t block) const {
  if (!gathered_.empty() && block >= gatheredFrom_) {
    const std::size_t at = static_cast<std::size_t>(block - gatheredFrom_) * blockSize_;
    if (at + kBlockHeaderSize <= gathered_.size()) {
      const std::uint32_t length = readBe32(gathered_.data() + at + 4);
      return gathered_.substr(at + kBlockHeaderSize, length);
    }
  }
  const std::uint32_t length = storedLength(block, file_.size());
  std::string text(length, '\0');
  file_.readAt(runStart(block) + kBlockHeaderSize, text.data(), length);
  return text;
}

bool FptFile::rewriteInPlace(std::uint32_t block, std::string_view text) {
  if (block == 0) return false;
  writeGathered();
  std::uint32_t oldLength = 0;
  try {
    oldLength = storedLength(block, file_.size());
  } catch (const Error&) {
    return false;  // a damaged old memo is left alone; the text goes to new blocks
  }
  if (blocksFor(kBlockHeaderSize + text.size(), blockSize_) > blocksFor(kBlockHeaderSize + oldLength, blockSize_))
    return false;
  std::string image(kBlockHeaderSize, '\0');
  writeBe32(image.data(), 1);
  writeBe32(image.data() + 4, static_cast<std::uint32_t>(text.size()));
  image.append(text);
  file_.writeAt(runStart(block), image);
  return true;
}

// A memo file shorter than its header or than its own next free block was
// cut, or its block size was damaged: the memos it holds are not where
// their records point. Adding to it would hide that (the file grows back
// over the gap), so a write refuses before anything is written. A last run
// that stops short of its final block (some programs do not pad it) is
// sound.
void FptFile::requireSound(std::uint32_t nextFree) const {
  const std::uint64_t size = file_.size();
  std::string why;
  if (size < kHeaderSize)
    why = "it has " + std::to_string(size) + " bytes, less than its " + std::to_string(kHeaderSize) + "-byte header";
  else if (std::uint64_t{nextFree} * blockSize_ > size + blockSize_)
    why = "its next free block (" + std::to_string(nextFree) + " of " + std::to_string(blockSize_) +
          " bytes) lies past the end of the file (" + std::to_string(size) + " bytes)";
  if (!why.empty())
    throw Error(ErrorCode::Corrupt,
                name() + " is damaged: " + why + ". Nothing was written; check the table and restore it from a backup");
}

std::uint32_t FptFile::append(std::string_view text) {
  if (!file_.writable()) throw Error(ErrorCode::Io, name() + " is read-only: the memo cannot be stored");
  std::uint32_t next = knownNextFree_;
  if (next == 0) {
    char head[4];
    file_.readAt(0, head, sizeof head);
    requireSound(readBe32(head));
    // Never below the end of the file: blocks past a next-free block that
    // is too low were left by an append that stopped before its header
    // write, or are live memos under a damaged header; leaving them alone
    // loses nothing (a pack reclaims the space).
    const std::uint64_t endBlock = blocksFor(file_.size(), blockSize_);
    if (endBlock > 0xFFFFFFFFull) throw Error(ErrorCode::Unsupported, name() + " is full");
    next = std::max({readBe32(head), firstBlock(blockSize_), static_cast<std::uint32_t>(endBlock)});
  }
  std::string image = blockImage(text, blockSize_);
  const std::uint64_t blocks = image.size() / blockSize_;
  if (next + blocks > 0xFFFFFFFFull) throw Error(ErrorCode::Unsupported, name() + " is full");
  if (gathering_) {
    if (gathered_.empty()) gatheredFrom_ = next;
    gathered_.append(image);
    knownNextFree_ = static_cast<std::uint32_t>(next + blocks);
    if (gathered_.size() >= kGatheredBytes) writeGathered();
    return next;
  }
  file_.writeAt(static_cast<std::uint64_t>(next) * blockSize_, image);
  char newNext[4];
  writeBe32(newNext, static_cast<std::uint32_t>(next + blocks));
  file_.writeAt(0, newNext, sizeof newNext);
  if (soleWriter_) knownNextFree_ = static_cast<std::uint32_t>(next + blocks);
  return next;
}

void FptFile::gatherAppends() {
  writeGathered();
  gathering_ = soleWriter_;  // the next free block is kept in memory only then
}

void FptFile::writeGathered() {
  if (gathered_.empty()) return;
  file_.writeAt(static_cast<std::uint64_t>(gatheredFrom_) * blockSize_, gathered_);
  char newNext[4];
  writeBe32(newNext, knownNextFree_);
  file_.writeAt(0, newNext, sizeof newNext);
  gathered_.clear();
}

void FptFile::stopGathering() {
  writeGathered();
  gathering_ = false;
}

void FptFile::dropGathered() {
  gathered_.clear();
  gathering_ = false;
  knownNextFree_ = 0;
}

std::string FptReader::read(std::uint32_t block) {
  const std::string_view stored = run(block);
  return std::string(stored.substr(FptFile::kBlockHeaderSize, readBe32(stored.data() + 4)));
}

std::string_view FptReader::run(std::uint32_t block) {
  fpt_.requireRunHead(block, size_);
  const std::uint64_t offset = fpt_.runStart(block);
  const std::uint32_t length = fpt_.checkedLength(block, view(offset, FptFile::kBlockHeaderSize), size_);
  const std::uint64_t whole = blocksFor(FptFile::kBlockHeaderSize + length, fpt_.blockSize_) * fpt_.blockSize_;
  const auto n = static_cast<std::size_t>(std::min(whole, size_ - offset));
  return {view(offset, n), n};
}

const char* FptReader::view(std::uint64_t offset, std::size_t n) {
  // After a jump the window holds a block header and a short memo: memos
  // visited out of order (a walk in index order) mostly cost one small read.
  constexpr std::size_t kAfterJump = 512, kOnwardGap = 4 << 10, kLargest = 1 << 20;
  const std::uint64_t end = start_ + window_.size();
  if (offset < start_ || offset + n > end) {
    // On forward from the window (a little gap allowed): a longer window.
    const bool onward = !window_.empty() && offset >= start_ && offset <= end + kOnwardGap;
    windowSize_ = onward ? std::min(std::max(windowSize_ * 2, kOnwardGap), kLargest) : kAfterJump;
    window_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(std::max(windowSize_, n), size_ - offset)));
    fpt_.file().readAt(offset, window_.data(), window_.size());
    start_ = offset;
  }
  return window_.data() + (offset - start_);
}

}  // namespace xbase
