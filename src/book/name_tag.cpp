#include "book/name_tag.h"

#include "book/table_layout.h"
#include "xbase/cursor.h"
#include "xbase/dbf_text.h"
#include "xbase/table_files.h"

namespace book {

namespace {

bool namesTheTag(const std::vector<xbase::TagInfo>& tags) {
  for (const xbase::TagInfo& tag : tags)
    if (xbase::equalsIgnoringCase(tag.name, kIndexName)) return true;
  return false;
}

// The index file's name as found beside the table, else as we write it.
std::string indexFileName(const std::filesystem::path& dbf) {
  const std::filesystem::path found = xbase::fileBeside(dbf, ".CDX");
  return found.empty() ? std::string(kIndexFile) : found.filename().string();
}

}  // namespace

bool hasNameTag(const xbase::Cursor& cursor) { return namesTheTag(cursor.tags()); }

std::string nameTagLack(const std::filesystem::path& dbf) {
  if (xbase::fileBeside(dbf, ".CDX").empty()) return std::string(kIndexFile) + " is missing";
  if (namesTheTag(xbase::tableInfo(dbf).tags)) return {};
  return indexFileName(dbf) + " lacks the tag " + kTagName;
}

namespace {

NameTagState buildNameTag(const std::filesystem::path& dbf) {
  const std::string lack = nameTagLack(dbf);
  if (lack.empty()) return {};
  const bool noFile = xbase::fileBeside(dbf, ".CDX").empty();
  try {
    xbase::Cursor::open(dbf, xbase::OpenMode::Exclusive)->createTag(kTagName, kTagKey);
  } catch (const xbase::Error& e) {
    const std::string why = e.code() == xbase::ErrorCode::Exclusive ? "the table is open in another program"
                                                                    : std::string(e.what());
    return {NameTagState::Kind::Missing,
            lack + " and cannot be built now (" + why + "); the entries are taken in the order entered"};
  }
  if (noFile) return {NameTagState::Kind::Built, indexFileName(dbf) + " was missing; it has been built"};
  return {NameTagState::Kind::Built, indexFileName(dbf) + " lacked the tag " + kTagName + "; it has been built"};
}

}  // namespace

// An import killed midway left the index behind its records: an exclusive
// open rebuilds it, when no one else has the table open (else every open
// refuses the table until it can).
NameTagState ensureNameTag(const std::filesystem::path& dbf) {
  std::string repaired;
  if (xbase::indexLagsBehind(dbf)) {
    try {
      repaired = xbase::Cursor::open(dbf, xbase::OpenMode::Exclusive)->repairNote();
    } catch (const xbase::Error&) {
    }
  }
  NameTagState state = buildNameTag(dbf);
  if (!repaired.empty()) state.note = state.note.empty() ? repaired : repaired + "; " + state.note;
  return state;
}

}  // namespace book
