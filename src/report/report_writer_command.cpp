#include "report/report_writer_command.h"

#include <QDialog>

#include "book/name_key.h"
#include "platform/dialogs.h"
#include "report/rec_range.h"
#include "report/record_selection.h"
#include "report/report_form.h"
#include "report/report_preview.h"
#include "store/address_schema.h"
#include "store/ansi_text.h"
#include "store/data_module.h"
#include "store/engine_error.h"
#include "store/error_box.h"

namespace report {

namespace {

const QString kName = QString::fromLatin1(book::kName);

std::string upper(const QByteArray& name) { return book::nameKey(name.toStdString()); }

}  // namespace

ReportWriterCommand::ReportWriterCommand(store::TDM& dm, Hooks hooks, QWidget* parent)
    : QObject(parent), dm_(dm), hooks_(std::move(hooks)), parent_(parent) {
  if (!hooks_.showDialog) hooks_.showDialog = [](TRecRange& dialog) { return dialog.exec(); };
  if (!hooks_.markedRows) hooks_.markedRows = [] { return QList<store::Bookmark>(); };
  if (!hooks_.markedEnds) hooks_.markedEnds = hooks_.markedRows;
}

void ReportWriterCommand::buttonRWClick() {
  try {
    run();
  } catch (...) {
    store::showErrorBox(std::current_exception());
  }
}

void ReportWriterCommand::run() {
  // A second command would re-prepare the report cursor under the preview
  // that is still reading it.
  if (ReportPreview* open = openReportPreview()) {
    platform::dialogs().message(QString::fromLatin1(kPreviewOpenMessage));
    open->raise();
    open->activateWindow();
    return;
  }
  bool textOutput = false;
  bool memo = true;
  int choice = 0;
  {
    TRecRange dialog(parent_);
    if (hooks_.showDialog(dialog) != QDialog::Accepted) return;
    choice = static_cast<int>(dialog.recordChoice());
    memo = dialog.memoOption();
    textOutput = dialog.textOutputOption();
  }
  store::EngineTable& main = dm_.tblAddress;
  const QByteArray savedKey = main.isActive() && !main.isEmpty() ? main.bytes(kName) : QByteArray();

  store::EngineTable* reportTable = &main;
  if (static_cast<RecordChoice>(choice) != RecordChoice::All) {
    if (!chooseRecords(choice, savedKey)) return;
    reportTable = &dm_.tblClone;
  }
  const ReportContext context{hooks_.caption ? hooks_.caption() : QString(),
                              main.filtered() && main.filterText().isEmpty()};
  try {
    RunAddressReport(*reportTable, memo, textOutput, context);
  } catch (...) {
    restoreMainCursor(savedKey);
    throw;
  }
  restoreMainCursor(savedKey);
}

QList<QByteArray> ReportWriterCommand::namesOf(const QList<store::Bookmark>& rows) {
  store::EngineTable& main = dm_.tblAddress;
  QList<QByteArray> names;
  if (rows.isEmpty()) return names;
  store::ControlsDisabled quiet(main);
  store::Bookmark remembered = main.bookmark();
  for (const store::Bookmark& row : rows) {
    try {
      main.gotoBookmark(row);
    } catch (const store::EngineError&) {
      continue;  // the entry has been deleted since it was marked
    }
    names.push_back(main.bytes(kName));
  }
  if (remembered.isValid()) main.gotoBookmark(remembered);
  main.freeBookmark(remembered);
  return names;
}

bool ReportWriterCommand::chooseRecords(int choice, const QByteArray& savedKey) {
  store::EngineTable& clone = dm_.tblClone;
  clone.close();
  clone.setExclusive(false);
  clone.setFolder(dm_.tblAddress.folder());
  clone.setTableName(dm_.tblAddress.tableName());
  clone.setIndexName(QString::fromLatin1(book::kTagName));

  std::string expression;
  switch (static_cast<RecordChoice>(choice)) {
    case RecordChoice::Current: expression = currentExpression(upper(savedKey)); break;
    case RecordChoice::Range: {
      const QList<QByteArray> ends = namesOf(hooks_.markedEnds());
      if (ends.size() != 2) {
        platform::dialogs().message(QString::fromLatin1(kNoRangeMessage));
        return false;
      }
      expression = rangeExpression(upper(ends[0]), upper(ends[1]));
      break;
    }
    case RecordChoice::Selected: {
      const QList<QByteArray> marked = namesOf(hooks_.markedRows());
      if (marked.isEmpty()) {
        platform::dialogs().message(QString::fromLatin1(kNoSelectionMessage));
        return false;
      }
      std::vector<std::string> names;
      for (const QByteArray& name : marked) names.push_back(name.toStdString());
      expression = selectedExpression(names);
      break;
    }
    case RecordChoice::All: break;
  }
  clone.setFilterText(store::fromAnsi(expression, dm_.tblAddress.codePage()));
  clone.open();
  clone.setFiltered(true);
  clone.first();
  if (clone.isEmpty()) platform::dialogs().message(QString::fromLatin1(kNoRecordsMessage));
  return true;
}

void ReportWriterCommand::restoreMainCursor(const QByteArray& savedKey) {
  store::EngineTable& main = dm_.tblAddress;
  if (!main.isActive()) main.open();
  if (savedKey.isEmpty()) return;
  const QByteArray key = QByteArray::fromStdString(upper(savedKey));
  const QString order = main.indexName();
  if (!order.isEmpty()) {
    main.seekExactKey(key);
    return;
  }
  // In natural order the entry is looked up alphabetically all the same and
  // the grid goes on showing natural order.
  store::ControlsDisabled quiet(main);
  main.setIndexName(QString::fromLatin1(book::kTagName));
  main.seekExactKey(key);
  main.setIndexName(order);
}

}  // namespace report
