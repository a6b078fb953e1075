#include "app/application.h"

#include "platform/dialogs.h"
#include "store/error_box.h"

namespace app {

QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/cardlark/icons/cardlark-%1.png").arg(size));
  return icon;
}

void installProgramIcon() { QApplication::setWindowIcon(programIcon()); }

CardlarkApplication::CardlarkApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromLatin1(platform::kApplicationTitle));
  installProgramIcon();
}

bool CardlarkApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    store::showErrorBox(std::current_exception());
    return true;
  }
}

}  // namespace app
