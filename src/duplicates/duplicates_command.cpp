#include "duplicates/duplicates_command.h"

#include <QAction>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <atomic>

#include "duplicates/duplicate_scan.h"
#include "duplicates/duplicates_dialog.h"
#include "duplicates/not_duplicates.h"
#include "platform/dialogs.h"
#include "platform/long_work.h"
#include "store/ansi_text.h"
#include "store/data_module.h"
#include "store/error_box.h"

namespace duplicates {

namespace {

constexpr int kProgressMilliseconds = 100;

// The scan on a worker thread with a cursor of its own, while the window's
// thread waits in an event loop that tells the progress dialog how far it
// got (user input waits, the windows stay painted).
std::vector<book::DuplicateGroup> scanWithProgress(const std::filesystem::path& dbf, const NotDuplicates& marks) {
  std::vector<book::DuplicateGroup> groups;
  const QString step = QStringLiteral("Looking for duplicates");
  platform::runLongWorkWithProgress(step, [&](const platform::LongWork::Progress& progress) {
    std::atomic<std::uint32_t> done{0}, total{0};
    std::exception_ptr failure;
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop,
                     [&] { progress(step, static_cast<int>(done.load()), static_cast<int>(total.load())); });
    std::unique_ptr<QThread> scan(QThread::create([&] {
      try {
        groups = scanForDuplicates(dbf, marks, [&](std::uint32_t d, std::uint32_t t) {
          total = t;
          done = d;
        });
      } catch (...) {
        failure = std::current_exception();
      }
    }));
    QObject::connect(scan.get(), &QThread::finished, &loop, &QEventLoop::quit);
    tick.start(kProgressMilliseconds);
    scan->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    scan->wait();
    if (failure) std::rethrow_exception(failure);
  });
  return groups;
}

}  // namespace

DuplicatesCommand::DuplicatesCommand(store::TDM& dm, QWidget* window)
    : QObject(window), dm_(dm), window_(window), action_(new QAction(QStringLiteral("Find duplicates…"), window)) {
  action_->setObjectName(QStringLiteral("FindDuplicates"));
  action_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
  action_->setShortcutContext(Qt::WindowShortcut);
  const QString hint = QStringLiteral("Find entries that are probably the same person, and merge them");
  action_->setToolTip(hint);
  action_->setStatusTip(hint);
  connect(action_, &QAction::triggered, this, &DuplicatesCommand::FindDuplicatesClick);
}

void DuplicatesCommand::FindDuplicatesClick() {
  store::EngineTable& table = dm_.tblAddress;
  if (!table.isActive() || dialog_) return;
  try {
    // An entry being edited is finished first, as a move would.
    if (table.state() != store::DatasetState::Browse) {
      if (!table.isModified()) {
        table.cancel();
      } else if (!table.post()) {
        return;
      }
    }
    const std::filesystem::path dbf = store::toFileSystemPath(table.filePath());
    const std::filesystem::path marksFile = notDuplicatesPath(dbf);
    auto marks = std::make_shared<NotDuplicates>(NotDuplicates::load(marksFile));
    std::vector<book::DuplicateGroup> groups = scanWithProgress(dbf, *marks);
    if (groups.empty()) {
      platform::dialogs().information(QStringLiteral("No entries that are probably the same person were found."));
      return;
    }
    book_ = std::make_unique<book::AddressBook>(dbf, book::AddressBook::Access::Shared);
    DuplicatesDialog::Hooks hooks;
    hooks.entry = [this](std::uint32_t recno) { return book_->entryAt(recno); };
    hooks.merge = [this](std::uint32_t keep, std::uint32_t other) {
      book::MergeRecord record = book_->merge(keep, other);
      showEntry(keep, -1);
      return record;
    };
    hooks.undo = [this](const book::MergeRecord& record) {
      book_->undoMerge(record);
      showEntry(record.keep, 1);
    };
    hooks.dismiss = [marks, marksFile](const book::Entry& first, const book::Entry& second) {
      NotDuplicates more = *marks;
      more.add(first.name, second.name);
      more.save(marksFile);
      *marks = std::move(more);
    };
    dialog_ = new DuplicatesDialog(std::move(groups), book_->codePage(), std::move(hooks), window_);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    dialog_->setWindowModality(Qt::WindowModal);
    connect(dialog_, &QObject::destroyed, this, [this] { book_.reset(); });
    dialog_->show();
  } catch (...) {
    book_.reset();
    store::showErrorBox(std::current_exception());
  }
}

// The window's table shows the entry kept, read again, and the count.
void DuplicatesCommand::showEntry(std::uint32_t recno, int entriesAdded) {
  store::EngineTable& table = dm_.tblAddress;
  const store::ControlsDisabled held(table);
  dm_.setEntryCount(dm_.entryCount() + entriesAdded);
  try {
    table.gotoBookmark({recno});
  } catch (...) {
    table.first();  // not shown under the search in force
  }
}

}  // namespace duplicates
