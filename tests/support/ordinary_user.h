#pragma once

// Runs a check in a forked child as an ordinary user, so that file modes
// bind even when the tests run as root (as CI does). Header-only and free
// of Qt, like temp_folder.h.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace testsupport {

inline constexpr uid_t kOrdinaryUser = 65534;  // nobody

// Runs `test` in a child process, as nobody when the tests run as root; its
// failures come back through the exit status: the number of checks that
// failed (0 when all held), 100 when the child could not drop its rights or
// `test` threw, 101 when the child did not exit. The files `test` touches
// must be reachable by nobody.
inline int asOrdinaryUser(const std::function<int()>& test) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (getuid() == 0 && (setgid(kOrdinaryUser) != 0 || setuid(kOrdinaryUser) != 0)) _exit(100);
    int failed = 100;
    try {
      failed = test();
    } catch (...) {
    }
    _exit(failed);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

}  // namespace testsupport
