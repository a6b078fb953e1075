#pragma once

#include <exception>
#include <utility>

namespace store {

// Runs `work`, then `restore` whatever `work` did, and rethrows the first
// failure of the two. For commands that take a table away (exclusive reopen,
// closed for archiving) and must give it back even when they fail; a plain
// destructor could not report a failure of the restore itself.
template <typename Work, typename Restore>
void runThenRestore(Work&& work, Restore&& restore) {
  std::exception_ptr failure;
  try {
    std::forward<Work>(work)();
  } catch (...) {
    failure = std::current_exception();
  }
  try {
    std::forward<Restore>(restore)();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace store
