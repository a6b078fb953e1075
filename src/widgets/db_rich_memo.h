#pragma once

// A data-aware rich-text memo over one memo field of a data source.
//
// A memo holding RTF markup shows formatted; any other memo shows as plain
// text. It is read-only until the table is in Edit or Insert state; while
// editing, every change goes into the record buffer in the memo's own kind:
// a memo that held RTF is written back as RTF, a plain one as plain text
// (CR LF line ends), so that editing here never puts markup into a memo that
// the main window, the contact search and the report read as plain text.
// The selection stays visible while another control has the focus.

#include <QTextEdit>

#include "rtf/document.h"
#include "store/data_source.h"
#include "widgets/data_link.h"
#include "widgets/text_guard.h"

namespace widgets {

class DbRichMemo : public QTextEdit {
  Q_OBJECT

 public:
  explicit DbRichMemo(QWidget* parent = nullptr);

  void setDataSource(store::DataSource* source);
  void setField(const QString& field);
  QString field() const { return link_.field(); }

  // Whether the field now shown held RTF markup.
  bool showsRichText() const { return rich_; }

  // Word wrap on: lines break at the memo's width, only the vertical scroll
  // bar shows. Off: long lines run on, both scroll bars show.
  void setWordWrap(bool on);
  bool wordWrap() const { return lineWrapMode() != QTextEdit::NoWrap; }

 signals:
  void doubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void load();
  void storeText();
  void followState();

  DataLink link_;
  QByteArray shown_;      // the field's bytes as last loaded or stored
  rtf::Document loaded_;  // the rich text as loaded: its font and colour tables
  bool rich_ = false;
  bool loading_ = false;
  TextGuard* guard_ = nullptr;
};

}  // namespace widgets
