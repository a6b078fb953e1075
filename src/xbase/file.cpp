#include "xbase/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "fileio/file_calls.h"
#include "xbase/error.h"

namespace xbase {
namespace {

[[noreturn]] void throwIo(const std::string& what, const std::filesystem::path& path) {
  throw Error(ErrorCode::Io, what + " " + path.string() + ": " + std::strerror(errno));
}

// A failed write or flush on a file system that has run out of room can
// surface as EIO (a flush of pages the file system could not place); the
// cause the user can act on is the full disk.
[[noreturn]] void throwWriteError(int fd, const std::string& what, const std::filesystem::path& path) {
  const int error = errno;
  struct statvfs fs {};
  if (error == EIO && ::fstatvfs(fd, &fs) == 0 && fs.f_bavail == 0)
    errno = ENOSPC;
  else
    errno = error;
  throwIo(what, path);
}

bool applyLock(int fd, short type, std::uint64_t offset, std::uint64_t length, bool wait) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  fl.l_pid = 0;
  for (;;) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno == EINTR) continue;
    if (errno == EACCES || errno == EAGAIN) return false;
    if (type == F_UNLCK) return false;
    throw Error(ErrorCode::Io, std::string("Cannot lock a byte range: ") + std::strerror(errno));
  }
}

}  // namespace

File::File(const std::filesystem::path& path, Access access, Create create) : access_(access), path_(path) {
  int flags = (access == Access::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  if (create == Create::Exclusive) flags |= O_CREAT | O_EXCL;
  fd_ = ::open(path.c_str(), flags | O_NONBLOCK, 0644);
  if (fd_ < 0) {
    if (errno == ENOENT) throw Error(ErrorCode::NotFound, "File not found: " + path.string());
    throwIo("Cannot open", path);
  }
  struct stat st {};
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    close();
    throw Error(ErrorCode::Io, "Cannot open " + path.string() + ": it is not a regular file");
  }
  const int status = ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK;
#ifdef O_NOATIME
  // Reads need not check and stamp the access time: a walk reads the same
  // files hundreds of thousands of times. Only the files' owner may ask
  // this; for others the setting stays as it was.
  if (::fcntl(fd_, F_SETFL, status | O_NOATIME) == 0) return;
#endif
  ::fcntl(fd_, F_SETFL, status);
}

File::~File() { close(); }

File::File(File&& other) noexcept : fd_(other.fd_), access_(other.access_), path_(std::move(other.path_)) {
  other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    access_ = other.access_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

void File::close() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::uint64_t File::size() const {
  struct stat st {};
  if (fstat(fd_, &st) != 0) throwIo("Cannot read the size of", path_);
  return static_cast<std::uint64_t>(st.st_size);
}

std::size_t File::readSomeAt(std::uint64_t offset, void* buffer, std::size_t n) const {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      throwIo("Cannot read", path_);
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

void File::readAt(std::uint64_t offset, void* buffer, std::size_t n) const {
  if (readSomeAt(offset, buffer, n) != n)
    throw Error(ErrorCode::Corrupt,
                "Unexpected end of file in " + path_.string() + " at offset " + std::to_string(offset));
}

void File::writeAt(std::uint64_t offset, const void* buffer, std::size_t n) {
  const auto* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    ssize_t put = fileio::calls.pwrite(fd_, in + done, n - done, static_cast<off_t>(offset + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      throwWriteError(fd_, "Cannot write", path_);
    }
    done += static_cast<std::size_t>(put);
  }
}

void File::copyFrom(const File& source, std::uint64_t from, std::uint64_t offset, std::uint64_t n) {
  while (n > 0) {
    off64_t in = static_cast<off64_t>(from), out = static_cast<off64_t>(offset);
    const ssize_t copied = fileio::calls.copy_file_range(source.fd_, &in, fd_, &out, n, 0);
    if (copied < 0 && errno == EINTR) continue;
    if (copied == 0) break;  // the source ends early: the read below says so
    if (copied < 0) {
      // Not across these file systems, or not at all on this system: the
      // rest goes through a buffer.
      if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) break;
      throwWriteError(fd_, "Cannot write", path_);
    }
    from += static_cast<std::uint64_t>(copied);
    offset += static_cast<std::uint64_t>(copied);
    n -= static_cast<std::uint64_t>(copied);
  }
  constexpr std::uint64_t kPiece = 1 << 20;
  std::string buffer(static_cast<std::size_t>(std::min(n, kPiece)), '\0');
  for (std::uint64_t done = 0; done < n;) {
    const auto piece = static_cast<std::size_t>(std::min(n - done, kPiece));
    source.readAt(from + done, buffer.data(), piece);
    writeAt(offset + done, buffer.data(), piece);
    done += piece;
  }
}

void File::truncate(std::uint64_t size) {
  if (fileio::calls.ftruncate(fd_, static_cast<off_t>(size)) != 0) throwWriteError(fd_, "Cannot truncate", path_);
}

void File::sync() {
  if (fileio::calls.fdatasync(fd_) != 0) throwWriteError(fd_, "Cannot flush", path_);
}

void File::syncFolderOf(const std::filesystem::path& path) {
  const auto folder = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

bool File::tryLock(std::uint64_t offset, std::uint64_t length, bool exclusive) {
  return applyLock(fd_, exclusive ? F_WRLCK : F_RDLCK, offset, length, false);
}

void File::lockWait(std::uint64_t offset, std::uint64_t length, bool exclusive) {
  if (!applyLock(fd_, exclusive ? F_WRLCK : F_RDLCK, offset, length, true)) throwIo("Cannot lock", path_);
}

void File::unlock(std::uint64_t offset, std::uint64_t length) { applyLock(fd_, F_UNLCK, offset, length, false); }

bool File::tryLockWhole(bool exclusive) {
  for (;;) {
    if (::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) return true;
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return false;
    throwIo("Cannot lock", path_);
  }
}

}  // namespace xbase
