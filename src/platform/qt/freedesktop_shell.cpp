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

FreedesktopShell::FreedesktopShell(Launcher launcher) : launch_(std::move(launcher)) {
  if (!launch_) {
    launch_ = [](const QString& program, const QStringList& arguments) {
      return QProcess::startDetached(program, arguments);
    };
  }
}

bool FreedesktopShell::open(const QString& target, const QString& parameters, const QString&, ShowState) {
  if (looksLikeUrl(target)) return launch_(kOpener, {target.trimmed()});
  if (looksLikeUrl(parameters)) return launch_(kOpener, {parameters.trimmed()});
  if (parameters.isEmpty() && QFileInfo::exists(target)) return launch_(kOpener, {QFileInfo(target).absoluteFilePath()});
  if (target.isEmpty()) return false;
  return launch_(target, QProcess::splitCommand(parameters));
}

}  // namespace platform::qt
