#include "platform/qt/freedesktop_shell.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace platform::qt {

namespace {
const QString kOpener = QStringLiteral("xdg-open");
}

bool looksLikeUrl(const QString& text) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
  return scheme.match(text.trimmed()).hasMatch();
}

namespace {

bool isBrowserProgram(const QString& target) {
  return QFileInfo(target).fileName().compare(QStringLiteral("iexplore.exe"), Qt::CaseInsensitive) == 0;
}

}  // namespace

FreedesktopShell::FreedesktopShell(Launcher launcher) : launch_(std::move(launcher)) {
  if (!launch_) {
    launch_ = [](const QString& program, const QStringList& arguments) {
      return QProcess::startDetached(program, arguments);
    };
  }
}

// Addresses go to xdg-open as text: a URL class would re-encode them or
// lower-case their host, and the request must carry exactly what was given.
bool FreedesktopShell::open(const QString& target, const QString& parameters, const QString&, ShowState) {
  if (looksLikeUrl(target)) return launch_(kOpener, {target.trimmed()});
  if (looksLikeUrl(parameters)) return launch_(kOpener, {parameters.trimmed()});
  // The default browser plays the browser program's part; an address
  // without a scheme (www.example.com) is a web address.
  if (isBrowserProgram(target)) {
    const QString address = parameters.trimmed();
    return !address.isEmpty() && launch_(kOpener, {QStringLiteral("http://") + address});
  }
  if (parameters.isEmpty() && QFileInfo::exists(target))
    return launch_(kOpener, {QFileInfo(target).absoluteFilePath()});
  if (target.isEmpty()) return false;
  return launch_(target, QProcess::splitCommand(parameters));
}

}  // namespace platform::qt
