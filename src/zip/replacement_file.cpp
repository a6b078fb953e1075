#include "zip/replacement_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <string_view>

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
  int result = ::fsync(fd);
  int error = errno;
  ::close(fd);
  if (result != 0) throwIoError("Cannot flush folder", folder, error);
}

}  // namespace

ReplacementFile::ReplacementFile(std::string targetPath) : targetPath_(std::move(targetPath)) {
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

ReplacementFile::~ReplacementFile() {
  if (!committed_) {
    file_.close();
    ::unlink(temporaryPath_.c_str());
  }
}

void ReplacementFile::write(const void* buffer, std::size_t length) {
  file_.writeAt(position_, buffer, length);
  position_ += length;
}

void ReplacementFile::patch(std::uint64_t offset, const std::string& bytes) {
  file_.writeAt(offset, bytes.data(), bytes.size());
}

void ReplacementFile::rewindTo(std::uint64_t offset) { position_ = offset; }

void ReplacementFile::commit() {
  int fd = file_.descriptor();
  if (::ftruncate(fd, static_cast<off_t>(position_)) != 0) throwIoError("Cannot cut", temporaryPath_, errno);
  if (::fsync(fd) != 0) throwIoError("Cannot flush", temporaryPath_, errno);
  file_.close();
  if (::rename(temporaryPath_.c_str(), targetPath_.c_str()) != 0) {
    throwIoError("Cannot replace", targetPath_, errno);
  }
  committed_ = true;
  syncFolder(folderOf(targetPath_));
}

}  // namespace zip
