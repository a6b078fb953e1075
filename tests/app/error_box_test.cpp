// The default error box: component name, ": " and the engine's text.

#include <gtest/gtest.h>

#include "app/application.h"
#include "fake_dialogs.h"
#include "store/engine_error.h"
#include "xbase/error.h"

namespace {

QString shownFor(const std::function<void()>& failure) {
  testsupport::FakeDialogs dialogs;
  try {
    failure();
  } catch (...) {
    app::showCurrentErrorInBox();
  }
  EXPECT_EQ(dialogs.boxes().size(), 1u);
  if (dialogs.boxes().empty()) return {};
  EXPECT_TRUE(dialogs.boxes()[0].error);
  EXPECT_EQ(dialogs.boxes()[0].title, "Kestrane Cardlark");
  return dialogs.boxes()[0].text;
}

TEST(DefaultErrorBox, ShowsComponentAndEngineText) {
  EXPECT_EQ(shownFor([] { throw store::EngineError("tblAddress", "Record is locked by another user", 4); }),
            "tblAddress: Record is locked by another user");
  EXPECT_EQ(shownFor([] {
              throw store::EngineError("tblFilter", xbase::Error(xbase::ErrorCode::Corrupt, "Index is damaged"));
            }),
            "tblFilter: Index is damaged");
  EXPECT_EQ(shownFor([] { throw xbase::Error(xbase::ErrorCode::Io, "Disk full"); }), "Disk full");
}

}  // namespace
