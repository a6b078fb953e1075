#include "temp_data_folder.h"

#include <stdexcept>

#include "store/address_schema.h"
#include "store/ansi_text.h"
#include "store/record_view.h"
#include "xbase/cursor.h"

namespace testsupport {
namespace {

std::unique_ptr<xbase::Cursor> openTable(const TempDataFolder& folder, xbase::OpenMode mode) {
  const QString path = folder.filePath(QString::fromLatin1(book::kTableName));
  return xbase::Cursor::open(store::toFileSystemPath(path), mode);
}

}  // namespace

TempDataFolder::TempDataFolder() {
  if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary folder");
}

void TempDataFolder::createAddressTable(bool withTag, std::uint8_t codePageMark) const {
  book::createAddressTable(store::toFileSystemPath(path()), withTag, codePageMark);
}

void TempDataFolder::appendEntry(const QString& name, const QString& info, const QDate& lastDate) const {
  auto cursor = openTable(*this, xbase::OpenMode::Shared);
  const auto page = codepage::CodePage::fromMark(cursor->codePageMark());
  cursor->beginAppend();
  cursor->setValue(book::kName, store::toAnsi(name, page));
  cursor->setValue(book::kInfo, store::toAnsi(info, page));
  cursor->setValue(book::kLastDate, store::engineDate(lastDate));
  cursor->post();
}

}  // namespace testsupport
