#include "app/contacts_import.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <stdexcept>

#include "exchange/file_import.h"
#include "platform/dialogs.h"
#include "store/ansi_text.h"
#include "store/data_module.h"
#include "store/error_box.h"

namespace app {
namespace {

// Contacts skipped, stored despite a fault or renamed, listed in the
// summary; the rest are counted.
constexpr std::size_t kListedNotes = 20;

std::optional<exchange::FileKind> kindOf(const QString& file) {
  return exchange::fileKindOf(store::toFileSystemPath(file));
}

// An entry being edited is finished first, as a move would: posted when
// changed, dropped when not. False when its post was refused.
bool finishEditing(store::EngineTable& table) {
  if (table.state() == store::DatasetState::Browse) return true;
  if (table.isModified()) return table.post();
  table.cancel();
  return true;
}

}  // namespace

ContactsImport::ContactsImport(store::TDM& dm, QAbstractScrollArea* grid, QObject* parent) : QObject(parent), dm_(dm) {
  grid->viewport()->setAcceptDrops(true);
  grid->viewport()->installEventFilter(this);
}

bool ContactsImport::importFiles(const QStringList& files) {
  store::EngineTable& table = dm_.tblAddress;
  try {
    if (!table.isActive() || !finishEditing(table)) return false;
    const exchange::CodePage codePage = table.codePage();
    std::vector<exchange::FileEntries> entries;
    for (const QString& file : files) {
      const std::optional<exchange::FileKind> kind = kindOf(file);
      if (!kind) throw std::invalid_argument("Not a vCard or CSV file: " + file.toStdString());
      entries.push_back(exchange::readExchangeFile(store::toFileSystemPath(file), *kind, codePage));
    }
    exchange::ImportOutcome outcome;
    {
      // One refresh of the grid when the new entries are in.
      const store::ControlsDisabled held(table);
      outcome = exchange::importEntries(store::toFileSystemPath(table.filePath()), entries, false);
      dm_.setEntryCount(dm_.entryCount() + static_cast<int>(outcome.added));
      if (outcome.firstRecord != 0) table.gotoBookmark({outcome.firstRecord});
    }
    platform::dialogs().information(QString::fromStdString(exchange::importSummary(entries, outcome, kListedNotes)));
    return true;
  } catch (...) {
    store::showErrorBox(std::current_exception());
    return false;
  }
}

bool ContactsImport::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (droppedContactFiles(drag->mimeData()).isEmpty()) {
        drag->ignore();
      } else {
        drag->acceptProposedAction();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList files = droppedContactFiles(drop->mimeData());
      if (files.isEmpty()) {
        drop->ignore();
        return true;
      }
      drop->acceptProposedAction();
      // Imported once the drop has returned, so that the drag's source is
      // not kept waiting while the summary is open.
      QMetaObject::invokeMethod(
          this, [this, files] { importFiles(files); }, Qt::QueuedConnection);
      return true;
    }
    default: return QObject::eventFilter(watched, event);
  }
}

QStringList droppedContactFiles(const QMimeData* data) {
  QStringList files;
  if (data == nullptr || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    const QString file = url.toLocalFile();
    if (!url.isLocalFile() || !QFileInfo(file).isFile() || !kindOf(file)) return {};
    files.append(file);
  }
  return files;
}

QString contactFileParameter(const QStringList& parameters, const QString& workingDirectory) {
  if (parameters.size() != 1 || parameters.first().isEmpty()) return {};
  const QFileInfo file(QDir(workingDirectory), parameters.first());
  if (!file.isFile() || !kindOf(file.fileName())) return {};
  return file.absoluteFilePath();
}

}  // namespace app
