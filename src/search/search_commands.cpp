#include "search/search_commands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "platform/dialogs.h"
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

void SearchCommands::applySearch(const QString& typed, bool includeMemo) {
  store::SearchFilter& search = dm_.search();
  search.setCodePage(dm_.tblAddress.codePage());  // compared in the table's own bytes
  search.setText(typed);
  search.setIncludeMemo(includeMemo);
  if (includeMemo) {
    // Memos are read through the second cursor while the search is in force.
    dm_.tblFilter.close();
    dm_.tblFilter.setExclusive(false);
    dm_.tblFilter.open();
  }
  runFirstPass();
}

// The first pass over the narrowed table, with nothing drawn until the
// result is known. The grid comes back attached and drawing, and the
// controls follow the table again, whatever happened.
void SearchCommands::runFirstPass() {
  store::EngineTable& table = dm_.tblAddress;
  widgets::DbGrid* grid = hooks_.grid;
  const store::ControlsDisabled hold(table);
  grid->setUpdatesEnabled(false);
  grid->setDataSource(nullptr);
  store::runThenRestore(
      [&] {
        const QString expression = dm_.search().expression();
        const bool wasOn = table.filtered();
        table.setFilterText(expression);  // while on, this applies the new search in place of the old
        if (!wasOn) table.setFiltered(true);
        table.open();
        if (table.isEmpty()) {
          table.setFiltered(false);
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
