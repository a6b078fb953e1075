// duplicates DIR: the entries that are probably the same person, found in
// one pass by the address book's duplicate finder. One block per group:
//   group N: records R1, R2, ...
//     R1 TAB name
//     ...
//     R1 and R2: same phone number (2065551234)
// Names and keys are printed as UTF-8. Exit status 1 when there is no group.

#include <cstdio>
#include <string>

#include "book/address_book.h"
#include "book/duplicate_finder.h"
#include "cardlark_db/command.h"
#include "cardlark_db/text_output.h"

namespace cardlark::db {

int runDuplicates(const Arguments& arguments) {
  const xbase::TableFiles files = tableFiles(arguments.operands[0]);
  book::AddressBook book(files.dbf, book::AddressBook::Access::Shared);
  book::DuplicateFinder finder;
  book.forEachEntry([&](std::uint32_t recno, const book::Entry& entry) { finder.add(recno, entry.name, entry.memo); });
  const std::vector<book::DuplicateGroup> groups = finder.groups();
  std::string out;
  std::size_t number = 0;
  for (const book::DuplicateGroup& group : groups) {
    out += "group " + std::to_string(++number) + ": records ";
    for (std::size_t i = 0; i < group.recnos.size(); ++i) out += (i ? ", " : "") + std::to_string(group.recnos[i]);
    out += '\n';
    for (const std::uint32_t recno : group.recnos) {
      out += "  " + std::to_string(recno) + '\t';
      appendPrintable(out, book.entryAt(recno).name, book.codePage());
      out += '\n';
    }
    for (const book::DuplicateReason& reason : group.reasons) {
      out += "  " + std::to_string(reason.first) + " and " + std::to_string(reason.second) + ": " +
             book::describe(reason.kind) + " (";
      appendPrintable(out, reason.key, book.codePage());
      out += ")\n";
    }
    if (out.size() >= (1u << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return groups.empty() ? kNegative : kOk;
}

}  // namespace cardlark::db
