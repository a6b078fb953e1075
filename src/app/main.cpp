// Program entry: the application, the desktop services, the data module, the
// main window and the chooser dialog; start-up runs when the window shows for the first time.

#include <QDir>

#include "app/application.h"
#include "app/main_window.h"
#include "contact/chooser_dialog.h"
#include "platform/qt/qt_services.h"
#include "store/data_module.h"

int main(int argc, char** argv) {
  app::CardlarkApplication application(argc, argv);
  const platform::qt::QtServices services;
  // The data module comes first because the window binds its controls to it
  // when it is created.
  store::TDM DM;
  app::TRuViv RuViv(DM, application.arguments().mid(1), QDir::currentPath());
  // The chooser dialog serves the contact actions and the search prompt.
  contact::TBtnBottomDlg BtnBottomDlg(&RuViv);
  RuViv.attachChooser(BtnBottomDlg);
  RuViv.show();
  return application.exec();
}
