#include "app/startup.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "book/name_tag.h"
#include "platform/dialogs.h"
#include "platform/help_pages.h"
#include "store/address_schema.h"
#include "store/ansi_text.h"
#include "store/data_module.h"
#include "store/engine_error.h"
#include "store/error_box.h"

namespace app {
namespace {

// The caption keeps at most the first character and 99 more.
constexpr int kCaptionCharacters = 100;

QString parameterSuffix(const QString& parameter) {
  // Case mapping works on whole characters, so letters outside the basic
  // plane and letters that change length (German sharp s) come out right.
  const QList<uint> characters = parameter.toUcs4().mid(0, kCaptionCharacters);
  if (characters.isEmpty()) return QStringLiteral("- ");
  const QString first = QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()), 1);
  const QString rest = QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()) + 1,
                                         characters.size() - 1);
  return QStringLiteral("- ") + first.toUpper() + rest.toLower();
}

// Creates the folder's last level; returns false (after the warning) when
// that fails. An absolute parameter names no folder below the working
// directory, so it is refused rather than looked for there.
bool settleFolder(const QString& workingDirectory, const QString& parameter, const QString& folder) {
  const QString cannot = QStringLiteral("Cannot create directory ") + parameter;
  if (QDir::isAbsolutePath(QString(parameter).replace(QLatin1Char('\\'), QLatin1Char('/')))) {
    platform::dialogs().warning(cannot);
    return false;
  }
  if (QFileInfo(folder).isDir()) return true;
  if (!QDir().mkdir(folder)) {
    platform::dialogs().warning(cannot);
    return false;
  }
  platform::dialogs().information(QStringLiteral("New directory ") + dataFolderPath(workingDirectory, parameter) +
                                  QStringLiteral("\n successfully created!"));
  return true;
}

// The reason at the end of an engine text ("Cannot open x: Permission
// denied"), or the whole text when it has none.
QString reasonOf(const QString& engineText) {
  const qsizetype colon = engineText.lastIndexOf(QStringLiteral(": "));
  return colon < 0 ? engineText : engineText.mid(colon + 2);
}

// Makes the empty table in `folder` after moving aside any memo or index
// file left there without it. Returns false (after the warning naming the
// folder and the reason) when either fails.
bool createTableIn(const QString& folder) {
  try {
    store::createAddressTable(folder);
  } catch (const store::EngineError& e) {
    platform::dialogs().warning(QStringLiteral("Cannot create the address table in ") + folder + QStringLiteral(": ") +
                                reasonOf(e.engineText()));
    return false;
  }
  return true;
}

// Gives the table its name tag when it lacks it (made just now, or written
// by another program without ADDRESS.CDX or without the tag), by the book's
// rule: built when no one else has the table open, and then packed as well,
// else the table is shown in the order entered. Either is told, but for a
// table made just now. Returns whether the tag is there.
bool settleNameTag(store::TDM& dm, bool created) {
  store::EngineTable& table = dm.tblAddress;
  table.close();
  book::NameTagState state;
  const std::filesystem::path dbf = store::toFileSystemPath(table.filePath());
  store::translateEngineErrors(table.name(), [&] { state = book::ensureNameTag(dbf); });
  if (state.kind == book::NameTagState::Kind::Built) dm.pack();
  if (!created && !state.note.empty()) platform::dialogs().information(QString::fromStdString(state.note));
  return state.kind != book::NameTagState::Kind::Missing;
}

}  // namespace

QString startupCaption(const QStringList& parameters) {
  const QString suffix = parameters.size() == 1 ? parameterSuffix(parameters.first()) : QStringLiteral("Cardlark");
  return QStringLiteral("Kestrane 3.0 ") + suffix;
}

QString tooManyParametersMessage() {
  return QStringLiteral(
             "Error:  Too many parameters on command line (only 1 allowed)\nPlease refer to online help at ") +
         platform::mainHelpPageAddress();
}

QString dataFolderPath(const QString& workingDirectory, const QString& parameter) {
  static const QRegularExpression repeatedSlashes(QStringLiteral("//+"));
  QString path = workingDirectory + QLatin1Char('/') + QString(parameter).replace(QLatin1Char('\\'), QLatin1Char('/'));
  return path.replace(repeatedSlashes, QStringLiteral("/"));
}

bool runStartup(store::TDM& dm, const QStringList& parameters, const QString& workingDirectory) {
  if (parameters.size() > 1) {
    platform::dialogs().message(tooManyParametersMessage());
    return false;
  }
  QString folder = workingDirectory;
  if (parameters.size() == 1) {
    folder = dataFolderPath(workingDirectory, parameters.first());
    if (!settleFolder(workingDirectory, parameters.first(), folder)) return false;
  }
  dm.setFolder(folder);

  store::EngineTable& table = dm.tblAddress;
  store::AddressFiles files = store::findAddressFiles(folder);
  const bool created = !QFileInfo::exists(files.table);
  if (created) {
    if (!createTableIn(folder)) return false;
    files = store::findAddressFiles(folder);
  }
  const QString tableName = QFileInfo(files.table).fileName();
  for (store::EngineTable* t : {&dm.tblAddress, &dm.tblFilter, &dm.tblClone}) t->setTableName(tableName);
  const bool tagged = settleNameTag(dm, created);

  table.close();
  table.setExclusive(false);
  // Without the tag every view of the table keeps the order entered.
  dm.tblFilter.setIndexName(tagged ? QString::fromLatin1(book::kTagName) : QString());
  dm.tblClone.setIndexName(tagged ? QString::fromLatin1(book::kIndexName) : QString());
  table.setIndexName(tagged ? QString::fromLatin1(book::kIndexName) : QString());
  try {
    table.open();
  } catch (const store::EngineError& e) {
    // An index that disagrees with the table: show the table in the order
    // entered and let the window offer the repair.
    if (!e.indexMismatch()) throw;
    table.setIndexName(QString());
    table.open();
    store::showErrorBox(std::current_exception());
  }
  dm.tblFilter.close();
  dm.tblFilter.setExclusive(false);
  dm.takeEntryCount();
  return true;
}

}  // namespace app
