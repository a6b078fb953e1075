// The data link a bound control holds: which field changes concern it, and
// relinking dropping every connection to the previous source.

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "bound_table.h"
#include "widgets/data_link.h"

namespace {

using widgets::DataLink;
using widgets_testing::BoundTable;

TEST(DataLink, MatchesItsFieldIgnoringCaseOrTheWholeRecord) {
  DataLink link;
  link.setField(QStringLiteral("Info"));
  const struct {
    const char* changed;
    bool matches;
  } cases[] = {{"", true}, {"INFO", true}, {"info", true}, {"NAME", false}, {"INFOX", false}, {"INF", false}};
  for (const auto& c : cases) EXPECT_EQ(link.matchesField(QString::fromLatin1(c.changed)), c.matches) << c.changed;
}

TEST(DataLink, RelinkingLeavesThePreviousSourceBehind) {
  BoundTable data({"Alpha", "Bravo", "Charlie"});
  store::DataSource other(QStringLiteral("dsOther"), &data.table);
  DataLink link;
  link.setField(QStringLiteral("NAME"));
  EXPECT_EQ(link.table(), nullptr);
  EXPECT_FALSE(link.active());

  QSignalSpy scrolled(&link, &DataLink::dataSetScrolled);
  QSignalSpy field(&link, &DataLink::fieldChanged);
  EXPECT_TRUE(link.setDataSource(&data.source));
  EXPECT_FALSE(link.setDataSource(&data.source));
  EXPECT_TRUE(link.setDataSource(&other));
  EXPECT_TRUE(link.active());
  data.table.next();
  EXPECT_EQ(scrolled.count(), 1);  // once, from the source linked now

  data.table.edit();
  EXPECT_TRUE(link.editing());
  data.table.setText(QStringLiteral("Info"), QStringLiteral("another memo"));
  EXPECT_EQ(field.count(), 0);
  data.table.setText(QStringLiteral("Name"), QStringLiteral("Bravissimo"));
  EXPECT_EQ(field.count(), 1);
  data.table.cancel();

  EXPECT_TRUE(link.setDataSource(nullptr));
  EXPECT_EQ(link.table(), nullptr);
  EXPECT_FALSE(link.editing());
  const int heard = scrolled.count() + field.count();
  data.table.next();
  EXPECT_EQ(scrolled.count() + field.count(), heard);
}

}  // namespace
