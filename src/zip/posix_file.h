#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zip {

// An open file descriptor that closes itself, with the full-length read and
// write loops that plain read()/write() leave to the caller. Failures raise
// ZipError (kind Io) naming the file.
class PosixFile {
 public:
  PosixFile() = default;
  PosixFile(int descriptor, std::string path) : fd_(descriptor), path_(std::move(path)) {}
  PosixFile(PosixFile&& other) noexcept;
  PosixFile& operator=(PosixFile&& other) noexcept;
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;
  ~PosixFile();

  // Opens an existing file for reading; returns a closed file when it cannot.
  static PosixFile openForReading(const std::string& path, int* errorNumber = nullptr);
  // Opens an ordinary file for reading without ever waiting: a FIFO or a
  // device is opened non-blocking and refused, as is a directory. Returns a
  // closed file and sets `whyNot` to the reason when it cannot.
  static PosixFile openOrdinaryFile(const std::string& path, std::string* whyNot);

  bool isOpen() const { return fd_ >= 0; }
  int descriptor() const { return fd_; }
  const std::string& path() const { return path_; }
  std::uint64_t size() const;

  // Reads up to `length` bytes at the current position; 0 at end of file.
  std::size_t readSome(void* buffer, std::size_t length);
  // Reads exactly `length` bytes at `offset`; false when the file ends first.
  bool readAt(std::uint64_t offset, void* buffer, std::size_t length) const;
  // Writes all `length` bytes at `offset`.
  void writeAt(std::uint64_t offset, const void* buffer, std::size_t length);
  void rewind();
  void close();

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace zip
