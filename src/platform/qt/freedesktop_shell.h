#pragma once

#include "platform/desktop_shell.h"

namespace platform::qt {

// The open request on a freedesktop desktop:
// - a target with a URL scheme (http:, https:, mailto:, tel:, file:) goes to
//   QDesktopServices::openUrl, which hands it to xdg-open and the handler
//   registered for the scheme;
// - a program target whose parameter text is such a URL (a browser program
//   named by its Windows name) hands the parameter to the registered handler
//   for its scheme instead, since that program does not exist here;
// - an existing file or folder opens with its registered application;
// - anything else is started as a program with the parameters split like a
//   command line.
// The verb and show state have no freedesktop counterpart and are ignored.
class FreedesktopShell final : public DesktopShell {
 public:
  bool open(const QString& target, const QString& parameters, const QString& verb,
            ShowState showState) override;
};

// Whether `text` is an absolute URL with a scheme of two or more letters (so
// that a Windows drive letter "C:" is not taken for one).
bool looksLikeUrl(const QString& text);

}  // namespace platform::qt
