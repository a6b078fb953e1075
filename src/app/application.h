#pragma once

// The application object. Its notify() is the last resort for a failure
// that no command handled: store::showErrorBox shows it (the default error
// box with the table component's name, ": " and the engine's text; nothing
// for a silent abort). The command that failed ends there and the program
// goes on.

#include <QApplication>
#include <QIcon>

namespace app {

// The program's icon (a resource at several sizes).
QIcon programIcon();

// Gives the program's icon to the application, and so to the main window and
// every dialog that sets none of its own.
void installProgramIcon();

class CardlarkApplication : public QApplication {
  Q_OBJECT

 public:
  CardlarkApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace app
