// Records past the header's count, taken into the table by an exclusive
// open. Other programs count a table's records from its file size, so for
// them a whole record past the header's count (an append stopped before its
// count was written, or a count that was damaged) is part of the table;
// dropping or overwriting it would lose an entry they have seen.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "xbase/dbf_bytes.h"
#include "xbase/error.h"
#include "xbase/table.h"

namespace xbase {
namespace {

// Adds `bytes` to the end of `path` (created when missing) and flushes it.
void keepAside(const std::filesystem::path& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  bool written = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                 ::fdatasync(fd) == 0;
  const int error = errno;
  if (fd >= 0) ::close(fd);
  if (!written)
    throw Error(ErrorCode::Io, "Cannot keep the partial record in " + path.string() + ": " + std::strerror(error));
}

}  // namespace

// A partial record at the end (more than the end-of-file mark after the
// last whole record) is moved to "<table>.partial" before the file is cut
// back to its whole records, so no byte is dropped unseen.
bool Table::adoptTrailingRecords() {
  File& file = dbf_->file();
  const DbfHeader& h = header();
  const std::uint64_t size = file.size();
  if (size <= h.headerLength) return false;
  const std::uint64_t whole = std::min<std::uint64_t>((size - h.headerLength) / h.recordLength, DbfFile::kMaxRecords);
  const std::uint64_t end = h.headerLength + whole * h.recordLength;
  std::string tail(size - end, '\0');
  file.readAt(end, tail.data(), tail.size());
  if (tail.size() > 1 || (tail.size() == 1 && tail[0] != 0x1A)) {
    keepAside(path_.string() + ".partial", tail);
    file.writeAt(end, "\x1A");
    file.truncate(end + 1);
  }
  return takeInWholeRecords() > 0;
}

// Under the header lock nobody is halfway through an append, so whole
// records past the count are ones an interrupted writer left: counting
// them keeps the next append from writing over them.
std::uint32_t Table::takeInWholeRecords() {
  File& file = dbf_->file();
  const DbfHeader& h = header();
  const std::uint64_t size = file.size();
  const std::uint64_t whole = size <= h.headerLength ? 0
                                                     : std::min<std::uint64_t>((size - h.headerLength) / h.recordLength,
                                                                               DbfFile::kMaxRecords);
  char counted[4];
  file.readAt(4, counted, sizeof counted);
  const std::uint32_t before = readLe32(counted);
  if (whole > before) file.writeAt(1, DbfHeader::dateAndCount(static_cast<std::uint32_t>(whole)));
  dbf_->refreshCount();
  return whole > before ? static_cast<std::uint32_t>(whole - before) : 0;
}

}  // namespace xbase
