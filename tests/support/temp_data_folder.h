#pragma once

#include <QDate>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>

namespace testsupport {

// A fresh temporary folder, removed with everything in it at the end.
class TempDataFolder {
 public:
  TempDataFolder();

  QString path() const { return dir_.path(); }
  QString filePath(const QString& name) const { return dir_.filePath(name); }

  // Creates ADDRESS.DBF with its memo file and, when `withTag`, the index
  // tag "Address" on upper(Name), through the engine; its text in the code
  // page of `codePageMark` (0x03: Windows-1252).
  void createAddressTable(bool withTag = true, std::uint8_t codePageMark = 0x03) const;

  // Appends one entry straight through the engine (no table component, no
  // rules), converted by the table's code page; a blank date stays blank.
  void appendEntry(const QString& name, const QString& info = {}, const QDate& lastDate = {}) const;

 private:
  QTemporaryDir dir_;
};

}  // namespace testsupport
