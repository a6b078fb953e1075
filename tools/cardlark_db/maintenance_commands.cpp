// pack DIR and reindex DIR: both need the table to themselves, so they open
// it exclusively and fail cleanly while anyone else has it open.

#include <cstdio>

#include "book/name_tag.h"
#include "cardlark_db/command.h"
#include "xbase/cdx/cdx_file.h"
#include "xbase/cursor.h"

namespace cardlark::db {

namespace {

namespace fs = std::filesystem;

std::unique_ptr<xbase::Cursor> openExclusive(const fs::path& dbf) {
  return xbase::Cursor::open(dbf, xbase::OpenMode::Exclusive);
}

// The tags an index file names, when its directory can still be read; else
// the tag every ADDRESS table carries.
std::vector<xbase::TagInfo> tagsToRebuild(const fs::path& cdx) {
  try {
    std::vector<xbase::TagInfo> tags = xbase::CdxFile::open(cdx, false)->tags();
    if (!tags.empty()) return tags;
  } catch (const xbase::Error&) {
  }
  return {xbase::TagInfo{book::kTagName, book::kTagKey, book::kNameWidth}};
}

// Sets an index file that cannot be opened aside and makes a new one with
// the same tags. The exclusive open that failed had already taken the
// table's exclusive marker, so no one else was using the table; anyone who
// tries before the new index exists fails on the damaged file as before.
// When the table still does not open without the index, the damage lies
// elsewhere: the index file is put back and that error reported.
void remakeIndexFile(const xbase::TableFiles& files, const xbase::Error& cause) {
  const std::vector<xbase::TagInfo> tags = tagsToRebuild(files.index);
  const fs::path aside = files.index.string() + ".damaged";
  fs::rename(files.index, aside);
  std::unique_ptr<xbase::Cursor> cursor;
  try {
    cursor = openExclusive(files.dbf);
  } catch (...) {
    fs::rename(aside, files.index);
    throw;
  }
  for (const xbase::TagInfo& tag : tags) cursor->createTag(tag.name, tag.expression);
  std::fprintf(stderr, "cardlark-db reindex: %s could not be used (%s); it was set aside as %s and made anew\n",
               files.index.filename().string().c_str(), cause.what(), aside.filename().string().c_str());
}

}  // namespace

// Deleted records leave the table, their memo space is reclaimed and the
// tags are rebuilt.
int runPack(const Arguments& arguments) {
  openExclusive(tableFiles(arguments.operands[0]).dbf)->pack();
  return kOk;
}

// Every tag is rebuilt from the records. An index file too damaged to open
// is replaced; a table without the index file, or whose index lacks the tag
// Address, gets the tag Address again.
int runReindex(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  try {
    auto cursor = openExclusive(files.dbf);
    cursor->reindex();
    if (!book::hasNameTag(*cursor)) cursor->createTag(book::kTagName, book::kTagKey);
  } catch (const xbase::Error& e) {
    std::error_code ec;
    if (e.code() != xbase::ErrorCode::Corrupt || !fs::exists(files.index, ec)) throw;
    remakeIndexFile(files, e);
  }
  return kOk;
}

}  // namespace cardlark::db
