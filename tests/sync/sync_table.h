#pragma once

// What every sync test needs on the table's side: a fresh address table,
// entries added, edited and deleted as the window would, the entries read
// back; and on the server's side, foreign cards and finding a card by its
// text, for any server that lists cardFiles() and gives card(file).

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "book/table_layout.h"
#include "support/temp_folder.h"
#include "sync/synchronizer.h"
#include "xbase/cursor.h"

namespace testsupport {

class SyncTableTest : public ::testing::Test {
 protected:
  SyncTableTest() { book::createAddressTable(folder_.path(), true); }

  std::filesystem::path dbf() const { return folder_ / book::kTableName; }

  void append(const std::string& name, const std::string& memo) {
    auto cursor = xbase::Cursor::open(dbf(), xbase::OpenMode::Shared);
    cursor->beginAppend();
    cursor->setValue(book::kName, name);
    cursor->setValue(book::kInfo, memo);
    cursor->post();
  }

  // Calls `change` on the entry named `name`.
  template <typename Change>
  void onEntry(const std::string& name, Change change) {
    auto cursor = xbase::Cursor::open(dbf(), xbase::OpenMode::Shared);
    for (cursor->first(); !cursor->eof(); cursor->skip())
      if (cursor->value(book::kName) == name) return change(*cursor);
    FAIL() << "no entry " << name;
  }
  void edit(const std::string& name, const char* field, const std::string& value) {
    onEntry(name, [&](xbase::Cursor& c) {
      c.beginEdit();
      c.setValue(field, value);
      c.post();
    });
  }
  void remove(const std::string& name) {
    onEntry(name, [](xbase::Cursor& c) { c.deleteRecord(); });
  }

  std::map<std::string, std::string> entries() const {
    std::map<std::string, std::string> all;
    auto cursor = xbase::Cursor::open(dbf(), xbase::OpenMode::Shared);
    for (cursor->first(); !cursor->eof(); cursor->skip()) all[cursor->value(book::kName)] = cursor->value(book::kInfo);
    return all;
  }

  testsupport::TempFolder folder_;
};

// The summary's counts as {sent, received, deleted here, deleted there, conflicts}.
inline std::vector<int> counts(const carddav::SyncSummary& s) {
  return {s.sent, s.received, s.deletedHere, s.deletedThere, s.conflicts};
}

// A vCard 3.0 as another client writes it.
inline QString foreignCard(const QString& uid, const QString& fn, const QString& tel) {
  return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\nFN:%2\r\nN:;%2;;;\r\nTEL:%3\r\nEND:VCARD\r\n")
      .arg(uid, fn, tel);
}

// The server's card file holding `text`; "" when none does.
template <typename Server>
QString cardWith(const Server& server, const QString& text) {
  for (const QString& file : server.cardFiles())
    if (server.card(file).contains(text)) return file;
  return {};
}

// The UID of the server's card file, to change the card in place.
template <typename Server>
QString uidIn(const Server& server, const QString& file) {
  const QString text = server.card(file);
  const qsizetype at = text.indexOf(QStringLiteral("\nUID:")) + 5;
  return text.mid(at, text.indexOf(QLatin1Char('\r'), at) - at);
}

}  // namespace testsupport
