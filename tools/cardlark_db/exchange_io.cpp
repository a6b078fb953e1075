#include "cardlark_db/exchange_io.h"

#include <cstdio>

#include "xbase/cursor.h"
#include "zip/replacement_file.h"

namespace cardlark::db {

int importExchangeEntries(const Arguments& arguments, const std::vector<exchange::FileEntries>& files) {
  const xbase::TableFiles table = tableFiles(arguments.operands[0]);
  const exchange::ImportOutcome outcome = exchange::importEntries(table.dbf, files, arguments.has("--rename"));
  const auto where = [](const exchange::NameClash& clash) {
    return clash.file.string() + " line " + std::to_string(clash.line) + ": ";
  };
  for (const exchange::NameClash& clash : outcome.skipped)
    std::fprintf(stderr, "%sentry already exists for: %s, skipped\n", where(clash).c_str(), clash.name.c_str());
  for (const exchange::NameClash& clash : outcome.renamed)
    std::printf("%sstored as %s\n", where(clash).c_str(), clash.name.c_str());
  std::printf("%zu entries imported, %zu skipped, %zu characters replaced by ?\n", outcome.added,
              outcome.skipped.size(), outcome.replaced);
  return kOk;
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
