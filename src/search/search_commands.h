#pragma once

// The main window's search and information commands.
//
// FindSpeedClick turns the chooser dialog into the search prompt, and with a
// text typed and OK pressed narrows tblAddress to the entries holding the
// text in the name (decided by the engine's filter expression) or in the name
// or the memo (decided per record: one pass over the table off the window's
// thread, which may be cancelled, marks the records found). The first
// pass over the narrowed table runs with the grid detached and not drawing
// and the bound controls held back; all of them come back whatever happens.
// NoFilterSpeedClick ends the search. InfoSpeedClick opens the information
// window (from the "More Information" button and by a double click in the
// grid or the memo). Failures end in the default error box.

#include <QObject>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;

namespace store {
class SearchFilter;
class TDM;
}  // namespace store
namespace widgets {
class DbGrid;
}

namespace search {

// The chooser dialog's pieces that the search prompt sets up.
struct SearchPrompt {
  QWidget* dialog = nullptr;
  QLineEdit* edit = nullptr;         // Edit1
  QComboBox* list = nullptr;         // ComboBox1
  QCheckBox* includeMemo = nullptr;  // CheckAll
  std::function<void(int)> setResultMarker;
  std::function<int()> showModal;  // shows the dialog modally, returns the result marker
};

class SearchCommands : public QObject {
  Q_OBJECT

 public:
  struct Hooks {
    widgets::DbGrid* grid = nullptr;    // ZurGrid
    QWidget* noFilterButton = nullptr;  // NoFilterSpeed
    std::function<bool()> memoWraps;    // whether DBMemo1 wraps words
    std::function<void()> focusGrid;    // ZurGrid takes the focus and is redrawn
    SearchPrompt prompt;
  };

  SearchCommands(store::TDM& dm, QWidget* window, Hooks hooks);
  // The chooser dialog, once it exists; FindSpeedClick needs it.
  void setPrompt(SearchPrompt prompt) { hooks_.prompt = std::move(prompt); }

  // The declined marker of the chooser dialog.
  static constexpr int kDeclined = -99;

  // Steps after the prompt: applies a search for `typed` (a to z upper-cased
  // on the way) in the name, or in the name and the memo.
  void applySearch(const QString& typed, bool includeMemo);

 public slots:
  void FindSpeedClick();
  void NoFilterSpeedClick();
  void InfoSpeedClick();

 private:
  bool markFoundRecords(store::SearchFilter& search);
  void runFirstPass();

  store::TDM& dm_;
  QWidget* window_;
  Hooks hooks_;
};

}  // namespace search
