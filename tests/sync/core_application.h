#pragma once

// The one QCoreApplication of a sync test program, made by the first test
// that needs it: the client's requests run event loops.

#include <QCoreApplication>

namespace testsupport {

inline void needCoreApplication() {
  static int argc = 1;
  static char name[] = "sync_tests";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

}  // namespace testsupport
