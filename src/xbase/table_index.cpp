// Finding, opening and creating the structural index beside a table.

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "fileio/file_calls.h"
#include "xbase/cdx/cdx_file.h"
#include "xbase/cursor.h"
#include "xbase/dbf_bytes.h"
#include "xbase/error.h"
#include "xbase/table.h"
#include "xbase/table_files.h"

namespace xbase {

void Table::openIndex() {
  const auto cdxPath = fileBeside(path_, ".CDX");
  if (cdxPath.empty()) return;
  // A read-only index still serves reads; writes are refused before they
  // start (requireWritable).
  const bool writable = dbf_->file().writable() && ::access(cdxPath.c_str(), W_OK) == 0;
  try {
    cdx_ = CdxFile::open(cdxPath, writable);
  } catch (const Error& e) {
    if (e.code() != ErrorCode::Corrupt) throw;
    // Without its tag directory the index cannot even be rebuilt.
    throw Error(ErrorCode::Corrupt,
                std::string(e.what()) + ". Remove " + cdxPath.filename().string() + " and create the index again");
  }
  cdxLocks_ = std::make_unique<File>(cdxPath, writable ? File::Access::ReadWrite : File::Access::ReadOnly);
}

std::uint32_t Table::indexChangeCounter() const {
  if (!cdxLocks_) return 0;
  char bytes[4];
  cdxLocks_->readAt(8, bytes, sizeof bytes);
  return readLe32(bytes);
}

CdxFile& Table::createIndex() {
  if (cdx_) return *cdx_;
  auto cdxPath = path_.parent_path() / (path_.stem().string() + ".CDX");
  cdx_ = CdxFile::create(cdxPath);
  cdxLocks_ = std::make_unique<File>(cdxPath, File::Access::ReadWrite);
  dbf_->setIndexFlag(true);
  return *cdx_;
}

// Crash safety: the new file is complete and flushed to disk before one
// rename puts it in place of the old one. Interrupted before the rename, the
// old index is untouched (as current as before the reindex) and the part-built
// file "<index>.rebuilding" is removed by the next rebuild; after it, the
// index is the new one. Either way a reindex leaves a sound index.
void Table::rebuildIndex(const std::vector<CdxEntrySource>& entries) {
  if (!cdx_) return;
  const auto cdxPath = cdx_->path();
  const std::filesystem::path building = cdxPath.string() + ".rebuilding";
  std::error_code ec;
  std::filesystem::remove(building, ec);
  cdx_->rebuildInto(building, entries);
  if (fileio::calls.rename(building.c_str(), cdxPath.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    std::filesystem::remove(building, ec);
    throw Error(ErrorCode::Io, "Cannot replace " + cdxPath.string() + ": " + why);
  }
  File::syncFolderOf(cdxPath);
  cdx_.reset();
  cdxLocks_.reset();
  openIndex();
}

// The mark is a file beside the index, "<index>.rebuild", flushed to disk
// before the first append that leaves the index behind, and removed once
// the tags have been rebuilt.
std::filesystem::path indexBehindMarkOf(const std::filesystem::path& cdxPath) {
  return cdxPath.empty() ? cdxPath : std::filesystem::path(cdxPath.string() + ".rebuild");
}

bool indexLagsBehind(const std::filesystem::path& dbfPath) {
  std::error_code ec;
  const auto mark = indexBehindMarkOf(fileBeside(dbfPath, ".cdx"));
  return !mark.empty() && std::filesystem::exists(std::filesystem::symlink_status(mark, ec));
}

std::filesystem::path Table::indexBehindMark() const {
  return cdx_ ? indexBehindMarkOf(cdx_->path()) : std::filesystem::path();
}

void Table::markIndexBehind(bool behind) {
  const auto mark = indexBehindMark();
  if (mark.empty()) return;
  std::error_code ec;
  if (behind) {
    File(mark, File::Access::ReadWrite, std::filesystem::exists(mark, ec) ? File::Create::No : File::Create::Exclusive)
        .sync();
  } else if (!std::filesystem::remove(mark, ec)) {
    return;
  }
  File::syncFolderOf(mark);
}

bool Table::indexBehind() const {
  std::error_code ec;
  const auto mark = indexBehindMark();
  return !mark.empty() && std::filesystem::exists(std::filesystem::symlink_status(mark, ec));
}

}  // namespace xbase
