#include "platform/program_folder.h"

#include <QCoreApplication>
#include <QDir>

namespace platform {
namespace {
QString overriddenFolder;
}

QString ProgramFolder::path() {
  const QString folder = overriddenFolder.isEmpty() ? QCoreApplication::applicationDirPath() : overriddenFolder;
  return QDir::cleanPath(QDir(folder).absolutePath());
}

QString ProgramFolder::filePath(const QString& fileName) { return QDir(path()).filePath(fileName); }

void ProgramFolder::setPath(const QString& folder) { overriddenFolder = folder; }

}  // namespace platform
