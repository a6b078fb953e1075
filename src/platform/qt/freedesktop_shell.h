#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "platform/desktop_shell.h"

namespace platform::qt {

// The open request on a freedesktop desktop:
// - a target with a URL scheme (http:, https:, mailto:, tel:, file:) goes to
//   xdg-open, which hands it to the handler registered for the scheme;
// - a program target whose parameter text is such a URL (a browser program
//   named by its Windows name) hands the parameter to the registered handler
//   for its scheme instead, since that program does not exist here;
// - the browser program "iexplore.exe" with an address without a scheme
//   opens it as an http address in the default browser;
// - URLs go out exactly as given, never re-encoded or tidied;
// - an existing file or folder opens with its registered application;
// - anything else is started as a program with the parameters split like a
//   command line.
// Addresses reach xdg-open exactly as given (only surrounding blanks go): no
// URL class re-encodes them, so "?%5Fencoding=UTF8" stays as it is. The verb
// and show state have no freedesktop counterpart and are ignored.
class FreedesktopShell final : public DesktopShell {
 public:
  // Starts `program` with `arguments` detached; true when it started.
  using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;

  // The launcher defaults to QProcess::startDetached; tests record instead.
  explicit FreedesktopShell(Launcher launcher = {});

  bool open(const QString& target, const QString& parameters, const QString& verb, ShowState showState) override;

 private:
  Launcher launch_;
};

// Whether `text` is an absolute URL with a scheme of two or more letters (so
// that a Windows drive letter "C:" is not taken for one).
bool looksLikeUrl(const QString& text);

}  // namespace platform::qt
