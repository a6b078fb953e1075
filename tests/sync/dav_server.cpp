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

// Waits until `port` takes connections while `process` runs.
void waitForPort(int port, const QProcess& process, const char* what) {
  QElapsedTimer waited;
  waited.start();
  for (;;) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    if (socket.waitForConnected(200)) return;
    if (waited.elapsed() > 15000 || process.state() != QProcess::Running)
      throw std::runtime_error(std::string(what) + " did not come up");
    QThread::msleep(100);
  }
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
  start();
  const int made = curl(
      {QStringLiteral("-X"), QStringLiteral("MKCOL"), book(), QStringLiteral("--data"),
       QStringLiteral("<?xml version=\"1.0\"?><mkcol xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                      "<set><prop><resourcetype><collection/><C:addressbook/></resourcetype></prop></set></mkcol>")});
  if (made != 201) throw std::runtime_error("cannot make the address book: HTTP " + std::to_string(made));
}

RadicaleServer::~RadicaleServer() {
  stop(proxy_);
  stop();
}

void RadicaleServer::start() {
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start(QStringLiteral("radicale"), {QStringLiteral("--config"), dir_.filePath(QStringLiteral("config"))});
  if (!process_.waitForStarted()) throw std::runtime_error("cannot start radicale");
  waitForPort(port_, process_, "radicale");
}

void RadicaleServer::stop() { stop(process_); }

void RadicaleServer::stop(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(5000)) process.kill();
  process.waitForFinished(2000);
}

QString RadicaleServer::plainBook() {
  const int port = freePort();
  proxy_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  proxy_.start(QStringLiteral("python3"), {QStringLiteral(CARDLARK_SYNC_TEST_DIR "/plain_dav_proxy.py"),
                                           QString::number(port), QString::number(port_)});
  if (!proxy_.waitForStarted()) throw std::runtime_error("cannot start the proxy");
  waitForPort(port, proxy_, "the proxy");
  return QStringLiteral("http://127.0.0.1:%1/alice/book/").arg(port);
}

QString RadicaleServer::root() const { return QStringLiteral("http://127.0.0.1:%1/").arg(port_); }

QStringList RadicaleServer::cardFiles() const {
  return QDir(dir_.filePath(QStringLiteral("store/collection-root/alice/book")))
      .entryList({QStringLiteral("*.vcf")}, QDir::Files, QDir::Name);
}

void RadicaleServer::storeCard(const QString& file, const QString& vcard) const {
  writeFile(dir_.filePath(QStringLiteral("store/collection-root/alice/book/")) + file, vcard.toUtf8());
}

QString RadicaleServer::card(const QString& file) const {
  QFile in(dir_.filePath(QStringLiteral("store/collection-root/alice/book/")) + file);
  return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
}

int RadicaleServer::curl(const QStringList& arguments) const {
  QProcess curl;
  curl.start(QStringLiteral("curl"),
             QStringList{QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-w"),
                         QStringLiteral("%{http_code}"), QStringLiteral("-u"), QStringLiteral("alice:secret")} +
                 arguments);
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
