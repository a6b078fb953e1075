#include "app/application.h"

#include "platform/dialogs.h"
#include "store/engine_error.h"
#include "xbase/error.h"

namespace app {

CardlarkApplication::CardlarkApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromLatin1(platform::kApplicationTitle));
}

bool CardlarkApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    showCurrentErrorInBox();
    return true;
  }
}

void showCurrentErrorInBox() {
  try {
    throw;
  } catch (const store::EngineError& e) {
    platform::dialogs().error(e.displayText());
  } catch (const xbase::Error& e) {
    // Engine errors normally arrive translated; this one carries no
    // component, so its text stands alone.
    platform::dialogs().error(QString::fromLocal8Bit(e.what()));
  } catch (const std::exception& e) {
    platform::dialogs().error(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    platform::dialogs().error(QStringLiteral("Unexpected failure"));
  }
}

}  // namespace app
