#include "search/find_next.h"

#include "store/ansi_text.h"

namespace search {

qsizetype findNext(const QString& text, qsizetype selectionStart, qsizetype selectionLength, const QString& what) {
  if (what.isEmpty()) return -1;
  const qsizetype from = selectionStart + selectionLength;
  if (from < 0 || from > text.size()) return -1;
  return store::upperAscii(text).indexOf(store::upperAscii(what), from, Qt::CaseSensitive);
}

}  // namespace search
