// The offer to synchronize after maintenance: its questions through the
// Dialogs seam, the sync as long work with progress, and the summary.

#include <gtest/gtest.h>

#include <QDir>
#include <tuple>
#include <vector>

#include "app/sync_offer.h"
#include "fake_dialogs.h"
#include "platform/long_work.h"
#include "sync/sync_state.h"
#include "temp_data_folder.h"

namespace {

using testsupport::FakeDialogs;

// Records the step of progress work and the progress it is told.
class RecordingLongWork final : public platform::LongWork {
 public:
  RecordingLongWork() : previous_(platform::setLongWork(this)) {}
  ~RecordingLongWork() override { platform::setLongWork(previous_); }
  void run(const QString&, const std::function<void()>& work) override { work(); }
  void runWithProgress(const QString& step, const std::function<void(const Progress&)>& work) override {
    steps << step;
    work([this](const QString& itemStep, int done, int total) {
      steps << itemStep + QString(" %1/%2").arg(done).arg(total);
    });
  }
  QStringList steps;

 private:
  platform::LongWork* previous_;
};

class SyncOfferTest : public ::testing::Test {
 protected:
  void SetUp() override { folder.createAddressTable(); }
  void writeServer(const QString& server) const {
    carddav::SyncState state;
    state.server = server;
    carddav::writeState(carddav::stateFileOf(QDir(folder.path()).filePath("ADDRESS.DBF").toStdString()), state);
  }
  bool offer() {
    return app::offerSync(
        folder.path(), [this](const std::filesystem::path& dbf, const QUrl& url,
                              const carddav::Credentials& credentials, const carddav::SyncProgress& progress) {
          EXPECT_TRUE(std::filesystem::exists(dbf));
          used = credentials;
          progress("Sending cards", 1, 2);
          return carddav::SyncSummary{url.toString(),    2, 1, 1, 2, 1, {{"/book/photo.vcf", "line 1: no name"}},
                                      {"SMITH", "JONES"}};
        });
  }

  testsupport::TempDataFolder folder;
  FakeDialogs dialogs;
  RecordingLongWork longWork;
  std::optional<carddav::Credentials> used;
};

TEST_F(SyncOfferTest, WithoutASyncStateNothingIsAsked) {
  EXPECT_FALSE(offer());
  EXPECT_TRUE(dialogs.boxes().empty());
}

// Each answer that declines ends the offer there, before any sync.
TEST_F(SyncOfferTest, AskedInTurnSyncOnlyWhenEveryQuestionIsAnswered) {
  const QString server = QStringLiteral("http://127.0.0.1:1/alice/book/");
  writeServer(server);
  const QStringList questions{"Synchronize with " + server + "?", "User name for " + server + ":",
                              "Password for alice:"};
  // {yes to the sync, user name typed, password typed, boxes shown}
  const std::vector<std::tuple<bool, std::optional<QString>, std::optional<QString>, int>> cases{
      {false, "alice", "secret", 1}, {true, std::nullopt, "secret", 2}, {true, "alice", std::nullopt, 3}};
  for (const auto& [yes, user, password, shown] : cases) {
    FakeDialogs declining;
    declining.queueAnswer(yes);
    declining.queueText(user);
    declining.queueText(password);
    EXPECT_FALSE(offer());
    EXPECT_EQ(declining.texts(), questions.mid(0, shown));
    EXPECT_FALSE(used);
  }

  dialogs.queueAnswer(true);
  dialogs.queueText("alice");
  dialogs.queueText("secret");
  EXPECT_TRUE(offer());
  ASSERT_EQ(dialogs.boxes().size(), 4u);
  EXPECT_EQ(dialogs.texts().mid(0, 3), questions);
  EXPECT_EQ(dialogs.boxes()[1].title, "Synchronize");
  EXPECT_FALSE(dialogs.boxes()[1].hiddenInput);
  EXPECT_TRUE(dialogs.boxes()[2].hiddenInput);
  ASSERT_TRUE(used);
  EXPECT_EQ(used->user, "alice");
  EXPECT_EQ(used->password, "secret");
  EXPECT_FALSE(used->insecure);
  EXPECT_EQ(longWork.steps, (QStringList{"Synchronizing with " + server + " ...", "Sending cards 1/2"}));
  EXPECT_EQ(dialogs.texts().last(), "Synchronized with " + server +
                                        ":\nsent 2, received 1, deleted 3, conflicts 1\n"
                                        "Not synced, another entry has the same name: SMITH, JONES\n"
                                        "Not read from the server: /book/photo.vcf: line 1: no name");
}

}  // namespace
