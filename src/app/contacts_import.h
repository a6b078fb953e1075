#pragma once

// Contacts brought in from vCard (.vcf) and CSV (.csv) files: dropped on
// the grid of names, or named on the command line. The files go through the
// same import as cardlark-db's import-vcard and import-csv (read first,
// contacts that cannot be read and names already present skipped, stored
// all or none) into the address table the window holds open shared; the
// grid then shows the first new entry and the import's summary says what
// was imported and what was skipped, and where.

#include <QObject>
#include <QString>
#include <QStringList>

class QAbstractScrollArea;
class QMimeData;

namespace store {
class TDM;
}

namespace app {

class ContactsImport : public QObject {
  Q_OBJECT

 public:
  // Accepts drops of contact files on the viewport of `grid`.
  ContactsImport(store::TDM& dm, QAbstractScrollArea* grid, QObject* parent = nullptr);

  // Imports `files` into tblAddress and shows the summary; a file that
  // cannot be read at all (or a failure to store) is shown in the error box
  // and nothing is stored.
  // Returns whether the entries were stored.
  bool importFiles(const QStringList& files);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  store::TDM& dm_;
};

// The local files of a drag, when every one of them is a .vcf or .csv
// file; empty otherwise.
QStringList droppedContactFiles(const QMimeData* data);

// The contact file a command line of one parameter names: an existing
// file ending in .vcf or .csv, relative to `workingDirectory` or absolute;
// "" when the parameter is something else (a data folder).
QString contactFileParameter(const QStringList& parameters, const QString& workingDirectory);

}  // namespace app
