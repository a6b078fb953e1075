// contacts DIR [RECNO...]: the contact items of every entry (or of the ones
// named), one line per item:
//   recno TAB phone|email|web TAB item
// Entries come in natural order, deleted ones skipped. The items are found
// by the address book's own rules over NAME and the memo's own lines: phone
// numbers and web addresses first line to last, e-mail addresses last line
// to first, nothing sorted or merged. Items are printed as UTF-8, converted
// from the table's code page.

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <vector>

#include "book/contact_items.h"
#include "book/memo_lines.h"
#include "cardlark_db/command.h"
#include "cardlark_db/text_output.h"
#include "xbase/cursor.h"

namespace cardlark::db {

namespace {

struct KindLabel {
  book::ItemKind kind;
  const char* label;
};
constexpr KindLabel kKinds[] = {
    {book::ItemKind::Phone, "phone"}, {book::ItemKind::Email, "email"}, {book::ItemKind::Web, "web"}};

// The records to visit: all of them, or the named ones in natural order,
// each once. Every number is checked before the first line is printed.
std::vector<std::uint32_t> recordsToVisit(const Arguments& arguments, std::uint32_t count) {
  std::vector<std::uint32_t> recnos;
  if (arguments.operands.size() == 1) {
    recnos.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) recnos[i] = i + 1;
    return recnos;
  }
  for (std::size_t i = 1; i < arguments.operands.size(); ++i)
    recnos.push_back(parseRecno(arguments.operands[i], count));
  std::sort(recnos.begin(), recnos.end());
  recnos.erase(std::unique(recnos.begin(), recnos.end()), recnos.end());
  return recnos;
}

}  // namespace

int runContacts(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  auto cursor = xbase::Cursor::open(files.dbf, xbase::OpenMode::Shared);
  const int name = requireField(*cursor, book::kName);
  const int memo = requireField(*cursor, book::kInfo);
  const auto page = codePageOf(*cursor);

  std::string out;
  for (const std::uint32_t recno : recordsToVisit(arguments, xbase::tableInfo(files.dbf).recordCount)) {
    cursor->go(recno);
    if (cursor->deleted()) continue;
    const std::string nameText = cursor->value(name);
    const std::string memoText = cursor->value(memo);
    const std::vector<std::string_view> lines = book::memoLines(memoText);
    const std::string prefix = std::to_string(recno) + "\t";
    for (const KindLabel& kind : kKinds) {
      for (const std::string& item : book::collectItems(kind.kind, nameText, lines)) {
        out += prefix;
        out += kind.label;
        out += '\t';
        appendPrintable(out, item, page);
        out += '\n';
      }
    }
    if (out.size() >= (1u << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kOk;
}

}  // namespace cardlark::db
