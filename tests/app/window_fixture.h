#pragma once

// A main window with its chooser dialog on a temporary working folder with
// scripted dialogs and a recording desktop shell; start() shows it, which runs start-up.

#include <QCoreApplication>
#include <QDir>
#include <memory>

#include "app/main_window.h"
#include "contact/chooser_dialog.h"
#include "fake_desktop_shell.h"
#include "fake_dialogs.h"
#include "store/data_module.h"
#include "temp_data_folder.h"

namespace app_testing {

struct WindowFixture {
  testsupport::FakeDialogs dialogs;
  testsupport::FakeDesktopShell shell;
  testsupport::TempDataFolder work;
  std::unique_ptr<store::TDM> dm = std::make_unique<store::TDM>();
  std::unique_ptr<app::TRuViv> window;
  std::unique_ptr<contact::TBtnBottomDlg> chooser;

  app::TRuViv& start(const QStringList& parameters = {}) {
    window = std::make_unique<app::TRuViv>(*dm, parameters, work.path());
    chooser = std::make_unique<contact::TBtnBottomDlg>(window.get());
    window->attachChooser(*chooser);
    window->show();
    QCoreApplication::processEvents();  // a failed start-up closes the window from the event loop
    return *window;
  }

  store::EngineTable& table() { return dm->tblAddress; }
  QString currentName() { return table().text(QStringLiteral("Name")); }

  // Entries stored straight through the engine, in this (natural) order.
  void seed(const QStringList& names) {
    work.createAddressTable();
    for (const QString& name : names) work.appendEntry(name, QStringLiteral("memo of ") + name);
  }
};

}  // namespace app_testing
