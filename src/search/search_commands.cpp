#include "search/search_commands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "platform/dialogs.h"
#include "platform/long_work.h"
#include "search/info_window.h"
#include "store/data_module.h"
#include "store/error_box.h"
#include "store/restore.h"
#include "widgets/db_grid.h"

namespace search {

SearchCommands::SearchCommands(store::TDM& dm, QWidget* window, Hooks hooks)
    : QObject(window), dm_(dm), window_(window), hooks_(std::move(hooks)) {}

void SearchCommands::FindSpeedClick() {
  try {
    const SearchPrompt& prompt = hooks_.prompt;
    prompt.setResultMarker(0);
    prompt.dialog->setWindowTitle(QStringLiteral("Search for entries containing:"));
    prompt.edit->setEnabled(true);
    prompt.edit->clear();
    prompt.edit->show();
    prompt.list->setEnabled(false);
    prompt.list->hide();
    prompt.includeMemo->setText(QStringLiteral("include Memo field"));
    prompt.includeMemo->setToolTip(QStringLiteral("Search both Name & Memo fields?"));
    prompt.includeMemo->setChecked(true);
    prompt.includeMemo->show();
    prompt.edit->setFocus(Qt::OtherFocusReason);
    // Cancel, or OK with nothing typed: a search in force stays in force.
    if (prompt.showModal() == kDeclined || prompt.edit->text().isEmpty()) return;
    applySearch(prompt.edit->text(), prompt.includeMemo->isChecked());
  } catch (...) {
    store::showErrorBox(std::current_exception());
  }
  if (hooks_.focusGrid) hooks_.focusGrid();
}

// The search in force goes on deciding what the window shows until the new
// one's pass is done. Cancelled: no search stays in force, not even the one
// before.
void SearchCommands::applySearch(const QString& typed, bool includeMemo) {
  store::SearchFilter next;
  next.setCodePage(dm_.tblAddress.codePage());  // compared in the table's own bytes
  next.setText(typed);
  next.setIncludeMemo(includeMemo);
  const bool decided = !next.expression().isEmpty() || markFoundRecords(next);
  if (!decided) NoFilterSpeedClick();
  dm_.search() = std::move(next);
  if (decided) runFirstPass();
}

// The records a per-record search finds, marked by one pass over the table
// and memo file in their own order, off the window's thread (which goes on
// painting, and offers Cancel after half a second). False when cancelled.
bool SearchCommands::markFoundRecords(store::SearchFilter& search) {
  const std::string table = dm_.tblAddress.filePath().toStdString();
  const book::SearchRule& rule = search.rule();
  std::optional<book::RecordMarks> marks;
  platform::runStoppableLongWork(QStringLiteral("Searching for \"%1\" ...").arg(search.text()),
                                 [&](const std::atomic<bool>& stop) { marks = book::markMatches(table, rule, &stop); });
  if (!marks) return false;
  search.setMarks(std::move(*marks));
  return true;
}

// The first pass over the narrowed table, with nothing drawn until the
// result is known. The grid comes back attached and drawing, and the
// controls follow the table again, whatever happened. Marks that hold no
// record answer at once, without a walk.
void SearchCommands::runFirstPass() {
  store::EngineTable& table = dm_.tblAddress;
  widgets::DbGrid* grid = hooks_.grid;
  const store::ControlsDisabled hold(table);
  grid->setUpdatesEnabled(false);
  grid->setDataSource(nullptr);
  store::runThenRestore(
      [&] {
        const book::RecordMarks* marks = dm_.search().marks();
        const bool none = marks && marks->count() == 0;
        if (!none) {
          const QString expression = dm_.search().expression();
          const bool wasOn = table.filtered();
          table.setFilterText(expression);  // while on, this applies the new search in place of the old
          if (!wasOn) table.setFiltered(true);
          table.open();
        }
        if (none || table.isEmpty()) {
          table.setFiltered(false);
          dm_.search().clearMarks();
          platform::dialogs().message(QStringLiteral("Sorry, no records match"));
        } else {
          hooks_.noFilterButton->setEnabled(true);
        }
      },
      [&] {
        grid->setDataSource(&dm_.dsAddress);
        grid->setUpdatesEnabled(true);
        grid->viewport()->update();
      });
}

void SearchCommands::NoFilterSpeedClick() {
  try {
    dm_.tblAddress.setFiltered(false);
    dm_.search().clearMarks();
    hooks_.noFilterButton->setEnabled(false);
    dm_.tblFilter.close();
  } catch (...) {
    store::showErrorBox(std::current_exception());
  }
}

// A window of its own for each opening, destroyed when it closes.
void SearchCommands::InfoSpeedClick() {
  {
    TInfo info(dm_, window_);
    if (hooks_.memoWraps && !hooks_.memoWraps()) info.mirrorUnwrappedMemo();
    info.exec();
  }
  if (hooks_.focusGrid) hooks_.focusGrid();
}

}  // namespace search
