#include "app/application.h"

#include "platform/dialogs.h"
#include "store/error_box.h"

namespace app {

CardlarkApplication::CardlarkApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromLatin1(platform::kApplicationTitle));
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
