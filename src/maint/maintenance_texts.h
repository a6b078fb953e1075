#pragma once

#include <QString>

namespace maint {

// The fixed texts of the maintenance command, byte for byte.
inline const QString kFilteredRefusal = QStringLiteral(
    "Cannot reindex filtered database. However,\n"
    "do you want to copy the filtered RECORD SET to another drive/directory?\n"
    "(to copy all records first cancel filter)");
inline const QString kArchiveQuestion = QStringLiteral(
    "File maintenance completed\n"
    "Now create Zip archive (backup) file?");

// "Created/Updated Zip archive file: " + archive path + "." and the advice.
inline QString archiveSuccessText(const QString& archivePath) {
  return QStringLiteral("Created/Updated Zip archive file: ") + archivePath +
         QStringLiteral(".\nPlease copy it to an EXTERNAL drive or webspace for safekeeping.");
}

// After Cancel during the backup.
inline QString archiveCancelledText(const QString& archivePath) {
  return QStringLiteral("Backup cancelled: ") + archivePath + QStringLiteral(" was left as it was.");
}

// Texts of the copy of the filtered entries.
inline QString copyReplaceQuestion(const QString& folder) {
  return QStringLiteral("A table already exists in ") + folder +
         QStringLiteral(".\nReplace it with the filtered entries?");
}
inline QString copyOntoOwnTableText() {
  return QStringLiteral("The filtered entries cannot be copied onto the table in use.\nPlease choose another folder.");
}
inline QString copyDoneText(int count, const QString& folder) {
  return QStringLiteral("Copied %1 entries to %2.").arg(count).arg(folder);
}

}  // namespace maint
