#include "dav_server.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <stdexcept>

namespace testsupport {

namespace {

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

DavServer::DavServer() : port_(freePort()) { writeFile(QStringLiteral("password"), "secret\n"); }

std::unique_ptr<DavServer> DavServer::make(ServerKind kind) {
  if (kind == ServerKind::Xandikos) return std::make_unique<XandikosServer>();
  return std::make_unique<RadicaleServer>();
}

DavServer::~DavServer() {
  stop(proxy_);
  stop();
}

void DavServer::writeFile(const QString& name, const QByteArray& text) const {
  QFile out(dir_.filePath(name));
  if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
    throw std::runtime_error("cannot write " + out.fileName().toStdString());
}

void DavServer::start() {
  const QStringList program = command();
  // Its log (Xandikos logs every request) stays in the storage folder.
  process_.setStandardErrorFile(dir_.filePath(QStringLiteral("server.log")), QIODevice::Append);
  process_.start(program.first(), program.mid(1));
  if (!process_.waitForStarted()) throw std::runtime_error("cannot start " + program.first().toStdString());
  waitForPort(port_, process_, qPrintable(program.first()));
}

void DavServer::stop() { stop(process_); }

void DavServer::stop(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(5000)) process.kill();
  process.waitForFinished(2000);
}

QString DavServer::plainBook() {
  const int port = freePort();
  proxy_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  proxy_.start(QStringLiteral("python3"), {QStringLiteral(CARDLARK_SYNC_TEST_DIR "/plain_dav_proxy.py"),
                                           QString::number(port), QString::number(port_)});
  if (!proxy_.waitForStarted()) throw std::runtime_error("cannot start the proxy");
  waitForPort(port, proxy_, "the proxy");
  return QStringLiteral("http://127.0.0.1:%1/").arg(port) + bookPath();
}

QString DavServer::root() const { return QStringLiteral("http://127.0.0.1:%1/").arg(port_); }

QStringList DavServer::cardFiles() const {
  return QDir(bookFolder()).entryList({QStringLiteral("*.vcf")}, QDir::Files, QDir::Name);
}

QString DavServer::card(const QString& file) const {
  QFile in(bookFolder() + QLatin1Char('/') + file);
  return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
}

void DavServer::storeCard(const QString& file, const QString& vcard) const {
  if (put(file, vcard) >= 300) throw std::runtime_error("cannot store " + file.toStdString());
}

int DavServer::curl(const QStringList& arguments) const {
  QProcess curl;
  curl.start(QStringLiteral("curl"),
             QStringList{QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-w"),
                         QStringLiteral("%{http_code}"), QStringLiteral("-u"), QStringLiteral("alice:secret")} +
                 arguments);
  curl.waitForFinished(30000);
  return curl.readAllStandardOutput().toInt();
}

int DavServer::put(const QString& file, const QString& vcard) const {
  return curl({QStringLiteral("-X"), QStringLiteral("PUT"), QStringLiteral("-H"),
               QStringLiteral("Content-Type: text/vcard"), QStringLiteral("--data-binary"), vcard, book() + file});
}

int DavServer::remove(const QString& file) const {
  return curl({QStringLiteral("-X"), QStringLiteral("DELETE"), book() + file});
}

RadicaleServer::RadicaleServer() {
  writeFile(QStringLiteral("users"), "alice:secret\n");
  const QString config = QStringLiteral(
                             "[server]\nhosts = 127.0.0.1:%1\n"
                             "[auth]\ntype = htpasswd\nhtpasswd_filename = %2\nhtpasswd_encryption = plain\n"
                             "[rights]\ntype = owner_only\n"
                             "[storage]\nfilesystem_folder = %3\n"
                             "[logging]\nlevel = warning\n")
                             .arg(port_)
                             .arg(dir_.filePath(QStringLiteral("users")), dir_.filePath(QStringLiteral("store")));
  writeFile(QStringLiteral("config"), config.toUtf8());
  start();
  const int made = curl(
      {QStringLiteral("-X"), QStringLiteral("MKCOL"), book(), QStringLiteral("--data"),
       QStringLiteral("<?xml version=\"1.0\"?><mkcol xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                      "<set><prop><resourcetype><collection/><C:addressbook/></resourcetype></prop></set></mkcol>")});
  if (made != 201) throw std::runtime_error("cannot make the address book: HTTP " + std::to_string(made));
}

QStringList RadicaleServer::command() const {
  return {QStringLiteral("radicale"), QStringLiteral("--config"), dir_.filePath(QStringLiteral("config"))};
}

void RadicaleServer::storeCard(const QString& file, const QString& vcard) const {
  writeFile(QStringLiteral("store/collection-root/alice/book/") + file, vcard.toUtf8());
}

// --defaults makes the principal /user/ with its address book on the first
// start and keeps them on the next.
XandikosServer::XandikosServer() { start(); }

QStringList XandikosServer::command() const {
  return {QStringLiteral("xandikos"), QStringLiteral("--defaults"),
          QStringLiteral("-d"),       dir_.filePath(QStringLiteral("store")),
          QStringLiteral("-l"),       QStringLiteral("127.0.0.1"),
          QStringLiteral("-p"),       QString::number(port_)};
}

}  // namespace testsupport
