#pragma once

// The system calls through which the program's files are written, flushed,
// copied, cut and renamed: the table engine, the zip writer and its replacement
// files, the sync state file. By default they are the system's own; a test
// puts a double in their place that counts the calls and fails the Nth one
// (a full disk, an I/O error), or forgets what was not flushed as a crash
// would, to prove that every failed write fails the command and loses no
// stored data. Plain C++, no Qt; one indirect call costs nothing beside the
// system call itself.

#include <stdio.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstddef>

namespace fileio {

struct Calls {
  ssize_t (*write)(int fd, const void* buffer, std::size_t length);
  ssize_t (*pwrite)(int fd, const void* buffer, std::size_t length, off_t offset);
  int (*ftruncate)(int fd, off_t length);
  int (*fsync)(int fd);
  int (*fdatasync)(int fd);
  int (*rename)(const char* from, const char* to);
  // Copies between two files inside the kernel (a pack's memos).
  ssize_t (*copy_file_range)(int in, off64_t* inOffset, int out, off64_t* outOffset, std::size_t length,
                             unsigned flags);
};

inline constexpr Calls kSystemCalls{::write, ::pwrite, ::ftruncate, ::fsync, ::fdatasync, ::rename, ::copy_file_range};

// The calls in use. Only tests change it, before the files are touched.
inline Calls calls = kSystemCalls;

}  // namespace fileio
