// Our index files read by another xBase reader: Perl's XBase::Index (from
// libdbd-xbase-perl) lists the tag's keys and record numbers, which must be
// ours exactly, and Perl's XBase walks a table we wrote in our index's order.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "cdx_test_support.h"
#include "xbase/cursor.h"

using xbase::CdxEntry;
using xbase::CdxFile;

namespace {

std::string run(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return {};
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
  return out;
}

// "recno<TAB>key without trailing blanks<LF>" for every entry, as Perl prints it.
std::string perlListing(const std::filesystem::path& cdx, const std::string& tag) {
  return run(
      "perl -MXBase::Index -e '"
      "my $i = XBase::Index->new($ARGV[0], tag => $ARGV[1], type => \"C\") or die XBase::Index->errstr;"
      "$i->prepare_select; while (my ($k, $v) = $i->fetch) { print \"$v\\t$k\\n\" }' '" +
      cdx.string() + "' " + tag + " 2>&1");
}

std::string ourListing(const CdxFile& cdx, int tag) {
  std::string out;
  cdx.forEach(tag, [&](const CdxEntry& e) {
    std::string key = e.key;
    while (!key.empty() && key.back() == ' ') key.pop_back();
    out += std::to_string(e.recno) + "\t" + key + "\n";
  });
  return out;
}

TEST(CdxInteropTest, PerlReadsOurKeysExactly) {
  cdxtest::TempDir dir;
  // Names that share prefixes with blank-padded neighbours ("SMITH" then
  // "SMITH JOHN"), duplicates, high bytes, blanks and record numbers that
  // need wider bit fields; enough to build a three-level tree.
  std::vector<CdxEntry> entries;
  const char* stems[] = {"SMITH", "SMITH JOHN", "SMITHSON", "M\xDCLLER", "O'NEIL", "", " LEADING", "ZZ TOP"};
  std::uint32_t recno = 1;
  for (int round = 0; round < 400; ++round)
    for (const char* stem : stems) {
      std::string name = stem;
      if (round % 2) name += " " + std::to_string(round);
      entries.push_back({cdxtest::padded(name), recno});
      recno += round < 300 ? 1 : 9000;
    }
  {
    auto cdx = CdxFile::create(dir / "ADDRESS.CDX");
    cdx->addTag("ADDRESS", "UPPER(NAME)", 30, std::vector<CdxEntry>(entries.begin(), entries.begin() + 1500));
    // The rest through in-place maintenance, with a few removals.
    for (std::size_t i = 1500; i < entries.size(); ++i) cdx->insert(0, entries[i].key, entries[i].recno);
    for (std::size_t i = 0; i < entries.size(); i += 7) ASSERT_TRUE(cdx->remove(0, entries[i].key, entries[i].recno));
    cdx->addTag("SECOND", "NAME", 30, std::vector<CdxEntry>{});
  }
  auto cdx = CdxFile::open(dir / "ADDRESS.CDX", false);
  const std::string ours = ourListing(*cdx, 0);
  ASSERT_GT(ours.size(), 10000u);
  EXPECT_EQ(perlListing(dir / "ADDRESS.CDX", "ADDRESS"), ours);
  EXPECT_EQ(perlListing(dir / "ADDRESS.CDX", "SECOND"), "");
}

TEST(CdxInteropTest, PerlWalksOurTableInOurIndexOrder) {
  cdxtest::TempDir dir;
  const auto dbf = xbase::testing::createAddressTable(dir.path());
  std::vector<std::string> ours;
  {
    auto cursor = xbase::Cursor::open(dbf, xbase::OpenMode::Exclusive);
    cursor->createTag("Address", "upper(Name)");
    std::mt19937 rng(17);
    const char* stems[] = {"Smith", "smith John", "Smithson", "M\xFCller, Jo", "O'Neil", " Leading", "Zz Top", "a"};
    for (int i = 0; i < 600; ++i) {
      std::string name = stems[rng() % 8];
      if (rng() % 3) name += " " + std::to_string(rng() % 100);
      xbase::testing::addEntry(*cursor, name);
    }
    cursor->setOrder("ADDRESS");
    ours = xbase::testing::walkNames(*cursor);
  }
  const std::string listing = run(
      "perl -MXBase -e '"
      "my $t = XBase->new($ARGV[0]) or die XBase->errstr;"
      "my $c = $t->prepare_select_with_index([$ARGV[1], \"ADDRESS\", \"C\"], \"NAME\") or die $t->errstr;"
      "while (my @r = $c->fetch) { print \"$r[0]\\n\" }' '" +
      dbf.string() + "' '" + (dir / "ADDRESS.CDX").string() + "' 2>&1");
  std::string expected;
  for (const std::string& name : ours) expected += name + "\n";
  ASSERT_EQ(ours.size(), 600u);
  EXPECT_EQ(listing, expected);
}

}  // namespace
