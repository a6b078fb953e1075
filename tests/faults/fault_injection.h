#pragma once

// A double of the file-writing system calls (fileio/file_calls.h) that
// counts them by kind and fails the Nth one, as a full disk or a failing
// device would. In crash mode the Nth call and every later one fail, and
// dropUnflushed() then puts back every byte written since its file's last
// flush, leaving the files as a power cut at that call would. Renames are
// kept as done (as if each folder were flushed at once). Flushes are only
// recorded, never passed to the disk: the double decides what survives.

#include <cerrno>
#include <string>
#include <vector>

namespace faults {

enum class Call { Write, Flush, Rename };  // Write: write, pwrite, copy_file_range, ftruncate

class FaultInjection {
 public:
  FaultInjection();   // installs the double, failing nothing
  ~FaultInjection();  // puts the system's calls back
  FaultInjection(const FaultInjection&) = delete;
  FaultInjection& operator=(const FaultInjection&) = delete;

  // Starts counting from zero; the `n`th call of `kind` fails with `error`
  // (n 0: none does). Crash: so does every later call, of every kind.
  void arm(Call kind, int n = 0, int error = EIO, bool crash = false);
  int count(Call kind) const;
  bool injected() const { return injected_; }
  // Whether a rename went through before the injected failure.
  bool renamedBeforeFailure() const { return renamedBeforeFailure_; }
  // Undoes every write not flushed since it was made (crash mode only).
  void dropUnflushed();

  struct Undo {
    std::string path;
    long long offset = 0;
    std::string bytes;   // what the write covered before
    long long size = 0;  // the file's size before the write
  };

 private:
  friend struct Hooks;
  bool fails(Call kind);
  void record(int fd, long long offset, long long length);
  void flushed(int fd);
  void renamed(const char* from, const char* to);

  int counts_[3] = {};
  Call kind_ = Call::Write;
  int failAt_ = 0;
  int error_ = EIO;
  bool crash_ = false;
  bool injected_ = false;
  bool renamedBeforeFailure_ = false;
  std::vector<Undo> undo_;
};

}  // namespace faults
