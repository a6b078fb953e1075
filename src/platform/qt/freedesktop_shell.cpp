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

namespace {

bool isBrowserProgram(const QString& target) {
  return QFileInfo(target).fileName().compare(QStringLiteral("iexplore.exe"), Qt::CaseInsensitive) == 0;
}

}  // namespace

// The text as it was given: QUrl's parsing would re-encode it or lower-case
// its host, and the request must carry exactly what the caller handed over.
bool FreedesktopShell::openWithXdgOpen(const QString& url) {
  return QProcess::startDetached(QStringLiteral("xdg-open"), {url});
}

bool FreedesktopShell::openExactUrl(const QString& url) const { return openUrl_(url.trimmed()); }

bool FreedesktopShell::open(const QString& target, const QString& parameters, const QString&,
                            ShowState) {
  if (looksLikeUrl(target)) return openExactUrl(target);
  if (looksLikeUrl(parameters)) return openExactUrl(parameters);
  // The default browser plays the browser program's part; an address
  // without a scheme (www.example.com) is a web address.
  if (isBrowserProgram(target))
    return !parameters.trimmed().isEmpty() && openExactUrl(QStringLiteral("http://") + parameters.trimmed());
  if (parameters.isEmpty() && QFileInfo::exists(target))
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()));
  if (target.isEmpty()) return false;
  return QProcess::startDetached(target, QProcess::splitCommand(parameters));
}

}  // namespace platform::qt
