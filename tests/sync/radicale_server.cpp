#include "radicale_server.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <stdexcept>

namespace testsupport {

namespace {

void writeFile(const QString& path, const QByteArray& text) {
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
    throw std::runtime_error("cannot write " + path.toStdString());
}

int freePort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("no free port");
  return probe.serverPort();
}

}  // namespace

RadicaleServer::RadicaleServer() : port_(freePort()) {
  writeFile(dir_.filePath(QStringLiteral("users")), "alice:secret\n");
  writeFile(passwordFile(), "secret\n");
  const QString config = QStringLiteral(
                             "[server]\nhosts = 127.0.0.1:%1\n"
                             "[auth]\ntype = htpasswd\nhtpasswd_filename = %2\nhtpasswd_encryption = plain\n"
                             "[rights]\ntype = owner_only\n"
                             "[storage]\nfilesystem_folder = %3\n"
                             "[logging]\nlevel = warning\n")
                             .arg(port_)
                             .arg(dir_.filePath(QStringLiteral("users")), dir_.filePath(QStringLiteral("store")));
  writeFile(dir_.filePath(QStringLiteral("config")), config.toUtf8());
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start(QStringLiteral("radicale"), {QStringLiteral("--config"), dir_.filePath(QStringLiteral("config"))});
  if (!process_.waitForStarted()) throw std::runtime_error("cannot start radicale");
  QElapsedTimer waited;
  waited.start();
  for (;;) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
    if (socket.waitForConnected(200)) break;
    if (waited.elapsed() > 15000 || process_.state() != QProcess::Running)
      throw std::runtime_error("radicale did not come up");
    QThread::msleep(100);
  }
  const int made = curl({QStringLiteral("-X"), QStringLiteral("MKCOL"), book(), QStringLiteral("--data"),
                         QStringLiteral("<?xml version=\"1.0\"?><mkcol xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                                        "<set><prop><resourcetype><collection/><C:addressbook/></resourcetype></prop></set></mkcol>")});
  if (made != 201) throw std::runtime_error("cannot make the address book: HTTP " + std::to_string(made));
}

RadicaleServer::~RadicaleServer() {
  process_.terminate();
  if (!process_.waitForFinished(5000)) process_.kill();
  process_.waitForFinished(2000);
}

QString RadicaleServer::root() const { return QStringLiteral("http://127.0.0.1:%1/").arg(port_); }

QStringList RadicaleServer::cardFiles() const {
  return QDir(dir_.filePath(QStringLiteral("store/collection-root/alice/book")))
      .entryList({QStringLiteral("*.vcf")}, QDir::Files, QDir::Name);
}

QString RadicaleServer::card(const QString& file) const {
  QFile in(dir_.filePath(QStringLiteral("store/collection-root/alice/book/")) + file);
  return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
}

int RadicaleServer::curl(const QStringList& arguments) const {
  QProcess curl;
  curl.start(QStringLiteral("curl"), QStringList{QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                                                 QStringLiteral("-w"), QStringLiteral("%{http_code}"), QStringLiteral("-u"),
                                                 QStringLiteral("alice:secret")} + arguments);
  curl.waitForFinished(30000);
  return curl.readAllStandardOutput().toInt();
}

int RadicaleServer::put(const QString& file, const QString& vcard) const {
  return curl({QStringLiteral("-X"), QStringLiteral("PUT"), QStringLiteral("-H"),
               QStringLiteral("Content-Type: text/vcard"), QStringLiteral("--data-binary"), vcard, book() + file});
}

int RadicaleServer::remove(const QString& file) const {
  return curl({QStringLiteral("-X"), QStringLiteral("DELETE"), book() + file});
}

}  // namespace testsupport
