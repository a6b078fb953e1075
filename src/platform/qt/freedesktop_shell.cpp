#include "platform/qt/freedesktop_shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace platform::qt {

bool looksLikeUrl(const QString& text) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
  return scheme.match(text.trimmed()).hasMatch();
}

bool FreedesktopShell::open(const QString& target, const QString& parameters, const QString&,
                            ShowState) {
  if (looksLikeUrl(target)) return QDesktopServices::openUrl(QUrl(target.trimmed()));
  if (looksLikeUrl(parameters)) return QDesktopServices::openUrl(QUrl(parameters.trimmed()));
  if (parameters.isEmpty() && QFileInfo::exists(target))
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()));
  if (target.isEmpty()) return false;
  return QProcess::startDetached(target, QProcess::splitCommand(parameters));
}

}  // namespace platform::qt
