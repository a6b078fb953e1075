// The sync against servers that try to take the password elsewhere, to aim
// a DELETE outside the address book, or to exhaust memory or time: scripted
// raw HTTP answers from a server in this process, which records every
// request and whether it carried the password.

#include <gtest/gtest.h>

#include <limits>

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <vector>

#include "book/address_book.h"
#include "book/table_layout.h"
#include "core_application.h"
#include "support/temp_folder.h"
#include "sync/card_codec.h"
#include "sync/dav_address_book.h"
#include "sync/dav_client.h"
#include "sync/error.h"
#include "sync/origin.h"
#include "sync/sync_state.h"
#include "sync/synchronizer.h"

namespace {

struct Request {
  QByteArray verb, path;
  bool authorized = false;
  QByteArray body;
};

// What the server sends for a request: `head` at once, then `stream` again
// and again for as long as the client takes it. The connection stays open
// unless `close`.
struct Answer {
  QByteArray head;
  QByteArray stream = {};
  bool close = true;
};

using Script = std::function<Answer(const Request&)>;

class HostileServer {
 public:
  explicit HostileServer(Script script) : script_(std::move(script)) {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) serve(socket);
    });
  }

  QString url(const QString& path = QStringLiteral("/")) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
  }

  std::vector<Request> requests;
  qint64 streamed = 0;  // bytes of `stream` written

 private:
  void serve(QTcpSocket* socket) {
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
      *buffer += socket->readAll();
      const qsizetype end = buffer->indexOf("\r\n\r\n");
      if (end < 0) return;
      const QByteArray head = buffer->left(end);
      const qsizetype length =
          head.toLower().contains("content-length:")
              ? head.mid(head.toLower().indexOf("content-length:") + 15).split('\r')[0].trimmed().toLongLong()
              : 0;
      if (buffer->size() < end + 4 + length) return;
      const QByteArray body = buffer->mid(end + 4, length);
      buffer->remove(0, end + 4 + length);
      const QList<QByteArray> line = head.split('\r')[0].split(' ');
      Request request{line.value(0), line.value(1), head.toLower().contains("\nauthorization:"), body};
      requests.push_back(request);
      answer(socket, script_(request));
    });
  }

  void answer(QTcpSocket* socket, const Answer& answer) {
    socket->write(answer.head);
    if (!answer.stream.isEmpty()) {
      const auto more = [this, socket, stream = answer.stream] {
        while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < stream.size()) {
          socket->write(stream);
          streamed += stream.size();
        }
      };
      QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
      more();
    } else if (answer.close) {
      socket->disconnectFromHost();
    }
  }

  QTcpServer server_;
  Script script_;
};

QByteArray multistatus(const QByteArray& responses) {
  const QByteArray body =
      R"(<?xml version="1.0"?><D:multistatus xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">)" + responses +
      "<D:sync-token>t2</D:sync-token></D:multistatus>";
  return "HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml\r\nContent-Length: " +
         QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

QByteArray response(const QString& href, const QByteArray& prop) {
  return "<D:response><D:href>" + href.toUtf8() + "</D:href><D:propstat><D:prop>" + prop +
         "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>";
}

const QByteArray kBookType = "<D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>";

class HostileSync : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testsupport::needCoreApplication(); }

  HostileSync() { book::createAddressTable(folder_.path(), true); }

  std::filesystem::path dbf() const { return folder_ / book::kTableName; }

  // One sync as alice; the error's message, "" when it succeeded.
  std::string syncFails(const QString& url, int timeoutMs = carddav::kDefaultTimeoutMs) {
    carddav::DavClient client({QStringLiteral("alice"), QStringLiteral("secret"), false});
    client.setTimeout(timeoutMs);
    try {
      carddav::DavAddressBook book(client);
      carddav::synchronize(dbf(), QUrl(url), book, carddav::vcardMapping(exchange::tableCodePage(dbf())));
    } catch (const carddav::Error& e) {
      return e.what();
    }
    return {};
  }

  testsupport::TempFolder folder_;
  // Where the hostile answers point: it must never see a request.
  HostileServer elsewhere_{[](const Request&) { return Answer{multistatus(response("/", kBookType))}; }};
};

TEST(BookHrefs, OnlyMembersOfTheBookOnItsOriginAreCards) {
  const QUrl book(QStringLiteral("http://dav.example:8080/alice/book/"));
  struct Case {
    const char* href;
    bool book, card;
  };
  for (const Case& c :
       {Case{"x.vcf", true, true}, Case{"/alice/book/sub/x.vcf", true, true}, Case{"/alice/book/", true, false},
        Case{"/alice/book", true, false}, Case{"/book/../other/../../victim/x.vcf", false, false},
        Case{"/alice/book/../../victim/x.vcf", false, false}, Case{"/alice/book/%2e%2e/x.vcf", false, false},
        Case{"/alice/book/a%2F..%2F..%2Fx.vcf", false, false}, Case{"/alice/bookish/x.vcf", false, false},
        Case{"http://dav.example:8081/alice/book/x.vcf", false, false},
        Case{"https://dav.example:8080/alice/book/x.vcf", false, false},
        Case{"http://other.example:8080/alice/book/x.vcf", false, false}}) {
    const QUrl href = QUrl::fromEncoded(c.href);
    EXPECT_EQ(c.book, [&] {
      try {
        carddav::inBook(book, href);
        return true;
      } catch (const carddav::Error&) {
        return false;
      }
    }()) << c.href;
    EXPECT_EQ(c.card, [&] {
      try {
        carddav::cardIn(book, href);
        return true;
      } catch (const carddav::Error&) {
        return false;
      }
    }()) << c.href;
  }
}

// Each hostile server fails the sync with a message that says why, and no
// request reaches another origin.
TEST_F(HostileSync, RedirectsHrefsAndEndlessOrSlowAnswersFailTheSync) {
  const QString away = elsewhere_.url(QStringLiteral("/elsewhere/"));
  const QByteArray endless = "100000\r\n" + QByteArray(1 << 20, 'x') + "\r\n";
  struct Case {
    const char* name;
    Script script;
    const char* message;
    qint64 mostStreamed = 0;
    int timeoutMs = carddav::kDefaultTimeoutMs;
  };
  const std::vector<Case> cases{
      {"redirect to another origin",
       [&](const Request&) {
         return Answer{"HTTP/1.1 307 Temporary Redirect\r\nLocation: " + away.toUtf8() +
                       "\r\nContent-Length: 0\r\n\r\n"};
       },
       "refusing the redirect"},
      {"principal on another origin",
       [&](const Request&) {
         return Answer{multistatus(response(
             "/", "<D:current-user-principal><D:href>" + away.toUtf8() + "</D:href></D:current-user-principal>"))};
       },
       "refusing to send PROPFIND to http://127.0.0.1"},
      {"address book home on another origin",
       [&](const Request& r) {
         return Answer{multistatus(
             r.path == "/" ? response("/", "<D:current-user-principal><D:href>/p/</D:href></D:current-user-principal>")
                           : response("/p/", "<C:addressbook-home-set><D:href>" + away.toUtf8() +
                                                 "</D:href></C:addressbook-home-set>"))};
       },
       "refusing to send PROPFIND to http://127.0.0.1"},
      {"members on another origin",
       [&](const Request& r) {
         return Answer{multistatus(r.verb == "PROPFIND" ? response("/", kBookType)
                                                        : response(away + "x.vcf", "<D:getetag>\"1\"</D:getetag>"))};
       },
       "lies outside the address book"},
      {"endless chunked answer",
       [&](const Request&) {
         return Answer{"HTTP/1.1 207 Multi-Status\r\nTransfer-Encoding: chunked\r\n\r\n", endless};
       },
       // The message proves the cut: a client that kept reading would run into
       // its timeout instead. How much the server got out before the abort
       // reached it depends on the machine's speed (gigabytes under the
       // sanitizers), so it is not bounded here.
       "larger than 64 MiB", std::numeric_limits<qint64>::max()},
      {"huge Content-Length",
       [&](const Request&) {
         return Answer{"HTTP/1.1 207 Multi-Status\r\nContent-Length: 3000000000\r\n\r\n", QByteArray(1 << 20, 'x')};
       },
       "larger than 64 MiB", 16 << 20},
      {"slow answer after its headers",
       [&](const Request&) {
         return Answer{"HTTP/1.1 207 Multi-Status\r\nContent-Length: 1000\r\n\r\n<?xml", {}, false};
       },
       "timed out", 0, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostileServer origin(c.script);
    const std::string message = syncFails(origin.url(), c.timeoutMs);
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    EXPECT_LE(origin.streamed, c.mostStreamed);  // cut off early, not read to its end
    EXPECT_TRUE(elsewhere_.requests.empty());
    for (const Request& r : origin.requests) EXPECT_TRUE(r.authorized) << r.path.toStdString();
  }
}

// An answer of several megabytes below the limit, its end marked only by
// the connection closing, arrives whole (the read buffer never stalls it).
TEST_F(HostileSync, ALargeAnswerBelowTheLimitArrives) {
  const QByteArray padding = "<!--" + QByteArray(8 << 20, 'x') + "-->";
  HostileServer origin([&](const Request&) {
    QByteArray answer = multistatus(response("/", kBookType) + padding);
    answer.replace(answer.indexOf("Content-Length"), 14, "X-Length");  // the body ends where the connection does
    return Answer{answer};
  });
  EXPECT_EQ(syncFails(origin.url(), 20000), "");
}

// An edited state file cannot aim a DELETE outside the address book: the
// card's href is resolved against the book and refused.
TEST_F(HostileSync, StateFileHrefsOutsideTheBookAreRefused) {
  HostileServer origin([](const Request&) { return Answer{multistatus({})}; });
  for (const QString& href :
       {elsewhere_.url(QStringLiteral("/book/x.vcf")), QStringLiteral("/book/../other/../../victim/x.vcf")}) {
    carddav::SyncState state;
    state.server = origin.url(QStringLiteral("/book/"));
    state.token = QStringLiteral("t1");
    state.links["GONE HERE"] = {QStringLiteral("u"), href, QStringLiteral("\"1\""), "h", "m"};
    carddav::writeState(carddav::stateFileOf(dbf()), state);
    const std::string message = syncFails(origin.url(QStringLiteral("/book/")));
    EXPECT_NE(message.find("lies outside the address book"), std::string::npos) << message;
    for (const Request& r : origin.requests) EXPECT_EQ(r.verb, "REPORT") << r.path.toStdString();
    EXPECT_TRUE(elsewhere_.requests.empty());
  }
}

// New cards go out several at once. A server that answers one of them as
// busy gets it again alone, and one that it refuses ends the sync: every
// card it stored is in the state, the refused one is not counted as sent
// and goes out again, alone, in the next sync.
TEST_F(HostileSync, PutsOfABatchThatFailAreRecordedAsNotSent) {
  {
    book::AddressBook table(dbf(), book::AddressBook::Access::Shared);
    for (int i = 0; i < 10; ++i) table.add({"Person " + std::to_string(i), i == 7 ? "refuse me" : "fine"});
  }
  bool refuse = true;
  int puts = 0;
  HostileServer origin([&](const Request& r) {
    if (r.verb != "PUT") return Answer{multistatus({})};
    ++puts;
    const bool fail = r.body.contains("refuse me") && refuse;
    const QByteArray status = fail ? "500 Oops" : puts == 3 ? "503 Busy" : "201 Created";
    return Answer{"HTTP/1.1 " + status + "\r\nETag: \"e" + QByteArray::number(puts) +
                  "\"\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"};
  });
  const QString book = origin.url(QStringLiteral("/book/"));
  carddav::SyncState state;
  state.server = book;
  carddav::writeState(carddav::stateFileOf(dbf()), state);

  EXPECT_NE(syncFails(book).find("HTTP status 500"), std::string::npos);
  EXPECT_EQ(puts, 12);  // each once, then the busy one and the refused one alone
  state = carddav::readState(carddav::stateFileOf(dbf()));
  ASSERT_EQ(state.links.size(), 10u);
  for (const auto& [key, link] : state.links) EXPECT_EQ(link.etag.isEmpty(), key == "PERSON 7") << key;

  refuse = false;
  puts = 0;
  EXPECT_EQ(syncFails(book), "");
  EXPECT_EQ(puts, 1);
  for (const auto& [key, link] : carddav::readState(carddav::stateFileOf(dbf())).links)
    EXPECT_FALSE(link.etag.isEmpty()) << key;
}

// The command refuses a password in the URL before any request, and
// writes no state file.
TEST_F(HostileSync, CommandRefusesAPasswordInTheUrl) {
  HostileServer origin([](const Request&) { return Answer{multistatus(response("/", kBookType))}; });
  QString url = origin.url();
  url.replace(QStringLiteral("http://"), QStringLiteral("http://alice:secret@"));
  QProcess run;
  run.start(QStringLiteral(CARDLARK_BIN_DIR "/cardlark-db"),
            {QStringLiteral("sync"), QString::fromStdString(folder_.path().string()), url});
  ASSERT_TRUE(run.waitForFinished(60000));
  EXPECT_EQ(run.exitCode(), 2);
  EXPECT_TRUE(run.readAllStandardError().contains("--password-file"));
  EXPECT_TRUE(origin.requests.empty());
  EXPECT_FALSE(std::filesystem::exists(carddav::stateFileOf(dbf())));
}

}  // namespace
