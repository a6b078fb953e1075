#include "duplicates/duplicate_scan.h"

#include <map>

#include "book/address_book.h"
#include "book/table_layout.h"
#include "duplicates/duplicate_review.h"
#include "xbase/cursor.h"

namespace duplicates {

namespace {

constexpr std::uint32_t kProgressStep = 4096;

}  // namespace

std::vector<book::DuplicateGroup> scanForDuplicates(const std::filesystem::path& dbf, const NotDuplicates& marks,
                                                    const ScanProgress& progress) {
  book::AddressBook book(dbf, book::AddressBook::Access::Shared);
  xbase::Cursor& cursor = book.cursor();
  cursor.setOrder("");
  cursor.last();
  const std::uint32_t total = cursor.recno();
  book::DuplicateFinder finder;
  book.forEachEntry([&](std::uint32_t recno, const book::Entry& entry) {
    finder.add(recno, entry.name, entry.memo);
    if (progress && recno % kProgressStep == 0) progress(recno, total);
  });
  if (progress) progress(total, total);
  const std::vector<book::DuplicateGroup> groups = finder.groups();
  const int name = xbase::requireField(cursor, book::kName);
  std::map<std::uint32_t, std::string> names;
  const auto nameOf = [&](std::uint32_t recno) -> const std::string& {
    auto [at, added] = names.try_emplace(recno);
    if (added) at->second = cursor.valueAt(recno, name);
    return at->second;
  };
  return withoutDismissed(groups, [&](std::uint32_t a, std::uint32_t b) {
    return marks.size() != 0 && marks.contains(nameOf(a), nameOf(b));
  });
}

}  // namespace duplicates
