// The default error box: component name, ": " and the engine's text; nothing
// for a silent abort.

#include <gtest/gtest.h>

#include <stdexcept>

#include "fake_dialogs.h"
#include "store/abort.h"
#include "store/engine_error.h"
#include "store/error_box.h"
#include "xbase/error.h"

namespace {

// The boxes shown for `failure` by the error path.
std::vector<testsupport::FakeDialogs::Box> shownFor(const std::function<void()>& failure) {
  testsupport::FakeDialogs dialogs;
  try {
    failure();
  } catch (...) {
    store::showErrorBox(std::current_exception());
  }
  return dialogs.boxes();
}

QString textShownFor(const std::function<void()>& failure) {
  const auto boxes = shownFor(failure);
  EXPECT_EQ(boxes.size(), 1u);
  if (boxes.empty()) return {};
  EXPECT_TRUE(boxes[0].error);
  EXPECT_EQ(boxes[0].title, "Kestrane Cardlark");
  return boxes[0].text;
}

TEST(DefaultErrorBox, ShowsComponentAndEngineText) {
  EXPECT_EQ(textShownFor([] { throw store::EngineError("tblAddress", "Record is locked by another user", 4); }),
            "tblAddress: Record is locked by another user");
  EXPECT_EQ(textShownFor([] {
              throw store::EngineError("tblFilter", xbase::Error(xbase::ErrorCode::Corrupt, "Index is damaged"));
            }),
            "tblFilter: Index is damaged");
  EXPECT_EQ(textShownFor([] { throw xbase::Error(xbase::ErrorCode::Io, "Disk full"); }), "Disk full");
  EXPECT_EQ(textShownFor([] { throw std::runtime_error("Cannot write /tmp/M\xc3\xbcller/KTdata.zip"); }),
            QString::fromUtf8("Cannot write /tmp/M\u00fcller/KTdata.zip"));
  EXPECT_EQ(textShownFor([] { throw 42; }), "Unexpected failure");
}

TEST(DefaultErrorBox, ASilentAbortShowsNothing) {
  EXPECT_TRUE(shownFor([] { throw store::Abort(); }).empty());
  EXPECT_EQ(store::errorBoxText(std::make_exception_ptr(store::Abort())), std::nullopt);
}

}  // namespace
