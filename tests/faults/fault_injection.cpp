#include "faults/fault_injection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "fileio/file_calls.h"

namespace faults {

namespace {

FaultInjection* active = nullptr;

std::string pathOf(int fd) {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string();
}

}  // namespace

struct Hooks {
  static ssize_t write(int fd, const void* buffer, std::size_t length) {
    if (active->fails(Call::Write)) return -1;
    active->record(fd, ::lseek(fd, 0, SEEK_CUR), static_cast<long long>(length));
    return ::write(fd, buffer, length);
  }
  static ssize_t pwrite(int fd, const void* buffer, std::size_t length, off_t offset) {
    if (active->fails(Call::Write)) return -1;
    active->record(fd, offset, static_cast<long long>(length));
    return ::pwrite(fd, buffer, length, offset);
  }
  static ssize_t copyFileRange(int in, off64_t* inOffset, int out, off64_t* outOffset, std::size_t length,
                               unsigned flags) {
    if (active->fails(Call::Write)) return -1;
    active->record(out, *outOffset, static_cast<long long>(length));
    return ::copy_file_range(in, inOffset, out, outOffset, length, flags);
  }
  static int ftruncate(int fd, off_t length) {
    if (active->fails(Call::Write)) return -1;
    struct stat st {};
    ::fstat(fd, &st);
    active->record(fd, length, std::max<long long>(0, st.st_size - length));
    return ::ftruncate(fd, length);
  }
  static int fsync(int fd) {
    if (active->fails(Call::Flush)) return -1;
    active->flushed(fd);
    return 0;
  }
  static int rename(const char* from, const char* to) {
    if (active->fails(Call::Rename)) return -1;
    const int result = ::rename(from, to);
    if (result == 0) active->renamed(from, to);
    return result;
  }
};

FaultInjection::FaultInjection() {
  if (active) throw std::logic_error("one FaultInjection at a time");
  active = this;
  fileio::calls = {Hooks::write, Hooks::pwrite, Hooks::ftruncate,    Hooks::fsync,
                   Hooks::fsync, Hooks::rename, Hooks::copyFileRange};
}

FaultInjection::~FaultInjection() {
  fileio::calls = fileio::kSystemCalls;
  active = nullptr;
}

void FaultInjection::arm(Call kind, int n, int error, bool crash) {
  std::fill(std::begin(counts_), std::end(counts_), 0);
  kind_ = kind;
  failAt_ = n;
  error_ = error;
  crash_ = crash;
  injected_ = false;
  renamedBeforeFailure_ = false;
  undo_.clear();
}

int FaultInjection::count(Call kind) const { return counts_[static_cast<int>(kind)]; }

bool FaultInjection::fails(Call kind) {
  const int n = ++counts_[static_cast<int>(kind)];
  if ((kind == kind_ && n == failAt_) || (crash_ && injected_)) {
    injected_ = true;
    errno = error_;
    return true;
  }
  return false;
}

void FaultInjection::record(int fd, long long offset, long long length) {
  if (!crash_) return;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return;
  Undo undo{pathOf(fd), offset, {}, st.st_size};
  if (offset < st.st_size) {
    undo.bytes.resize(static_cast<std::size_t>(std::min(length, st.st_size - offset)));
    const ssize_t got = ::pread(fd, undo.bytes.data(), undo.bytes.size(), offset);
    undo.bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  }
  undo_.push_back(std::move(undo));
}

void FaultInjection::flushed(int fd) {
  const std::string path = pathOf(fd);
  std::erase_if(undo_, [&](const Undo& undo) { return undo.path == path; });
}

void FaultInjection::renamed(const char* from, const char* to) {
  if (!injected_) renamedBeforeFailure_ = true;
  const std::string source = std::filesystem::weakly_canonical(from).string();
  const std::string target = std::filesystem::weakly_canonical(to).string();
  std::erase_if(undo_, [&](const Undo& undo) { return undo.path == target; });  // the old file is gone
  for (Undo& undo : undo_)
    if (undo.path == source) undo.path = target;
}

void FaultInjection::dropUnflushed() {
  for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) {
    const int fd = ::open(it->path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) continue;  // removed since
    bool restored = ::ftruncate(fd, it->size) == 0 && ::pwrite(fd, it->bytes.data(), it->bytes.size(), it->offset) ==
                                                          static_cast<ssize_t>(it->bytes.size());
    ::close(fd);
    if (!restored) throw std::runtime_error("cannot undo a write to " + it->path);
  }
  undo_.clear();
}

}  // namespace faults
