#include "zip/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "zip/zip_error.h"

namespace zip {

void throwIoError(const std::string& action, const std::string& path, int errorNumber) {
  throw ZipError(ZipErrorKind::Io, action + " " + path + ": " + std::strerror(errorNumber));
}

PosixFile::PosixFile(PosixFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

PosixFile& PosixFile::operator=(PosixFile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

PosixFile::~PosixFile() { close(); }

void PosixFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

PosixFile PosixFile::openForReading(const std::string& path, int* errorNumber) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errorNumber) *errorNumber = errno;
    return {};
  }
  return PosixFile(fd, path);
}

PosixFile PosixFile::openOrdinaryFile(const std::string& path, std::string* whyNot) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    *whyNot = std::strerror(errno);
    return {};
  }
  PosixFile file(fd, path);
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    *whyNot = std::strerror(errno);
    return {};
  }
  if (!S_ISREG(info.st_mode)) {
    *whyNot = kNotAnOrdinaryFile;
    return {};
  }
  return file;
}

std::uint64_t PosixFile::size() const {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) throwIoError("Cannot read the size of", path_, errno);
  return static_cast<std::uint64_t>(info.st_size);
}

std::size_t PosixFile::readSome(void* buffer, std::size_t length) {
  for (;;) {
    ssize_t got = ::read(fd_, buffer, length);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) throwIoError("Cannot read", path_, errno);
  }
}

bool PosixFile::readAt(std::uint64_t offset, void* buffer, std::size_t length) const {
  auto* out = static_cast<char*>(buffer);
  while (length > 0) {
    ssize_t got = ::pread(fd_, out, length, static_cast<off_t>(offset));
    if (got < 0) {
      if (errno == EINTR) continue;
      throwIoError("Cannot read", path_, errno);
    }
    if (got == 0) return false;
    out += got;
    offset += static_cast<std::uint64_t>(got);
    length -= static_cast<std::size_t>(got);
  }
  return true;
}

void PosixFile::writeAt(std::uint64_t offset, const void* buffer, std::size_t length) {
  const auto* in = static_cast<const char*>(buffer);
  while (length > 0) {
    ssize_t put = ::pwrite(fd_, in, length, static_cast<off_t>(offset));
    if (put < 0) {
      if (errno == EINTR) continue;
      throwIoError("Cannot write", path_, errno);
    }
    if (put == 0) throwIoError("Cannot write", path_, EIO);
    in += put;
    offset += static_cast<std::uint64_t>(put);
    length -= static_cast<std::size_t>(put);
  }
}

void PosixFile::rewind() {
  if (::lseek(fd_, 0, SEEK_SET) < 0) throwIoError("Cannot rewind", path_, errno);
}

}  // namespace zip
