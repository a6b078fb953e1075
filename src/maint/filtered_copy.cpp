#include "maint/filtered_copy.h"

#include <cstdio>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "book/address_book.h"
#include "store/address_schema.h"
#include "store/ansi_text.h"
#include "store/engine_error.h"
#include "store/engine_table.h"
#include "store/restore.h"
#include "xbase/cursor.h"
#include "xbase/table_files.h"

namespace maint {

namespace {

using namespace book;

// Names of the files in `folder` that belong to an address table, whatever
// their case.
QStringList tableFilesIn(const QString& folder) {
  QStringList found;
  for (const char* name : {kTableName, kMemoFile, kIndexFile}) {
    for (const auto& file : xbase::filesIgnoringCase(store::toFileSystemPath(folder), name))
      found << store::fromFileSystemPath(file.filename());
  }
  return found;
}

[[noreturn]] void failCopy(const QString& component, const QString& text) {
  throw store::EngineError(component, text, static_cast<int>(xbase::ErrorCode::Io));
}

// Appends every entry the table shows to `target`, from the first on, as
// they are (dates kept).
int appendShownEntries(store::EngineTable& table, book::AddressBook& target) {
  const auto bytes = [&](const char* field) { return table.bytes(QString::fromLatin1(field)).toStdString(); };
  int count = 0;
  target.addAll(0, [&](const auto& store) {
    for (table.first(); !table.eof(); table.next(), ++count) store(Entry{bytes(kName), bytes(kInfo), bytes(kLastDate)});
  });
  return count;
}

// Renames the finished copy's files over those of the same name in `folder`
// and removes any left there under another spelling of the same name.
void moveIntoPlace(const QString& from, const QString& folder, const QString& component) {
  const QStringList stale = tableFilesIn(folder);
  const QStringList fresh = tableFilesIn(from);
  for (const QString& name : fresh) {
    const QString target = QDir(folder).filePath(name);
    if (::rename(QFile::encodeName(QDir(from).filePath(name)).constData(), QFile::encodeName(target).constData()) !=
        0) {
      failCopy(component, QStringLiteral("Cannot move the copy to ") + target);
    }
  }
  for (const QString& name : stale) {
    if (!fresh.contains(name)) QFile::remove(QDir(folder).filePath(name));
  }
}

}  // namespace

bool addressTableExistsIn(const QString& folder) { return !tableFilesIn(folder).isEmpty(); }

int copyShownEntries(store::EngineTable& table, const QString& folder) {
  const QString component = QDir(folder).filePath(QString::fromLatin1(kTableName));
  QTemporaryDir work(QDir(folder).filePath(QStringLiteral(".cardlark-copy-XXXXXX")));
  if (!work.isValid()) failCopy(component, QStringLiteral("Cannot create a folder in ") + folder);
  store::createAddressTable(work.path(), component);

  int count = 0;
  store::translateEngineErrors(component, [&] {
    book::AddressBook target(store::toFileSystemPath(work.filePath(QString::fromLatin1(kTableName))),
                             book::AddressBook::Access::ExclusiveWhenFree);
    const store::ControlsDisabled hold(table);
    const store::Bookmark here = table.bookmark();
    store::runThenRestore([&] { count = appendShownEntries(table, target); },
                          [&] {
                            if (here.isValid()) table.gotoBookmark(here);
                          });
    target.cursor().createTag(kTagName, kTagKey);  // built once over all records
  });
  moveIntoPlace(work.path(), folder, component);
  return count;
}

}  // namespace maint
