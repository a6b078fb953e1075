#pragma once

// An address table with `count` entries in a temporary folder, opened in
// alphabetical order behind a data source that does not start edits itself.

#include <QStringList>

#include "fake_dialogs.h"
#include "store/address_schema.h"
#include "store/data_source.h"
#include "store/engine_table.h"
#include "temp_data_folder.h"

namespace widgets_testing {

struct BoundTable {
  testsupport::FakeDialogs dialogs;
  testsupport::TempDataFolder folder;
  store::EngineTable table{QStringLiteral("tblAddress")};
  store::DataSource source{QStringLiteral("dsAddress"), &table};

  explicit BoundTable(const QStringList& names, std::uint8_t codePageMark = 0x03) {
    folder.createAddressTable(true, codePageMark);
    for (const QString& name : names) folder.appendEntry(name, QStringLiteral("line one\r\nline two of ") + name);
    table.setFolder(folder.path());
    table.setTableName(QString::fromLatin1(book::kTableName));
    table.setIndexName(QString::fromLatin1(book::kIndexName));
    source.setAutoEdit(false);
    table.open();
  }

  QString name() const { return table.text(QStringLiteral("Name")); }
};

// "Name000", "Name001", ... in alphabetical order.
inline QStringList numberedNames(int count) {
  QStringList names;
  for (int i = 0; i < count; ++i) names << QStringLiteral("Name%1").arg(i, 3, 10, QLatin1Char('0'));
  return names;
}

}  // namespace widgets_testing
