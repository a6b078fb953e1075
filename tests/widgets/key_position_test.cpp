// The scroll bar's estimate of a name's place in alphabetical order.

#include <gtest/gtest.h>

#include "widgets/key_position.h"

namespace {

using widgets::keyAtPosition;
using widgets::keyPosition;

TEST(KeyPosition, FollowsAlphabeticalOrderIgnoringCase) {
  const char* ordered[] = {"",           " Blank first", "007 Agency", "Aaron", "adam",       "Mike",
                           "MIKE JONES", "Nora",         "zed",        "Zz",    "~tilde last"};
  for (std::size_t i = 1; i < std::size(ordered); ++i)
    EXPECT_LE(keyPosition(ordered[i - 1]), keyPosition(ordered[i])) << ordered[i - 1] << " / " << ordered[i];
  EXPECT_DOUBLE_EQ(keyPosition("mike"), keyPosition("MIKE"));
  EXPECT_GE(keyPosition(""), 0.0);
  EXPECT_LT(keyPosition("~~~~"), 1.0);
}

TEST(KeyPosition, KeyAtAPositionSeeksBackToTheName) {
  for (const char* key : {"A", "M", "MIK", "ZZ", "QU"}) EXPECT_EQ(keyAtPosition(keyPosition(key)), key);
  EXPECT_EQ(keyAtPosition(0.0), "");
  EXPECT_EQ(keyAtPosition(-3.0), "");
  EXPECT_GT(keyAtPosition(0.5), "M");
  EXPECT_LT(keyAtPosition(0.5), "O");
  EXPECT_FALSE(keyAtPosition(1.0).isEmpty());  // the far end stays a valid key
}

}  // namespace
