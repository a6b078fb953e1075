// Two-way sync against a real CardDAV server (Radicale on 127.0.0.1), its
// files checked straight in its storage folder and changed on the server's
// side with curl.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <map>
#include <vector>

#include "core_application.h"
#include "radicale_server.h"
#include "sync/card_codec.h"
#include "sync/dav_address_book.h"
#include "sync/error.h"
#include "sync/sync_state.h"
#include "sync_table.h"

namespace {

using testsupport::counts;
using testsupport::foreignCard;

class SyncWithRadicale : public testsupport::SyncTableTest {
 protected:
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

  testsupport::RadicaleServer server_;
};

void SyncWithRadicale::expectSettled(const QString& url, int requests) {
  const auto before = entries();
  const QStringList cards = server_.cardFiles();
  int sent = 0;
  EXPECT_EQ(counts(syncNow(url, &sent)), (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_EQ(sent, requests);
  EXPECT_EQ(entries(), before);
  EXPECT_EQ(server_.cardFiles(), cards);
}

TEST_F(SyncWithRadicale, FirstSyncBothWaysFromTheRootThenNothingMoves) {
  append("Smith, Anna", "Phone: 555-0101\r\nEmail: anna@example.org");
  append("Jones, Bob", "");
  append("M\xFCller, J\xFCrgen", "Notes with; commas, and \\ a backslash");
  ASSERT_EQ(server_.put("foreign.vcf", foreignCard("f-1", "Jane Doe", "+1 555 0199")), 201);

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

TEST_F(SyncWithRadicale, ChangesDeletesAndARenameOnEitherSide) {
  for (const char* name : {"Alpha", "Bravo", "Charlie", "Delta", "Echo"}) append(name, std::string("Note of ") + name);
  syncNow(server_.book());
  const QString bravoCard = cardWith(QStringLiteral("FN:Bravo"));
  ASSERT_FALSE(bravoCard.isEmpty());

  edit("Alpha", book::kInfo, "Phone: 555-0000");
  edit("Bravo", book::kName, "Bravo Renamed");
  remove("Charlie");
  const QString delta = cardWith(QStringLiteral("FN:Delta"));
  ASSERT_EQ(server_.put(delta, foreignCard(uidIn(delta), QStringLiteral("Delta"), QStringLiteral("555-4444"))), 201);
  ASSERT_EQ(server_.remove(cardWith(QStringLiteral("FN:Echo"))), 200);

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

TEST_F(SyncWithRadicale, AServerWithoutSyncCollectionNorPutEtags) {
  append("Alpha", "Note of Alpha");
  append("Bravo", "Note of Bravo");
  ASSERT_EQ(server_.put("foreign.vcf", foreignCard("f-1", "Jane Doe", "555-0199")), 201);
  const QString plain = server_.plainBook();
  EXPECT_EQ(counts(syncNow(plain)), (std::vector<int>{2, 1, 0, 0, 0}));
  expectSettled(plain, 2);  // the refused report, then the PROPFIND listing

  edit("Alpha", book::kInfo, "Phone: 555-0000");
  ASSERT_EQ(server_.put("foreign.vcf", foreignCard("f-1", "Jane Doe", "555-0200")), 201);
  ASSERT_EQ(server_.remove(cardWith(QStringLiteral("FN:Bravo"))), 200);
  EXPECT_EQ(counts(syncNow(plain)), (std::vector<int>{1, 1, 1, 0, 0}));
  const std::map<std::string, std::string> expected{{"Alpha", "Phone: 555-0000"}, {"Jane Doe", "Phone: 555-0200"}};
  EXPECT_EQ(entries(), expected);
  expectSettled(plain, 2);
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
