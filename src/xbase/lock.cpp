#include "xbase/lock.h"

namespace xbase {

LockGuard& LockGuard::operator=(LockGuard&& other) noexcept {
  if (this != &other) {
    release();
    file_ = other.file_;
    offset_ = other.offset_;
    length_ = other.length_;
    other.file_ = nullptr;
  }
  return *this;
}

void LockGuard::release() noexcept {
  if (file_) file_->unlock(offset_, length_);
  file_ = nullptr;
}

LockGuard LockGuard::wait(File* file, std::uint64_t offset, bool exclusive) {
  if (!file) return {};
  file->lockWait(offset, 1, exclusive);
  return LockGuard(file, offset);
}

LockGuard LockGuard::attempt(File* file, std::uint64_t offset, bool exclusive, std::uint64_t length) {
  if (!file || !file->tryLock(offset, length, exclusive)) return {};
  return LockGuard(file, offset, length);
}

}  // namespace xbase
