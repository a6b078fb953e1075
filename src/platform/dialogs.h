#pragma once

#include <QString>
#include <optional>

namespace platform {

// The title of plain message boxes and of the default error box.
inline constexpr char kApplicationTitle[] = "Kestrane Cardlark";

// Every message box and question of the program goes through this
// interface, so that tests can install a scripted fake
// (tests/support/fake_dialogs.h) and production shows real Qt boxes
// (QtDialogs). All calls are modal and return when the user has answered.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Plain box: application title, OK.
  virtual void message(const QString& text) = 0;
  // Titled "Warning", OK.
  virtual void warning(const QString& text) = 0;
  // Titled "Information", OK.
  virtual void information(const QString& text) = 0;
  // Titled "Confirm", OK and Cancel; true for OK.
  virtual bool confirm(const QString& text) = 0;
  // Titled "Confirm", Yes and No; true for Yes.
  virtual bool askYesNo(const QString& text) = 0;
  // The default error box: application title, error icon, OK. Shows text
  // such as "tblAddress: <engine text>" (see store::EngineError).
  virtual void error(const QString& text) = 0;

  // How typed text shows in a text question.
  enum class Echo { Normal, Hidden };
  // A one-line text question titled `title`: `prompt` above an edit, OK and
  // Cancel; the text typed, nullopt when cancelled. Hidden text (a password)
  // shows as dots.
  virtual std::optional<QString> askText(const QString& title, const QString& prompt, Echo echo = Echo::Normal) = 0;
};

// The process-wide instance. Throws std::logic_error when none is installed
// (the program installs QtDialogs at start-up through platform::qt::QtServices).
Dialogs& dialogs();

// Installs `instance` (not owned; nullptr uninstalls) and returns the one it
// replaces, so a caller can put it back.
Dialogs* setDialogs(Dialogs* instance);

}  // namespace platform
