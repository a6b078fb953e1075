// Finding, opening and creating the structural index beside a table.

#include <unistd.h>

#include "xbase/cdx_file.h"
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
    throw Error(ErrorCode::Corrupt, std::string(e.what()) + ". Remove " + cdxPath.filename().string() +
                                        " and create the index again");
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

}  // namespace xbase
