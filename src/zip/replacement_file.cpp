#include "zip/replacement_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <string_view>

#include "fileio/file_calls.h"
#include "zip/zip_error.h"

namespace zip {

namespace {

std::string folderOf(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

std::string temporaryPrefix(const std::filesystem::path& target) { return "." + target.filename().string() + "."; }

// Whether `name` is one of the temporary names createTemporaryBeside gives.
bool isTemporaryName(std::string_view name, const std::string& prefix) {
  constexpr std::string_view kSuffix = ".tmp";
  if (name.size() <= prefix.size() + kSuffix.size() || name.substr(0, prefix.size()) != prefix ||
      name.substr(name.size() - kSuffix.size()) != kSuffix)
    return false;
  const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
  return digits.find_first_not_of("0123456789") == std::string_view::npos;
}

// Removes the temporary files that writers killed before their commit left
// beside the target. A writer still at work holds a lock on its file, so
// only files nobody locks are taken.
void removeStaleTemporaries(const std::filesystem::path& target) {
  const std::string prefix = temporaryPrefix(target);
  std::error_code ec;
  const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!isTemporaryName(it->path().filename().string(), prefix)) continue;
    const int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(it->path().c_str());
    ::close(fd);
  }
}

// Opens a fresh file with a random hidden name beside the target, locked
// for as long as it is open. O_EXCL makes the name ours alone; mode 0666
// lets the umask apply as for any new file.
PosixFile createTemporaryBeside(const std::string& target, std::string& temporaryPath) {
  std::filesystem::path targetPath(target);
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporaryPath = (targetPath.parent_path() /
                     (temporaryPrefix(targetPath) + std::to_string(random() % 1000000000) + ".tmp"))
                        .string();
    int fd = ::open(temporaryPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::flock(fd, LOCK_EX | LOCK_NB);  // a fresh file: nobody else can hold it
      return PosixFile(fd, temporaryPath);
    }
    if (errno != EEXIST) throwIoError("Cannot create", temporaryPath, errno);
  }
  throwIoError("Cannot create a temporary file beside", target, EEXIST);
}

void syncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throwIoError("Cannot open folder", folder, errno);
  int result = fileio::calls.fsync(fd);
  int error = errno;
  ::close(fd);
  if (result != 0) throwIoError("Cannot flush folder", folder, error);
}

}  // namespace

ReplacementFile::ReplacementFile(std::string targetPath) : targetPath_(std::move(targetPath)) {
  struct stat target {};
  if (::stat(targetPath_.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
    openDirect();
    return;
  }
  removeStaleTemporaries(targetPath_);
  file_ = createTemporaryBeside(targetPath_, temporaryPath_);
  struct stat old {};
  if (::stat(targetPath_.c_str(), &old) == 0 && ::fchmod(file_.descriptor(), old.st_mode & 07777) != 0) {
    int error = errno;
    file_.close();
    ::unlink(temporaryPath_.c_str());
    throwIoError("Cannot set the permissions of", temporaryPath_, error);
  }
}

// A target that is no ordinary file (a device, a pipe) cannot be replaced by
// a rename, which would put a plain file in its place: its bytes go to it
// directly, in order. A pipe without a reader is refused rather than waited
// for; a folder cannot be opened for writing at all.
void ReplacementFile::openDirect() {
  direct_ = true;
  const int fd = ::open(targetPath_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throwIoError("Cannot write", targetPath_, errno);
  file_ = PosixFile(fd, targetPath_);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) throwIoError("Cannot write", targetPath_, errno);
}

ReplacementFile::~ReplacementFile() {
  if (!committed_ && !direct_) {
    file_.close();
    ::unlink(temporaryPath_.c_str());
  }
}

void ReplacementFile::write(const void* buffer, std::size_t length) {
  if (stop_ && stop_->load(std::memory_order_relaxed))
    throw ZipError(ZipErrorKind::Stopped, "Writing " + targetPath_ + " was cancelled; it was left as it was");
  if (!direct_) {
    file_.writeAt(position_, buffer, length);
    position_ += length;
    return;
  }
  // A device or pipe may take part of the bytes; the rest is written again,
  // and that write's failure tells why (a full device: ENOSPC).
  const auto* bytes = static_cast<const char*>(buffer);
  for (std::size_t done = 0; done < length;) {
    const ssize_t put = fileio::calls.write(file_.descriptor(), bytes + done, length - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) throwIoError("Cannot write", targetPath_, put < 0 ? errno : ENOSPC);
    done += static_cast<std::size_t>(put);
  }
  position_ += length;
}

void ReplacementFile::patch(std::uint64_t offset, const std::string& bytes) {
  if (direct_) throwIoError("Cannot rewrite earlier bytes of", targetPath_, ESPIPE);
  file_.writeAt(offset, bytes.data(), bytes.size());
}

void ReplacementFile::rewindTo(std::uint64_t offset) {
  if (direct_) throwIoError("Cannot rewrite earlier bytes of", targetPath_, ESPIPE);
  position_ = offset;
}

void ReplacementFile::commit() {
  if (direct_) {
    file_.close();
    committed_ = true;
    return;
  }
  int fd = file_.descriptor();
  if (fileio::calls.ftruncate(fd, static_cast<off_t>(position_)) != 0)
    throwIoError("Cannot cut", temporaryPath_, errno);
  if (fileio::calls.fsync(fd) != 0) throwIoError("Cannot flush", temporaryPath_, errno);
  file_.close();
  if (fileio::calls.rename(temporaryPath_.c_str(), targetPath_.c_str()) != 0) {
    throwIoError("Cannot replace", targetPath_, errno);
  }
  committed_ = true;
  syncFolder(folderOf(targetPath_));
}

}  // namespace zip
