// The synchronizer's decisions against an address book held in memory:
// conflicts, renames and deletions on either side, a pack between syncs,
// and syncs cut short. The same exchanges with a real server are in
// sync_radicale_test.cpp.

#include <QFile>
#include <set>

#include "book/address_book.h"
#include "fake_address_book.h"
#include "sync/card_codec.h"
#include "sync/error.h"
#include "sync/sync_state.h"
#include "sync_table.h"

namespace {

using testsupport::counts;
using testsupport::FakeAddressBook;
using testsupport::foreignCard;

class SyncWithFake : public testsupport::SyncTableTest {
 protected:
  carddav::SyncSummary syncNow(const carddav::SyncProgress& progress = {}) {
    return carddav::synchronize(dbf(), FakeAddressBook::book(), server_,
                                carddav::vcardMapping(exchange::tableCodePage(dbf())), progress);
  }

  // One more sync changes nothing and sends only its sync-collection request.
  void expectSettled() {
    const auto before = entries();
    const QStringList cards = server_.cardFiles();
    const int requests = server_.requestCount();
    EXPECT_EQ(counts(syncNow()), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_EQ(server_.requestCount() - requests, 1);
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(server_.cardFiles(), cards);
  }

  QString cardWith(const QString& text) const { return testsupport::cardWith(server_, text); }
  QString uidIn(const QString& file) const { return testsupport::uidIn(server_, file); }

  FakeAddressBook server_;
};

TEST_F(SyncWithFake, ConflictsKeepBothVersionsAndChangesBeatDeletes) {
  for (const char* name : {"Both", "GoneHere", "GoneThere"}) append(name, "old");
  syncNow();

  edit("Both", book::kInfo, "ours");
  const QString both = cardWith(QStringLiteral("FN:Both"));
  server_.storeCard(both, foreignCard(uidIn(both), "Both", "555-7777"));
  remove("GoneHere");
  const QString goneHere = cardWith(QStringLiteral("FN:GoneHere"));
  server_.storeCard(goneHere, foreignCard(uidIn(goneHere), "GoneHere", "555-8888"));
  edit("GoneThere", book::kInfo, "changed here");
  ASSERT_TRUE(server_.removeCard(cardWith(QStringLiteral("FN:GoneThere"))));

  const carddav::SyncSummary s = syncNow();
  EXPECT_EQ(s.conflicts, 1);
  const std::map<std::string, std::string> expected{{"Both", "ours"},
                                                    {"Both (server)", "Phone: 555-7777"},
                                                    {"GoneHere", "Phone: 555-8888"},
                                                    {"GoneThere", "changed here"}};
  EXPECT_EQ(entries(), expected);
  EXPECT_EQ(server_.cardFiles().size(), 4);
  EXPECT_FALSE(cardWith(QStringLiteral("FN:Both (server)")).isEmpty());
  EXPECT_TRUE(server_.card(both).contains(QStringLiteral("ours")));  // ours went over their card
  EXPECT_TRUE(server_.card(cardWith(QStringLiteral("FN:GoneThere"))).contains(QStringLiteral("changed here")));

  // A card whose name another entry holds is stored under a numbered name.
  server_.storeCard(QStringLiteral("twin.vcf"), foreignCard("t", "Both", "555-9999"));
  syncNow();
  EXPECT_EQ(entries().at("Both (2)"), "Phone: 555-9999");
  expectSettled();
}

// A card another client wrote keeps every property the entry does not map
// through an edit here; its FN stays while the name here is only the
// table's spelling of it, and goes when the entry is renamed.
TEST_F(SyncWithFake, AnEditHereKeepsEveryPropertyOfTheServersCard) {
  const QStringList kept = {
      QStringLiteral("VERSION:3.0"),
      QStringLiteral("UID:rich-1"),
      QStringLiteral("ORG:Acme;Sales"),
      QStringLiteral("item1.ADR;TYPE=work;X-ODD=\"a:b\":;;Main St 1;Brno;;60200;CZ"),
      QStringLiteral("BDAY:1980-02-03"),
      QStringLiteral("CATEGORIES:friends,work"),
      QStringLiteral("TEL;TYPE=CELL;X-PREF-ORDER=2:+420 601 234 567"),
      QStringLiteral("PHOTO;ENCODING=b;TYPE=JPEG:") + QString(100, QLatin1Char('A')) + QStringLiteral("\r\n ") +
          QString(60, QLatin1Char('B')),
      QStringLiteral("X-SOCIAL-PROFILE;TYPE=x:jiri"),
      QStringLiteral("X-UNKNOWN;FOO=\"bar,baz\":value;with\\;parts"),
  };
  const QString name = QStringLiteral("FN:Ji\u0159\u00ED Dvo\u0159\u00E1k\r\nN:Dvo\u0159\u00E1k;Ji\u0159\u00ED;;;\r\n");
  server_.storeCard(QStringLiteral("rich.vcf"), QStringLiteral("BEGIN:VCARD\r\n") + kept.join(QStringLiteral("\r\n")) +
                                                    QStringLiteral("\r\n") + name +
                                                    QStringLiteral("NOTE:Met in Brno\r\nEND:VCARD\r\n"));
  syncNow();
  const std::string memo = entries().at("Ji?\xED Dvo?\xE1k");
  EXPECT_EQ(memo,
            "Organisation: Acme, Sales\r\nAddress: Main St 1, Brno, 60200, CZ\r\nBirthday: 1980-02-03\r\n"
            "Phone (cell): +420 601 234 567\r\nMet in Brno");

  const auto expectKept = [&](bool sameName) {
    const QString card = server_.card(QStringLiteral("rich.vcf"));
    for (const QString& line : kept) EXPECT_TRUE(card.contains(line + QStringLiteral("\r\n"))) << line.toStdString();
    EXPECT_EQ(card.contains(name), sameName);
    EXPECT_TRUE(card.contains(QStringLiteral("NOTE:Met in Brno twice\\, and +49 1234 56789\r\n")));
    EXPECT_TRUE(card.contains(QStringLiteral("TEL:+49 1234 56789\r\n")));
    EXPECT_EQ(card.count(QStringLiteral("\nTEL")), 2);
    // Read back, the card gives the entry as it is here: another client
    // touching it changes nothing.
    const auto before = entries();
    server_.storeCard(QStringLiteral("rich.vcf"), card);
    EXPECT_EQ(counts(syncNow()), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_EQ(entries(), before);
  };
  edit("Ji?\xED Dvo?\xE1k", book::kInfo, memo.substr(0, memo.size() - 11) + "Met in Brno twice, and +49 1234 56789");
  EXPECT_EQ(syncNow().sent, 1);
  expectKept(true);

  edit("Ji?\xED Dvo?\xE1k", book::kName, "Dvorak, Jiri");
  EXPECT_EQ(syncNow().sent, 1);
  expectKept(false);
  EXPECT_TRUE(
      server_.card(QStringLiteral("rich.vcf")).contains(QStringLiteral("FN:Dvorak\\, Jiri\r\nN:Dvorak;Jiri;;;\r\n")));
  expectSettled();
}

// Renamed here with the memo unchanged: the same card under its UID.
// Renamed and edited: a new card, the old one deleted. Renamed on the
// server: the entry takes the new name.
TEST_F(SyncWithFake, RenamesAndDeletionsOnEitherSide) {
  for (const char* name : {"Alpha", "Bravo", "Charlie", "Delta", "Echo"}) append(name, std::string("Note of ") + name);
  syncNow();
  const QString alpha = cardWith(QStringLiteral("FN:Alpha"));
  const QString bravo = cardWith(QStringLiteral("FN:Bravo"));
  const QString bravoUid = uidIn(bravo);
  const QString delta = cardWith(QStringLiteral("FN:Delta"));

  edit("Alpha", book::kName, "Alpha Renamed");
  edit("Alpha Renamed", book::kInfo, "Phone: 555-0001");
  edit("Bravo", book::kName, "Bravo Renamed");
  remove("Charlie");
  server_.storeCard(delta, foreignCard(uidIn(delta), "Delta Renamed", "555-4444"));
  ASSERT_TRUE(server_.removeCard(cardWith(QStringLiteral("FN:Echo"))));

  EXPECT_EQ(counts(syncNow()), (std::vector<int>{2, 1, 1, 2, 0}));
  const std::map<std::string, std::string> expected{
      {"Alpha Renamed", "Phone: 555-0001"}, {"Bravo Renamed", "Note of Bravo"}, {"Delta Renamed", "Phone: 555-4444"}};
  EXPECT_EQ(entries(), expected);
  EXPECT_EQ(server_.cardFiles().size(), 3);
  EXPECT_TRUE(server_.card(bravo).contains(QStringLiteral("FN:Bravo Renamed")));
  EXPECT_EQ(uidIn(bravo), bravoUid);
  EXPECT_TRUE(server_.card(alpha).isEmpty());
  EXPECT_FALSE(cardWith(QStringLiteral("FN:Alpha Renamed")).isEmpty());
  EXPECT_TRUE(server_.card(delta).contains(QStringLiteral("FN:Delta Renamed")));
  expectSettled();
}

// A merge sends the kept entry's card and deletes the other's; a merge
// taken back before the sync leaves nothing to send.
TEST_F(SyncWithFake, AMergeSendsOneChangedCardAndOneDeletion) {
  append("Ann Smith", "Phone: 206-555-1234");
  append("Smith, Ann", "Email: ann@example.org");
  append("Carol", "Note of Carol");
  syncNow();
  const QString kept = cardWith(QStringLiteral("FN:Ann Smith"));
  book::AddressBook book(dbf(), book::AddressBook::Access::Shared);
  book.undoMerge(book.merge(1, 2));
  expectSettled();

  book.merge(1, 2);
  const int requests = server_.requestCount();
  EXPECT_EQ(counts(syncNow()), (std::vector<int>{1, 0, 0, 1, 0}));
  // What changed, one PUT, one DELETE, and the token moved past them.
  EXPECT_EQ(server_.requestCount() - requests, 4);
  EXPECT_EQ(server_.cardFiles().size(), 2);
  EXPECT_TRUE(server_.card(kept).contains(QStringLiteral("ann@example.org")));
  expectSettled();
}

TEST_F(SyncWithFake, APackBetweenSyncsKeepsEveryLink) {
  for (const char* name : {"Alpha", "Bravo", "Charlie", "Delta"}) append(name, std::string("Note of ") + name);
  syncNow();
  remove("Alpha");  // packed away: every record after it moves up
  edit("Delta", book::kInfo, "Phone: 555-1234");
  xbase::Cursor::open(dbf(), xbase::OpenMode::Exclusive)->pack();
  const QString charlie = cardWith(QStringLiteral("FN:Charlie"));
  server_.storeCard(charlie, foreignCard(uidIn(charlie), "Charlie", "555-3333"));

  EXPECT_EQ(counts(syncNow()), (std::vector<int>{1, 1, 0, 1, 0}));
  const std::map<std::string, std::string> expected{
      {"Bravo", "Note of Bravo"}, {"Charlie", "Phone: 555-3333"}, {"Delta", "Phone: 555-1234"}};
  EXPECT_EQ(entries(), expected);
  EXPECT_EQ(server_.cardFiles().size(), 3);
  expectSettled();
}

// Two entries of one name (a table filled before the duplicate rule held):
// the second is named in the summary instead of vanishing from the sync,
// and the progress reaches every card sent.
TEST_F(SyncWithFake, EntriesSharingANameAreNamedAndProgressIsTold) {
  append("Alpha", "First Alpha");
  append("Alpha", "Second Alpha");
  append("Bravo", "Note of Bravo");
  std::vector<std::pair<QString, int>> steps;
  const carddav::SyncSummary summary = syncNow([&](const QString& step, int done, int total) {
    if (done == total) steps.emplace_back(step, total);
  });
  EXPECT_EQ(summary.sent, 2);
  EXPECT_EQ(summary.sharedNames, QStringList{QStringLiteral("Alpha")});
  EXPECT_EQ(steps, (std::vector<std::pair<QString, int>>{{QStringLiteral("Sending cards"), 2}}));
  EXPECT_EQ(server_.cardFiles().size(), 2);
}

// A card that cannot be read (no FN, N, ORG, EMAIL or TEL) is named by its
// href and the reason in every sync's summary, though later syncs do not
// fetch it again, until it is mended (then it is read) or gone. A card with
// no FN or N but an ORG is read under that name.
TEST_F(SyncWithFake, AnUnreadableCardIsNamedInEverySyncUntilMendedOrGone) {
  const QString photoOnly = QStringLiteral(
      "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:p1\r\nPHOTO;ENCODING=b;TYPE=JPEG:AAAA\r\nEND:VCARD\r\n");
  server_.storeCard(QStringLiteral("photo.vcf"), photoOnly);
  server_.storeCard(QStringLiteral("firm.vcf"),
                    QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:f1\r\nORG:Acme;Sales\r\nEND:VCARD\r\n"));
  const auto expectNamed = [&](const carddav::SyncSummary& summary) {
    ASSERT_EQ(summary.unreadable.size(), 1u);
    EXPECT_EQ(summary.unreadable.begin()->first, QStringLiteral("/book/photo.vcf"));
    EXPECT_TRUE(summary.unreadable.begin()->second.contains(QStringLiteral("neither FN nor N")));
  };
  expectNamed(syncNow());
  const int requests = server_.requestCount();
  expectNamed(syncNow());
  EXPECT_EQ(server_.requestCount() - requests, 1);  // nothing fetched again
  EXPECT_EQ(entries().count("Acme, Sales"), 1u);

  server_.storeCard(QStringLiteral("photo.vcf"), foreignCard(QStringLiteral("p1"), QStringLiteral("Mended"), "555-1"));
  EXPECT_TRUE(syncNow().unreadable.empty());
  EXPECT_EQ(entries().count("Mended"), 1u);

  server_.storeCard(QStringLiteral("broken.vcf"),
                    QString(photoOnly).replace(QStringLiteral("p1"), QStringLiteral("p2")));
  EXPECT_EQ(syncNow().unreadable.size(), 1u);
  server_.removeCard(QStringLiteral("broken.vcf"));
  EXPECT_TRUE(syncNow().unreadable.empty());
  expectSettled();
}

// A first sync cut at its 8th upload, the request lost on its way or its
// answer lost on the way back (the card stored but its ETag unknown), with
// the state saved as the sync gave up or as a kill left it (only the state
// written before the uploads). The next sync finishes the job: every entry
// once on the server, the received card once in the table, and an entry
// edited meanwhile sent as an edit.
class InterruptedSync : public SyncWithFake, public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(InterruptedSync, TheNextSyncFinishesWithoutDuplicates) {
  const auto [answerLost, killed] = GetParam();
  constexpr int kEntries = 20, kSentBeforeCut = 7;
  for (int i = 0; i < kEntries; ++i) append("Person " + std::to_string(i), "Note " + std::to_string(i));
  server_.storeCard(QStringLiteral("foreign.vcf"), foreignCard("f-1", "Jane Doe", "555-0199"));
  server_.failRequest(kSentBeforeCut + 1, FakeAddressBook::Request::Put, answerLost);
  const QString stateFile = QString::fromStdString(carddav::stateFileOf(dbf()).string());
  const QString onDisk = stateFile + QStringLiteral(".on-disk");
  EXPECT_THROW(syncNow([&](const QString&, int done, int) {
                 if (done == kSentBeforeCut) QFile::copy(stateFile, onDisk);
               }),
               carddav::Error);
  const int stored = kSentBeforeCut + (answerLost ? 1 : 0);
  ASSERT_EQ(server_.cardFiles().size(), 1 + stored);
  if (killed) {
    ASSERT_TRUE(QFile::remove(stateFile));
    ASSERT_TRUE(QFile::rename(onDisk, stateFile));
  }

  edit("Person 1", book::kInfo, "edited after");  // among the cards sent before the cut
  const carddav::SyncSummary s = syncNow();
  EXPECT_EQ(s.sent, kEntries - stored + 1);
  EXPECT_EQ(s.conflicts, 0);
  EXPECT_EQ(s.received, 0);  // Jane Doe came in before the cut
  std::set<QString> names;
  for (const QString& file : server_.cardFiles()) {
    const QString card = server_.card(file);
    const qsizetype at = card.indexOf(QStringLiteral("\nFN:"));
    names.insert(card.mid(at, card.indexOf(QLatin1Char('\r'), at) - at));
  }
  EXPECT_EQ(names.size(), kEntries + 1u);
  EXPECT_EQ(server_.cardFiles().size(), kEntries + 1);
  const auto all = entries();
  EXPECT_EQ(all.size(), kEntries + 1u);
  EXPECT_EQ(all.at("Jane Doe"), "Phone: 555-0199");
  EXPECT_TRUE(server_.card(cardWith(QStringLiteral("FN:Person 1\r"))).contains(QStringLiteral("edited after")));
  expectSettled();
}

INSTANTIATE_TEST_SUITE_P(AnswerLostOrNotAndKilledOrNot, InterruptedSync,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

}  // namespace
