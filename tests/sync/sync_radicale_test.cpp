// Two-way sync against real CardDAV servers (Radicale and Xandikos on
// 127.0.0.1), their files checked straight in their storage folders and
// changed on the server's side with curl, or by a second client (vdirsyncer
// keeping a folder of cards in step with the server, khard editing them).

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "core_application.h"
#include "dav_server.h"
#include "sync/card_codec.h"
#include "sync/dav_address_book.h"
#include "sync/error.h"
#include "sync/sync_state.h"
#include "sync_table.h"

namespace {

using testsupport::counts;
using testsupport::foreignCard;

using testsupport::ServerKind;

class SyncWithServer : public testsupport::SyncTableTest {
 protected:
  explicit SyncWithServer(ServerKind kind = ServerKind::Radicale)
      : owned_(testsupport::DavServer::make(kind)), server_(*owned_) {}

  static void SetUpTestSuite() { testsupport::needCoreApplication(); }

  // One sync; `requests` gets how many requests it sent.
  carddav::SyncSummary syncNow(const QString& url, int* requests = nullptr) {
    carddav::DavClient client({QStringLiteral("alice"), QStringLiteral("secret"), false});
    carddav::DavAddressBook server(client);
    const carddav::SyncSummary summary = carddav::synchronize(dbf(), QUrl(url), server,
                                                              carddav::vcardMapping(exchange::tableCodePage(dbf())));
    if (requests) *requests = client.requestCount();
    return summary;
  }

  QString cardWith(const QString& text) const { return testsupport::cardWith(server_, text); }
  QString uidIn(const QString& file) const { return testsupport::uidIn(server_, file); }

  // Starts `cardlark-db sync` on the table and the address book.
  void startCommand(QProcess& run, const QString& url, const QString& passwordFile) {
    run.start(QStringLiteral(CARDLARK_BIN_DIR "/cardlark-db"),
              {QStringLiteral("sync"), QString::fromStdString(folder_.path().string()), url, QStringLiteral("--user"),
               QStringLiteral("alice"), QStringLiteral("--password-file"), passwordFile});
  }

  // One more sync changes nothing and sends `requests` requests.
  void expectSettled(const QString& url, int requests);

  std::unique_ptr<testsupport::DavServer> owned_;
  testsupport::DavServer& server_;
};

void SyncWithServer::expectSettled(const QString& url, int requests) {
  const auto before = entries();
  const QStringList cards = server_.cardFiles();
  int sent = 0;
  EXPECT_EQ(counts(syncNow(url, &sent)), (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_EQ(sent, requests);
  EXPECT_EQ(entries(), before);
  EXPECT_EQ(server_.cardFiles(), cards);
}

// Large books, restarts and passwords: Radicale alone (Xandikos checks no
// password), to keep the tests' time down.
class SyncWithRadicale : public SyncWithServer {};

// The sync itself, on either server.
class SyncWith : public SyncWithServer, public ::testing::WithParamInterface<ServerKind> {
 protected:
  SyncWith() : SyncWithServer(GetParam()) {}
};

INSTANTIATE_TEST_SUITE_P(Servers, SyncWith, ::testing::Values(ServerKind::Radicale, ServerKind::Xandikos),
                         [](const ::testing::TestParamInfo<ServerKind>& info) {
                           return info.param == ServerKind::Radicale ? "Radicale" : "Xandikos";
                         });

TEST_P(SyncWith, FirstSyncBothWaysFromTheRootThenNothingMoves) {
  append("Smith, Anna", "Phone: 555-0101\r\nEmail: anna@example.org");
  append("Jones, Bob", "");
  append("M\xFCller, J\xFCrgen", "Notes with; commas, and \\ a backslash");
  ASSERT_LT(server_.put("foreign.vcf", foreignCard("f-1", "Jane Doe", "+1 555 0199")), 300);

  // From the server's root: the address book is discovered.
  const carddav::SyncSummary first = syncNow(server_.root());
  EXPECT_EQ(counts(first), (std::vector<int>{3, 1, 0, 0, 0}));
  EXPECT_TRUE(first.unreadable.empty());
  EXPECT_EQ(server_.cardFiles().size(), 4);
  EXPECT_FALSE(cardWith(QStringLiteral("FN:M\u00fcller\\, J\u00fcrgen")).isEmpty());
  const auto here = entries();
  ASSERT_EQ(here.size(), 4u);
  EXPECT_EQ(here.at("Jane Doe"), "Phone: +1 555 0199");

  int requests = 0;
  EXPECT_EQ(counts(syncNow(server_.root(), &requests)), (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_EQ(requests, 1);  // the one sync-collection report, nothing else
  EXPECT_EQ(entries(), here);

  // A token the server no longer knows: the full listing, still nothing moves.
  carddav::SyncState state = carddav::readState(carddav::stateFileOf(dbf()));
  state.token = QStringLiteral("http://radicale.org/ns/sync/0000");
  carddav::writeState(carddav::stateFileOf(dbf()), state);
  EXPECT_EQ(counts(syncNow(server_.book())), (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_EQ(entries(), here);
}

TEST_P(SyncWith, ChangesDeletesAndARenameOnEitherSide) {
  for (const char* name : {"Alpha", "Bravo", "Charlie", "Delta", "Echo"}) append(name, std::string("Note of ") + name);
  syncNow(server_.book());
  const QString bravoCard = cardWith(QStringLiteral("FN:Bravo"));
  ASSERT_FALSE(bravoCard.isEmpty());

  edit("Alpha", book::kInfo, "Phone: 555-0000");
  edit("Bravo", book::kName, "Bravo Renamed");
  remove("Charlie");
  const QString delta = cardWith(QStringLiteral("FN:Delta"));
  ASSERT_LT(server_.put(delta, foreignCard(uidIn(delta), QStringLiteral("Delta"), QStringLiteral("555-4444"))), 300);
  ASSERT_LT(server_.remove(cardWith(QStringLiteral("FN:Echo"))), 300);

  EXPECT_EQ(counts(syncNow(server_.book())), (std::vector<int>{2, 1, 1, 1, 0}));
  EXPECT_EQ(server_.cardFiles().size(), 3);                                           // Alpha, Bravo Renamed, Delta
  EXPECT_TRUE(server_.card(bravoCard).contains(QStringLiteral("FN:Bravo Renamed")));  // the same card, renamed
  EXPECT_TRUE(server_.card(cardWith(QStringLiteral("FN:Alpha"))).contains(QStringLiteral("555-0000")));
  const std::map<std::string, std::string> expected{
      {"Alpha", "Phone: 555-0000"}, {"Bravo Renamed", "Note of Bravo"}, {"Delta", "Phone: 555-4444"}};
  EXPECT_EQ(entries(), expected);

  int requests = 0;
  EXPECT_EQ(counts(syncNow(server_.book(), &requests)), (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_EQ(requests, 1);
}

TEST_P(SyncWith, AServerWithoutSyncCollectionNorPutEtags) {
  append("Alpha", "Note of Alpha");
  append("Bravo", "Note of Bravo");
  ASSERT_LT(server_.put("foreign.vcf", foreignCard("f-1", "Jane Doe", "555-0199")), 300);
  const QString plain = server_.plainBook();
  EXPECT_EQ(counts(syncNow(plain)), (std::vector<int>{2, 1, 0, 0, 0}));
  expectSettled(plain, 2);  // the refused report, then the PROPFIND listing

  edit("Alpha", book::kInfo, "Phone: 555-0000");
  ASSERT_LT(server_.put("foreign.vcf", foreignCard("f-1", "Jane Doe", "555-0200")), 300);
  ASSERT_LT(server_.remove(cardWith(QStringLiteral("FN:Bravo"))), 300);
  EXPECT_EQ(counts(syncNow(plain)), (std::vector<int>{1, 1, 1, 0, 0}));
  const std::map<std::string, std::string> expected{{"Alpha", "Phone: 555-0000"}, {"Jane Doe", "Phone: 555-0200"}};
  EXPECT_EQ(entries(), expected);
  expectSettled(plain, 2);
}

// A second client on the same book: vdirsyncer keeps a folder of cards in
// step with the server, khard edits and deletes cards in that folder. Each
// program gets a config file of its own in the test's folder.
class SecondClient {
 public:
  SecondClient(const std::filesystem::path& folder, const QString& book) : folder_(folder) {
    std::filesystem::create_directories(folder / "cards");
    write("vdirsyncer.conf", QStringLiteral("[general]\nstatus_path = \"%1/status/\"\n"
                                            "[pair book]\na = \"here\"\nb = \"there\"\ncollections = null\n"
                                            "conflict_resolution = \"a wins\"\n"
                                            "[storage here]\ntype = \"filesystem\"\npath = \"%1/cards/\"\n"
                                            "fileext = \".vcf\"\n"
                                            "[storage there]\ntype = \"carddav\"\nurl = \"%2\"\n"
                                            "username = \"alice\"\npassword = \"secret\"\n")
                                 .arg(path(""), book));
    write("khard.conf", QStringLiteral("[addressbooks]\n[[book]]\npath = %1/cards/\n"
                                       "[general]\neditor = /bin/false\nmerge_editor = /bin/false\n")
                            .arg(path("")));
    run(QStringLiteral("vdirsyncer"), {QStringLiteral("discover")}, "y\n");
  }

  void sync() { run(QStringLiteral("vdirsyncer"), {QStringLiteral("sync")}); }

  // khard's contacts: name -> note.
  std::map<std::string, std::string> contacts() {
    std::map<std::string, std::string> all;
    const QString list = run(QStringLiteral("khard"), {QStringLiteral("list"), QStringLiteral("-p"),
                                                       QStringLiteral("-F"), QStringLiteral("formatted_name,notes")});
    for (const QString& line : list.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      QString notes = line.section(QLatin1Char('\t'), 1);  // as a list: ['text']
      notes.remove(QRegularExpression(QStringLiteral("^\\['|'\\]$|^\\[\\]$")));
      all[line.section(QLatin1Char('\t'), 0, 0).toStdString()] = notes.toStdString();
    }
    return all;
  }

  // Replaces the note of `name` through khard's template (which wants a
  // structured name: a card with FN alone gets its first name from FN).
  void editNote(const QString& name, const QString& note) {
    QString yaml = run(QStringLiteral("khard"),
                       {QStringLiteral("show"), QStringLiteral("--format"), QStringLiteral("yaml"), name});
    yaml.replace(QRegularExpression(QStringLiteral("\nNote:[^\n]*")), QStringLiteral("\nNote: ") + note);
    yaml.replace(QStringLiteral("\nFirst name:\n"), QStringLiteral("\nFirst name: ") + name + QLatin1Char('\n'));
    write("edit.yaml", yaml);
    run(QStringLiteral("khard"), {QStringLiteral("edit"), QStringLiteral("-i"), path("edit.yaml"), name}, "y\n");
  }

  void remove(const QString& name) {
    run(QStringLiteral("khard"), {QStringLiteral("remove"), QStringLiteral("--force"), name});
  }

 private:
  QString path(const char* name) const { return QString::fromStdString((folder_ / name).string()); }

  void write(const char* name, const QString& text) const {
    QFile out(path(name));
    if (!out.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write " + path(name).toStdString());
    out.write(text.toUtf8());
  }

  // Runs the program with its config file; its output. A failure fails the
  // test with what it said.
  QString run(const QString& program, QStringList arguments, const QByteArray& input = {}) {
    arguments.prepend(path(program == QStringLiteral("khard") ? "khard.conf" : "vdirsyncer.conf"));
    arguments.prepend(QStringLiteral("-c"));
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(60000);
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(finished && process.exitCode() == 0)
        << program.toStdString() << " " << arguments.join(QLatin1Char(' ')).toStdString() << ":\n"
        << output.toStdString() << process.readAllStandardError().toStdString();
    return output;
  }

  std::filesystem::path folder_;
};

// Between two of our syncs the other client changes a card and deletes
// another while an entry's memo changes here and another entry goes: one
// sync crosses all four, and both sides then hold the same book.
TEST_P(SyncWith, ASecondClientEditsTheSameBook) {
  constexpr int kEntries = 50;
  for (int i = 4; i < kEntries; ++i) append("Person " + std::to_string(i), "Note " + std::to_string(i));
  for (const char* name : {"Alpha", "Bravo", "Charlie", "Delta"}) append(name, std::string("Note of ") + name);
  EXPECT_EQ(counts(syncNow(server_.book())), (std::vector<int>{kEntries, 0, 0, 0, 0}));
  SecondClient other(folder_ / "second-client", server_.book());
  other.sync();
  ASSERT_EQ(other.contacts().size(), static_cast<std::size_t>(kEntries));  // every card has a UID khard takes

  other.editNote(QStringLiteral("Alpha"), QStringLiteral("Changed there"));
  other.remove(QStringLiteral("Bravo"));
  other.sync();
  edit("Charlie", book::kInfo, "Changed here");
  remove("Delta");
  EXPECT_EQ(counts(syncNow(server_.book())), (std::vector<int>{1, 1, 1, 1, 0}));
  other.sync();

  const auto here = entries();
  EXPECT_EQ(here.at("Alpha"), "Changed there");
  EXPECT_EQ(here.at("Charlie"), "Changed here");
  EXPECT_EQ(other.contacts(), here);
  EXPECT_EQ(server_.cardFiles().size(), kEntries - 2);
  expectSettled(server_.book(), 1);
}

// A book of 10,000 cards synced into an empty table: every card arrives
// once, a sync with nothing changed sends one request, and 10 changes on
// each side then cross in one sync.
TEST_F(SyncWithRadicale, TenThousandCardsArriveOnceThenTenChangesCrossEachWay) {
  constexpr int kCards = 10000;
  const auto uid = [](int i) { return QStringLiteral("big-%1").arg(i, 5, 10, QLatin1Char('0')); };
  const auto name = [](int i) { return QStringLiteral("Person %1").arg(i, 5, 10, QLatin1Char('0')); };
  for (int i = 0; i < kCards; ++i)
    server_.storeCard(uid(i) + QStringLiteral(".vcf"), foreignCard(uid(i), name(i), QStringLiteral("555-0100")));
  EXPECT_EQ(counts(syncNow(server_.book())), (std::vector<int>{0, kCards, 0, 0, 0}));
  EXPECT_EQ(entries().size(), static_cast<std::size_t>(kCards));
  expectSettled(server_.book(), 1);

  // A state kept without the UID of a received card (as older states were)
  // learns it from the card before sending over it.
  carddav::SyncState state = carddav::readState(carddav::stateFileOf(dbf()));
  state.links.at("PERSON 00001").uid.clear();
  carddav::writeState(carddav::stateFileOf(dbf()), state);
  for (int i = 0; i < 10; ++i) {
    edit(name(i).toStdString(), book::kInfo, "Phone: 555-0200");
    ASSERT_EQ(server_.put(uid(100 + i) + QStringLiteral(".vcf"),
                          foreignCard(uid(100 + i), name(100 + i), QStringLiteral("555-0300"))),
              201);
  }
  EXPECT_EQ(counts(syncNow(server_.book())), (std::vector<int>{10, 10, 0, 0, 0}));
  EXPECT_EQ(entries().at("Person 00100"), "Phone: 555-0300");
  EXPECT_TRUE(cardWith(QStringLiteral("555-0200")).startsWith(QStringLiteral("big-0000")));
  expectSettled(server_.book(), 1);
}

// A first sync cut short, by kill -9 of the client or by the server going
// away, then finished by the next one: every entry once on the server, every
// card once in the table, and an entry edited meanwhile sent as an edit.
class InterruptedSync : public SyncWithRadicale, public ::testing::WithParamInterface<bool> {};

TEST_P(InterruptedSync, TheNextSyncFinishesTheJob) {
  constexpr int kEntries = 120;
  for (int i = 0; i < kEntries; ++i) append("Person " + std::to_string(i), "Note " + std::to_string(i));
  ASSERT_EQ(server_.put("foreign.vcf", foreignCard("f-1", "Jane Doe", "555-0199")), 201);
  QProcess run;
  startCommand(run, server_.book(), server_.passwordFile());
  QElapsedTimer waited;
  waited.start();
  while (server_.cardFiles().size() < 40 && waited.elapsed() < 120000) QThread::msleep(10);
  if (GetParam())
    run.kill();
  else
    server_.stop();
  ASSERT_TRUE(run.waitForFinished(60000));
  EXPECT_TRUE(run.exitStatus() == QProcess::CrashExit || run.exitCode() != 0);
  if (!GetParam()) server_.start();
  // PUTs a killed client left on their way may still be stored: the next
  // sync starts once the server's book stands still.
  for (qsizetype stored = -1; stored != server_.cardFiles().size(); QThread::msleep(2000))
    stored = server_.cardFiles().size();
  ASSERT_LT(server_.cardFiles().size(), kEntries + 1);

  edit("Person 1", book::kInfo, "edited after");  // among the cards sent before the cut
  const carddav::SyncSummary s = syncNow(server_.book());
  EXPECT_EQ(s.conflicts, 0);
  EXPECT_EQ(s.received, 0);  // Jane Doe came in before the cut
  EXPECT_EQ(server_.cardFiles().size(), kEntries + 1);
  const auto all = entries();
  EXPECT_EQ(all.size(), kEntries + 1u);
  EXPECT_EQ(all.at("Jane Doe"), "Phone: 555-0199");
  EXPECT_TRUE(server_.card(cardWith(QStringLiteral("FN:Person 1\r"))).contains(QStringLiteral("edited after")));
  expectSettled(server_.book(), 1);
}

INSTANTIATE_TEST_SUITE_P(ClientKilledOrServerStopped, InterruptedSync, ::testing::Bool());

TEST_F(SyncWithRadicale, CommandLineSyncsAndRefusesAWrongPassword) {
  append("Command Line", "Email: cl@example.org");
  const QString program = QStringLiteral(CARDLARK_BIN_DIR "/cardlark-db");
  const QString dir = QString::fromStdString(folder_.path().string());
  QProcess run;
  const QString wrong = QString::fromStdString((folder_ / "wrong").string());
  QFile(wrong).open(QIODevice::WriteOnly);
  run.start(program, {QStringLiteral("sync"), dir, server_.root(), QStringLiteral("--user"), QStringLiteral("alice"),
                      QStringLiteral("--password-file"), wrong});
  ASSERT_TRUE(run.waitForFinished(60000));
  EXPECT_EQ(run.exitCode(), 2);
  EXPECT_TRUE(run.readAllStandardError().contains("refused the user name or password"));
  EXPECT_FALSE(std::filesystem::exists(carddav::stateFileOf(dbf())));  // nothing written

  run.start(program, {QStringLiteral("sync"), dir, server_.root(), QStringLiteral("--user"), QStringLiteral("alice"),
                      QStringLiteral("--password-file"), server_.passwordFile()});
  ASSERT_TRUE(run.waitForFinished(60000));
  EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
  EXPECT_EQ(run.readAllStandardOutput(), "sent 1, received 0, deleted here 0, deleted there 0, conflicts 0\n");
  EXPECT_EQ(server_.cardFiles().size(), 1);
}

}  // namespace
