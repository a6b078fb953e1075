#pragma once

// Addresses of the pages on the program's help web site. Every help link of
// the program is built here, so the site can move by changing one constant.

#include <QString>

namespace platform {

inline constexpr const char* kHelpSiteBase = "https://www.kestrane.com/help";

// The address of a page in the "kestrane" folder of the help site.
inline QString helpPageAddress(const QString& page) {
  return QString::fromLatin1(kHelpSiteBase) + QStringLiteral("/kestrane/") + page;
}

// The page about the main window and starting the program.
inline QString mainHelpPageAddress() { return helpPageAddress(QStringLiteral("Davuzud.htm")); }

}  // namespace platform
