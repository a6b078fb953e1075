#pragma once

#include <gtest/gtest.h>

#include <QStringList>

#include "fake_dialogs.h"
#include "fixed_clock.h"
#include "store/address_schema.h"
#include "store/ansi_text.h"
#include "store/data_module.h"
#include "temp_data_folder.h"

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* out) { *out << '{' << list.join(", ").toStdString() << '}'; }

// A data module on a fresh address table in a temporary folder, with
// recorded dialogs and today fixed at 7 March 2026.
class AddressTableTest : public ::testing::Test {
 protected:
  static QDate today() { return {2026, 3, 7}; }

  void SetUp() override { folder.createAddressTable(); }

  // Opens tblAddress shared in alphabetical order and takes the entry count,
  // as start-up does.
  void openModule() {
    dm.setFolder(folder.path());
    dm.tblAddress.open();
    dm.takeEntryCount();
  }

  // Inserts an entry through tblAddress; returns whether the post stored it.
  bool insertEntry(const QString& name, const QString& info = {}) {
    dm.tblAddress.append();
    dm.tblAddress.setText("Name", name);
    if (!info.isEmpty()) dm.tblAddress.setText("Info", info);
    return dm.tblAddress.post();
  }

  // The names the table shows, from the first record to the last.
  static QStringList visibleNames(store::EngineTable& table) {
    QStringList names;
    for (table.first(); !table.eof(); table.next()) {
      names << table.text("Name");
      if (names.size() > 10000) break;  // a cursor that never reaches the end
    }
    return names;
  }

  testsupport::TempDataFolder folder;
  testsupport::FakeDialogs dialogs;
  testsupport::FixedClock clock{today()};
  store::TDM dm;
};
