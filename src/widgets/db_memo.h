#pragma once

// A data-aware memo over one text field of a data source.
//
// It shows the current record's field and is read-only until the table is in
// Edit or Insert state (the data source does not start edits by itself);
// while editing, every change of the text goes into the record buffer. Line
// breaks are stored as CR LF, as in memo files written on the desktop, and
// shown as plain line breaks. Characters the table cannot store are refused
// as they are typed or pasted (widgets/text_guard.h).

#include <QPlainTextEdit>

#include "store/data_source.h"
#include "widgets/data_link.h"
#include "widgets/text_guard.h"

namespace widgets {

class DbMemo : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit DbMemo(QWidget* parent = nullptr);

  void setDataSource(store::DataSource* source);
  store::DataSource* dataSource() const { return link_.dataSource(); }
  void setField(const QString& field);
  QString field() const { return link_.field(); }

  // Word wrap on: lines break at the memo's width, only the vertical scroll
  // bar shows. Off: long lines run on, both scroll bars show.
  void setWordWrap(bool on);
  bool wordWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }

 signals:
  // A character typed while the memo had the focus, before the memo takes it.
  void keyTyped(QChar character);
  // The focus moved from the memo to another control of the same window.
  void exited(Qt::FocusReason reason);
  void doubleClicked();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void load();
  void storeText();
  void followState();

  DataLink link_;
  TextGuard* guard_ = nullptr;
  bool loading_ = false;
};

// Memo texts as stored (CR LF line ends) and as shown (LF line ends).
QString memoTextForDisplay(const QString& stored);
QString memoTextForStorage(const QString& shown);

}  // namespace widgets
