#include "platform/qt/freedesktop_telephony.h"

#include <QProcess>
#include <QUrl>

namespace platform::qt {

namespace {
constexpr int kQueryTimeoutMs = 5000;
constexpr long kLaunchFailed = -1;
}  // namespace

QString telAddress(const QString& number) {
  return QStringLiteral("tel:") + QString::fromLatin1(QUrl::toPercentEncoding(number, "+-.()*,;=/"));
}

QString FreedesktopTelephony::registeredHandler() {
  QProcess query;
  query.start(QStringLiteral("xdg-mime"),
              {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/tel")});
  if (!query.waitForFinished(kQueryTimeoutMs) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
    query.kill();
    return {};
  }
  return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

bool FreedesktopTelephony::load() {
  handler_ = registeredHandler();
  return !handler_.isEmpty();
}

long FreedesktopTelephony::requestMakeCall(const std::string& destination, const std::string&, const std::string&,
                                           const std::string&) {
  if (handler_.isEmpty()) return kLaunchFailed;
  const QString address = telAddress(QString::fromStdString(destination));
  return QProcess::startDetached(QStringLiteral("xdg-open"), {address}) ? 0 : kLaunchFailed;
}

}  // namespace platform::qt
