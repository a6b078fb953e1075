#pragma once

// The Report Writer command: asks for the record choice and the options in
// TRecRange, prepares the report cursor, runs the address report and puts
// the main cursor back on the entry that was current.

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

#include "store/engine_table.h"

class QWidget;

namespace store {
class TDM;
}

namespace report {

class TRecRange;

inline constexpr char kNoRangeMessage[] = "No range selected - please refer to online help";
inline constexpr char kNoSelectionMessage[] = "No records selected - please refer to Online Help";
inline constexpr char kNoRecordsMessage[] = "No records!";
inline constexpr char kPreviewOpenMessage[] =
    "A report is already shown. Close its preview window before starting another report.";

class ReportWriterCommand : public QObject {
  Q_OBJECT

 public:
  struct Hooks {
    std::function<QList<store::Bookmark>()> markedRows;  // the grid's marked rows, in marking order
    std::function<QString()> caption;                    // the main window's caption
    // Shows the dialog modally; returns its result (default: exec()).
    std::function<int(TRecRange&)> showDialog;
    // The ends of the grid's marks, for Range (default: the marked rows).
    std::function<QList<store::Bookmark>()> markedEnds;
  };

  ReportWriterCommand(store::TDM& dm, Hooks hooks, QWidget* parent);

  // Runs the command; returns when the report's preview has been closed.
  // Every failure ends in the default error box.
  void buttonRWClick();

 private:
  void run();
  // The names of `rows` still present (a deleted entry's row is skipped),
  // read by moving the main cursor there and back.
  QList<QByteArray> namesOf(const QList<store::Bookmark>& rows);
  // Step 6: the filter of the report cursor; false when the command stops.
  bool chooseRecords(int choice, const QByteArray& savedKey);
  void restoreMainCursor(const QByteArray& savedKey);

  store::TDM& dm_;
  Hooks hooks_;
  QWidget* parent_;
};

}  // namespace report
