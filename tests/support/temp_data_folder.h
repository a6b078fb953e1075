#pragma once

#include <QDate>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A fresh temporary folder, removed with everything in it at the end.
class TempDataFolder {
 public:
  TempDataFolder();

  QString path() const { return dir_.path(); }
  QString filePath(const QString& name) const { return dir_.filePath(name); }

  // Creates ADDRESS.DBF with its memo file and, when `withTag`, the index
  // tag "Address" on upper(Name), through the engine.
  void createAddressTable(bool withTag = true) const;

  // Appends one entry straight through the engine (no table component, no
  // rules); a blank date stays blank.
  void appendEntry(const QString& name, const QString& info = {}, const QDate& lastDate = {}) const;

 private:
  QTemporaryDir dir_;
};

}  // namespace testsupport
