#include "cardlark_db/exchange_io.h"

#include <cstdio>

#include "xbase/cursor.h"
#include "zip/replacement_file.h"

namespace cardlark::db {

int importExchangeEntries(const Arguments& arguments, const std::vector<exchange::FileEntries>& files) {
  const xbase::TableFiles table = tableFiles(arguments.operands[0]);
  const exchange::ImportOutcome outcome = exchange::importEntries(table.dbf, files, arguments.has("--rename"));
  for (const exchange::ImportNote& note : exchange::importNotes(files, outcome)) {
    std::FILE* const to = note.kind == exchange::ImportNote::Kind::Renamed ? stdout : stderr;
    std::fprintf(to, "%s line %zu: %s\n", note.file.string().c_str(), note.line, note.text.c_str());
  }
  std::printf("%s\n", exchange::importCounts(files, outcome).c_str());
  if (outcome.replaced > 0) std::printf("%zu characters replaced by ?\n", outcome.replaced);
  return outcome.added > 0 ? kOk : kNegative;
}

int exportEntries(const Arguments& arguments, const std::string& header,
                  const std::function<void(std::string& out, const book::Entry& entry)>& append) {
  EntriesByName entries = openEntriesByName(arguments);
  xbase::Cursor* const cursor = entries.cursor.get();
  const int name = entries.name;
  const int memo = entries.memo;
  std::string out = header;
  std::size_t count = 0;
  // The walk meets live entries only.
  while (entries.next()) {
    append(out, {cursor->value(name), cursor->value(memo)});
    ++count;
  }
  // Written beside the target and put in its place when complete.
  zip::ReplacementFile file(arguments.operands[1]);
  file.write(out);
  file.commit();
  std::printf("%zu entries exported\n", count);
  return kOk;
}

}  // namespace cardlark::db
