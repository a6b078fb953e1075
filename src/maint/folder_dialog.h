#pragma once

#include <QDialog>
#include <QString>

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace maint {

// FolderDialog1: picks a folder from the file system's tree. It shows the
// chosen path below the label "Current folder:" and offers "New folder",
// which creates a folder inside the chosen one and lets the user name it.
class FolderDialog : public QDialog {
  Q_OBJECT

 public:
  explicit FolderDialog(const QString& startFolder, QWidget* parent = nullptr);

  QString selectedFolder() const { return selected_; }
  // Shows the dialog modally; the chosen folder, or "" when cancelled.
  static QString choose(const QString& startFolder, QWidget* parent = nullptr);

 private:
  void select(const QString& folder);
  void createFolder();

  QFileSystemModel* model_;
  QTreeView* tree_;
  QLabel* path_;
  QPushButton* newFolder_;
  QString selected_;
};

}  // namespace maint
