#pragma once

// The application object. Its notify() is the one place where a failure that
// no command handled is shown: the default error box with the table
// component's name, ": " and the engine's text. The command that failed ends
// there and the program goes on.

#include <QApplication>

namespace app {

class CardlarkApplication : public QApplication {
  Q_OBJECT

 public:
  CardlarkApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the exception being handled in the default error box. Call only
// from a catch block.
void showCurrentErrorInBox();

}  // namespace app
