// The top-level error handler: an exception escaping a slot shows the
// default error box and the program goes on; a silent abort shows nothing.
// Own main: the handler is the application object itself.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "fake_dialogs.h"
#include "platform/error_reporting_application.h"
#include "store/abort.h"
#include "store/engine_error.h"

namespace {

TEST(ErrorReportingApplication, EngineErrorFromASlotShowsComponentAndText) {
  testing_support::FakeDialogs dialogs;
  QPushButton button("Go");
  int clicks = 0;
  QObject::connect(&button, &QPushButton::clicked, [&] {
    ++clicks;
    if (clicks == 1) throw store::EngineError("tblAddress", "Record locked by another user", 4);
    if (clicks == 2) throw store::Abort();
  });
  button.show();

  QTest::mouseClick(&button, Qt::LeftButton);
  ASSERT_EQ(dialogs.boxes().size(), 1u);
  EXPECT_TRUE(dialogs.boxes()[0].error);
  EXPECT_EQ(dialogs.boxes()[0].title.toStdString(), "Kestrane Cardlark");
  EXPECT_EQ(dialogs.boxes()[0].text.toStdString(), "tblAddress: Record locked by another user");

  QTest::mouseClick(&button, Qt::LeftButton);  // silent
  QTest::mouseClick(&button, Qt::LeftButton);  // no error: the loop went on
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(dialogs.boxes().size(), 1u);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  platform::ErrorReportingApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
