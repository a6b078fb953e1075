// dump DIR [--order natural|TAG] [--deleted]: one line per record,
//   recno TAB "*"|"-" TAB name TAB YYYYMMDD TAB memo length TAB memo CRC-32
// The records are visited by number, in natural order or in the order a
// tag of the CDX lists them, so that deleted records can be shown too.

#include <zlib.h>

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "book/name_tag.h"
#include "cardlark_db/command.h"
#include "xbase/cdx/cdx_file.h"
#include "xbase/cursor.h"
#include "xbase/dbf_text.h"

namespace cardlark::db {

namespace {

std::vector<std::uint32_t> naturalOrder(const std::filesystem::path& dbf) {
  const std::uint32_t count = xbase::tableInfo(dbf).recordCount;
  std::vector<std::uint32_t> order(count);
  for (std::uint32_t i = 0; i < count; ++i) order[i] = i + 1;
  return order;
}

std::vector<std::uint32_t> tagOrder(const std::filesystem::path& cdxPath, const std::string& tagName) {
  const auto cdx = xbase::CdxFile::open(cdxPath, false);
  const int tag = cdx->findTag(tagName);
  if (tag < 0) throw xbase::Error(xbase::ErrorCode::NotFound, "The table has no tag " + tagName);
  std::vector<std::uint32_t> order;
  cdx->forEach(tag, [&](const xbase::CdxEntry& entry) { order.push_back(entry.recno); });
  return order;
}

// Every record, deleted ones too, as the tag Address would list them, for
// a table that lacks it.
std::vector<std::uint32_t> nameOrder(xbase::Cursor& cursor, int name, const std::vector<std::uint32_t>& recnos) {
  std::vector<NamedRecord> records;
  for (const std::uint32_t recno : recnos) records.push_back(namedRecord(recno, cursor.valueAt(recno, name)));
  sortByName(records);
  std::vector<std::uint32_t> order;
  for (const NamedRecord& record : records) order.push_back(record.recno);
  return order;
}

std::uint32_t crc32Of(const std::string& bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes at most 4 GiB at once; feed larger memos in pieces.
  for (std::size_t at = 0; at < bytes.size(); at += 1u << 30) {
    const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1u << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data() + at), static_cast<uInt>(n));
  }
  return static_cast<std::uint32_t>(crc);
}

}  // namespace

int runDump(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  const std::string order = arguments.option("--order", "natural");
  const bool withDeleted = arguments.has("--deleted");

  auto cursor = xbase::Cursor::open(files.dbf, xbase::OpenMode::Shared);
  const int name = requireField(*cursor, book::kName);
  const int memo = requireField(*cursor, book::kInfo);
  const int date = requireField(*cursor, book::kLastDate);
  std::vector<std::uint32_t> recnos;
  if (xbase::asciiUpper(order) == "NATURAL")
    recnos = naturalOrder(files.dbf);
  else if (xbase::equalsIgnoringCase(order, book::kTagName) && !book::hasNameTag(*cursor))
    recnos = nameOrder(*cursor, name, naturalOrder(files.dbf));
  else
    recnos = tagOrder(files.index, order);

  for (const std::uint32_t recno : recnos) {
    cursor->go(recno);
    const bool deleted = cursor->deleted();
    if (deleted && !withDeleted) continue;
    const std::string nameText = cursor->value(name);
    const std::string memoText = cursor->value(memo);
    std::fprintf(stdout, "%" PRIu32 "\t%c\t", recno, deleted ? '*' : '-');
    std::fwrite(nameText.data(), 1, nameText.size(), stdout);
    std::fprintf(stdout, "\t%s\t%zu\t%08" PRIx32 "\n", cursor->value(date).c_str(), memoText.size(), crc32Of(memoText));
  }
  return kOk;
}

}  // namespace cardlark::db
