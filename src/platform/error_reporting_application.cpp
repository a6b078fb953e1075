#include "platform/error_reporting_application.h"

#include "platform/dialogs.h"
#include "platform/silent_abort.h"

#include <stdexcept>

namespace platform {

ErrorReportingApplication::ErrorReportingApplication(int& argc, char** argv)
    : QApplication(argc, argv) {}

bool ErrorReportingApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    reportError(error);
  }
  return false;
}

void reportError(const std::exception& error) {
  if (dynamic_cast<const SilentAbort*>(&error) != nullptr) return;
  const QString text = QString::fromUtf8(error.what());
  try {
    dialogs().error(text);
  } catch (const std::logic_error&) {
    qCritical("%s", qPrintable(text));  // no dialogs service: never lose the report
  }
}

}  // namespace platform
