// `cmake --install` of the build into a temporary prefix: the programs, the
// desktop entry, its icons, the metainfo and the man page land where a
// desktop looks for them, and the desktop's own validators accept the files.

#include <gtest/gtest.h>

#include <filesystem>

#include "tool_runner.h"

namespace cardlark::test {
namespace {

namespace fs = std::filesystem;

TEST(Install, PlacesProgramsDesktopEntryIconsAndManPage) {
  TempDir prefix;
  const fs::path build = fs::path(CARDLARK_BIN_DIR).parent_path();
  const RunResult install = run("cmake", {"--install", build.string(), "--prefix", prefix.path().string()});
  ASSERT_EQ(install.status, 0) << install.err;
  for (const char* file : {"bin/cardlark", "bin/cardlark-db", "share/applications/cardlark.desktop",
                           "share/metainfo/cardlark.metainfo.xml", "share/icons/hicolor/scalable/apps/cardlark.svg",
                           "share/icons/hicolor/16x16/apps/cardlark.png",
                           "share/icons/hicolor/256x256/apps/cardlark.png", "share/man/man1/cardlark-db.1"})
    EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;

  // A file manager offers it for vCards and hands it the file.
  const std::string entry = readFile(prefix / "share/applications/cardlark.desktop");
  EXPECT_NE(entry.find("\nExec=cardlark %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nMimeType=text/vcard;"), std::string::npos) << entry;

  // The validators come from Debian's desktop-file-utils and appstream,
  // which scripts/setup installs; 127 means the shell did not find one.
  const RunResult desktop = run("desktop-file-validate", {(prefix / "share/applications/cardlark.desktop").string()});
  if (desktop.status != 127) {
    EXPECT_EQ(desktop.status, 0) << desktop.out << desktop.err;
  }
  const RunResult metainfo = run("appstreamcli",
                                 {"validate", "--no-net", (prefix / "share/metainfo/cardlark.metainfo.xml").string()});
  if (metainfo.status != 127) {
    EXPECT_EQ(metainfo.status, 0) << metainfo.out << metainfo.err;
  }
}

}  // namespace
}  // namespace cardlark::test
