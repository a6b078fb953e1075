// info DIR: the table's facts, one "label: value" line each, for people and
// scripts alike.

#include <cinttypes>
#include <cstdio>

#include "cardlark_db/command.h"
#include "codepage/code_page.h"
#include "xbase/cursor.h"

namespace cardlark::db {

namespace {

const char* versionName(int version) {
  switch (version) {
    case 0x03: return "dBASE III / FoxBASE+ without memo";
    case 0x30: return "Visual FoxPro";
    case 0x31: return "Visual FoxPro with autoincrement";
    case 0x83: return "dBASE III with memo";
    case 0xF5: return "FoxPro with memo";
    default: return "unknown";
  }
}

}  // namespace

int runInfo(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  const xbase::TableInfo info = xbase::tableInfo(files.dbf);
  std::printf("table: %s\n", files.dbf.string().c_str());
  std::printf("version: 0x%02X (%s)\n", static_cast<unsigned>(info.version), versionName(info.version));
  std::printf("records: %" PRIu32 "\n", info.recordCount);
  std::printf("last update: %s\n", info.lastUpdate.c_str());
  const int page = codepage::CodePage::fromMark(info.codePageMark).number();
  if (page != 0)
    std::printf("code page: %d (mark 0x%02X)\n", page, static_cast<unsigned>(info.codePageMark));
  else
    std::printf("code page: unknown (mark 0x%02X)\n", static_cast<unsigned>(info.codePageMark));
  for (const xbase::FieldInfo& f : info.fields)
    std::printf("field: %s %c %d %d\n", f.name.c_str(), f.type, f.length, f.decimals);
  if (info.memoBlockSize > 0)
    std::printf("memo block size: %d\n", info.memoBlockSize);
  else
    std::printf("memo block size: none (no memo file)\n");
  for (const xbase::TagInfo& t : info.tags)
    std::printf("tag: %s %s (key length %d)\n", t.name.c_str(), t.expression.c_str(), t.keyLength);
  return kOk;
}

}  // namespace cardlark::db
