#include "platform/qt/freedesktop_telephony.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace platform::qt {

namespace {
constexpr int kQueryTimeoutMs = 5000;
constexpr int kStartTimeoutMs = 5000;
constexpr long kLaunchFailed = -1;
constexpr int kCrashed = -1;  // the exit status told for a handler that crashed

// The Exec line of the desktop file `handler` (found in the applications
// folders of the XDG data folders), or empty.
QString execLine(const QString& handler) {
  QFile file(QStandardPaths::locate(QStandardPaths::ApplicationsLocation, handler));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  bool inEntry = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith(QLatin1Char('['))) inEntry = line == QLatin1String("[Desktop Entry]");
    if (inEntry && line.startsWith(QLatin1String("Exec="))) return line.mid(5);
  }
  return {};
}

}  // namespace

QString telAddress(const QString& number) {
  return QStringLiteral("tel:") + QString::fromLatin1(QUrl::toPercentEncoding(number, "+-.()*,;=/"));
}

QStringList handlerCommand(const QString& exec, const QString& address) {
  QStringList command;
  bool placed = false;
  for (const QString& word : QProcess::splitCommand(exec)) {
    if (word == QLatin1String("%u") || word == QLatin1String("%U") || word == QLatin1String("%f") ||
        word == QLatin1String("%F")) {
      command << address;
      placed = true;
    } else if (word.size() == 2 && word.startsWith(QLatin1Char('%')) && word != QLatin1String("%%")) {
      continue;  // the icon, name and file location codes carry nothing here
    } else {
      command << QString(word).replace(QLatin1String("%%"), QLatin1String("%"));
    }
  }
  if (!command.isEmpty() && !placed) command << address;
  return command;
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

// The handler runs as a child of the program, so its exit status is heard:
// xdg-open would turn any failure into its own status 4.
long FreedesktopTelephony::requestMakeCall(const std::string& destination, const std::string&, const std::string&,
                                           const std::string&) {
  if (handler_.isEmpty()) return kLaunchFailed;
  const QString address = telAddress(QString::fromStdString(destination));
  QStringList command = handlerCommand(execLine(handler_), address);
  if (command.isEmpty()) command = QStringList{QStringLiteral("xdg-open"), address};
  auto* process = new QProcess;
  process->setProgram(command.takeFirst());
  process->setArguments(command);
  process->setStandardInputFile(QProcess::nullDevice());
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  QObject::connect(process, &QProcess::finished, process,
                   [process, failed = failureHandler()](int code, QProcess::ExitStatus status) {
                     process->deleteLater();
                     if (!failed) return;
                     if (status != QProcess::NormalExit)
                       failed(kCrashed);
                     else if (code != 0)
                       failed(code);
                   });
  process->start();
  if (!process->waitForStarted(kStartTimeoutMs)) {
    delete process;
    return kLaunchFailed;
  }
  return 0;
}

}  // namespace platform::qt
