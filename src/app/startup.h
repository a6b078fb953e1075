#pragma once

// Start-up: from the command line to an open address table. The steps run
// on the main window's first showing; they are here, apart from the window,
// so that each can be read (and tested) on its own.

#include <QString>
#include <QStringList>

namespace store {
class TDM;
}

namespace app {

inline constexpr char kDesignCaption[] = "Kestrane Cardlark, Ver. 3.0";

// The window caption after start-up: "Kestrane 3.0 Cardlark" without a
// parameter (and with too many), "Kestrane 3.0 - Work" for the parameter
// WORK: its first character upper-cased and the next 99 lower-cased.
QString startupCaption(const QStringList& parameters);

// The message shown when the command line holds more than one parameter.
QString tooManyParametersMessage();

// The data folder named by `parameter` below `workingDirectory`, which need
// not exist. Backslashes in the parameter count as folder separators, so a
// parameter written for the desktop's other platform means the same here.
QString dataFolderPath(const QString& workingDirectory, const QString& parameter);

// Runs start-up on `dm`: settles the data folder (creating only its last
// level, with the information or warning message), creates the table and its
// index tag when they are missing, opens tblAddress shared in alphabetical
// order and takes the entry count. Returns false when the program must end
// (too many parameters, folder not created); the message has been shown.
// Engine failures are thrown as store::EngineError and stop start-up there.
bool runStartup(store::TDM& dm, const QStringList& parameters, const QString& workingDirectory);

}  // namespace app
