// search DIR TEXT [--memo]: the entries the address book's search finds for
// TEXT, in alphabetical order, one line each:
//   recno TAB name
// Without --memo the name alone is searched, with it the name and the memo,
// by the same rule as the main window's search (book/search_rule.h): letters
// a to z compared without regard to case, a memo up to its first zero byte.
// TEXT is UTF-8 and is converted to the table's character set as typed text
// is. Exit status 1 when nothing matched.

#include <cstdio>
#include <vector>

#include "book/search_rule.h"
#include "cardlark_db/command.h"
#include "cardlark_db/text_output.h"
#include "cardlark_db/typed_text.h"
#include "xbase/cursor.h"

namespace cardlark::db {

int runSearch(const Arguments& arguments) {
  if (arguments.operands[1].empty()) throw UsageError("TEXT is empty");
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  auto cursor = xbase::Cursor::open(files.dbf, xbase::OpenMode::Shared);
  // The text is compared in the table's bytes, as typed text would be stored.
  const codepage::CodePage page = codePageOf(*cursor);
  const std::string text = tableText(arguments.operands[1], page, "TEXT");
  const book::SearchRule rule(text, arguments.has("--memo"));
  const int name = requireField(*cursor, book::kName);

  // The table is read in natural order, in long sequential blocks (the
  // memos under one read lock, through a buffer), and the entries found are
  // put in the tag's order (key, then record number) afterwards.
  std::vector<NamedRecord> found;
  book::walkMatches(*cursor, rule,
                    [&](xbase::Cursor& at) { found.push_back(namedRecord(at.recno(), at.value(name))); });
  sortByName(found);

  std::string out;
  for (const NamedRecord& entry : found) {
    out += std::to_string(entry.recno);
    out += '\t';
    appendPrintable(out, entry.name, page);
    out += '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return found.empty() ? kNegative : kOk;
}

}  // namespace cardlark::db
