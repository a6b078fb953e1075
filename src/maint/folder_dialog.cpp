#include "maint/folder_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace maint {

FolderDialog::FolderDialog(const QString& startFolder, QWidget* parent)
    : QDialog(parent),
      model_(new QFileSystemModel(this)),
      tree_(new QTreeView(this)),
      path_(new QLabel(this)),
      newFolder_(new QPushButton(QStringLiteral("New folder"), this)) {
  setObjectName(QStringLiteral("FolderDialog1"));
  setWindowTitle(QStringLiteral("Choose a folder"));
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  model_->setReadOnly(false);  // lets a new folder be renamed in place
  model_->setRootPath(QDir::rootPath());
  tree_->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
  tree_->header()->hide();
  path_->setObjectName(QStringLiteral("FolderPath"));
  path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  newFolder_->setObjectName(QStringLiteral("NewFolderButton"));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->addButton(newFolder_, QDialogButtonBox::ActionRole);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tree_);
  layout->addWidget(new QLabel(QStringLiteral("Current folder:"), this));
  layout->addWidget(path_);
  layout->addWidget(buttons);
  resize(420, 460);

  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { select(model_->filePath(current)); });
  connect(newFolder_, &QPushButton::clicked, this, &FolderDialog::createFolder);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  const QModelIndex start = model_->index(QDir(startFolder).absolutePath());
  tree_->setCurrentIndex(start);
  tree_->scrollTo(start);
  select(QDir(startFolder).absolutePath());
}

void FolderDialog::select(const QString& folder) {
  selected_ = folder;
  path_->setText(QDir::toNativeSeparators(folder));
}

// Makes "New folder" (or "New folder (2)", ...) inside the chosen folder,
// selects it and opens its name for editing.
void FolderDialog::createFolder() {
  QDir parent(selected_);
  QString name = QStringLiteral("New folder");
  for (int n = 2; parent.exists(name); ++n) name = QStringLiteral("New folder (%1)").arg(n);
  const QModelIndex created = model_->mkdir(model_->index(selected_), name);
  if (!created.isValid()) return;
  tree_->setCurrentIndex(created);
  select(parent.filePath(name));
  tree_->edit(created);
}

QString FolderDialog::choose(const QString& startFolder, QWidget* parent) {
  FolderDialog dialog(startFolder, parent);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFolder() : QString();
}

}  // namespace maint
