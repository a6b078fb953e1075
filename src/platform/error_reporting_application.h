#pragma once

#include <QApplication>
#include <exception>

namespace platform {

// The application object with the program's one top-level error handler: an
// exception that escapes an event handler or slot is shown in the default
// error box (Dialogs::error) with its text - for an engine error that is the
// component's name, ": " and the engine's text - and the command ends there;
// the event loop goes on. A SilentAbort ends the command without a box.
class ErrorReportingApplication : public QApplication {
  Q_OBJECT

 public:
  ErrorReportingApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};

// Shows `error` in the default error box (nothing for a SilentAbort). For
// code that catches an exception itself and still wants the standard report.
void reportError(const std::exception& error);

}  // namespace platform
