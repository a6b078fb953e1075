#include "store/address_schema.h"

#include <QDir>

#include "store/ansi_text.h"
#include "store/engine_error.h"
#include "xbase/cursor.h"

namespace store {

void createAddressTable(const QString& folder, const QString& component) {
  const QString base = QDir(folder).filePath(QString::fromLatin1(address::kCreateName));
  translateEngineErrors(component,
                        [&] { xbase::createTable(toFileSystemPath(base), address::kFieldList); });
}

QString addressKey(const QString& name) {
  return upperAscii(name).leftJustified(address::kNameWidth, QLatin1Char(' '), true);
}

}  // namespace store
