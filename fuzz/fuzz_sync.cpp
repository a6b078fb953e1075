// Fuzzes the reader of the sync state file ADDRESS.sync: any text is either
// refused with carddav::Error or read, and a state read comes back the same
// when written and read again.

#include <QByteArray>
#include <cstdint>

#include "fuzz_table_reader.h"
#include "sync/error.h"
#include "sync/sync_state.h"

namespace {

bool sameLink(const carddav::CardLink& a, const carddav::CardLink& b) {
  return a.uid == b.uid && a.href == b.href && a.etag == b.etag && a.hash == b.hash && a.memoHash == b.memoHash;
}

bool sameState(const carddav::SyncState& a, const carddav::SyncState& b) {
  if (a.server != b.server || a.token != b.token || a.links.size() != b.links.size()) return false;
  for (auto ai = a.links.begin(), bi = b.links.begin(); ai != a.links.end(); ++ai, ++bi) {
    if (ai->first != bi->first || !sameLink(ai->second, bi->second)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  carddav::SyncState state;
  try {
    state = carddav::parseState(text, "ADDRESS.sync");
  } catch (const carddav::Error&) {
    return 0;
  }
  const std::filesystem::path file = fuzzing::folder() / "ADDRESS.sync";
  carddav::writeState(file, state);
  if (!sameState(carddav::readState(file), state)) __builtin_trap();
  return 0;
}
