#include "widgets/db_rich_memo.h"

#include <QMouseEvent>

#include "rtf/reader.h"
#include "rtf/writer.h"
#include "store/ansi_text.h"
#include "widgets/db_memo.h"
#include "widgets/memo_editor_state.h"
#include "widgets/rich_text.h"

namespace widgets {

using store::DatasetState;

DbRichMemo::DbRichMemo(QWidget* parent) : QTextEdit(parent) {
  setAcceptRichText(false);  // pasted text arrives plain, in the memo's own format
  setWordWrap(true);
  setTabChangesFocus(true);
  QPalette colours = palette();
  for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
    colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
  setPalette(colours);
  guard_ = new TextGuard(this, [this] { return link_.codePage(); });
  connect(this, &QTextEdit::textChanged, this, &DbRichMemo::storeText);

  link_.setField(QStringLiteral("INFO"));
  link_.onEveryChange(
      this, [this] { followState(); }, [this] { load(); });
  followState();
}

void DbRichMemo::setDataSource(store::DataSource* source) {
  if (!link_.setDataSource(source)) return;
  followState();
  load();
}

void DbRichMemo::setField(const QString& field) {
  link_.setField(field);
  shown_.clear();
  load();
}

void DbRichMemo::setWordWrap(bool on) { setMemoWordWrap(*this, on); }

void DbRichMemo::followState() { followMemoEditing(*this, link_.editing()); }

// Shows the field of the current record (or of the record buffer while
// editing), unless it holds what the memo last loaded or stored.
void DbRichMemo::load() {
  QByteArray bytes;
  if (link_.hasRecord()) bytes = link_.table()->bytes(link_.field());
  if (bytes == shown_ && !document()->isEmpty()) return;
  shown_ = bytes;
  const std::string_view memo(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  loading_ = true;
  rich_ = rtf::isRtf(memo);
  const codepage::CodePage page = link_.codePage();
  loaded_ = rich_ ? rtf::read(memo, page) : rtf::Document{};
  if (rich_)
    fillTextDocument(loaded_, *document(), page);
  else
    setPlainText(memoTextForDisplay(store::fromAnsi(memo, page)));
  loading_ = false;
}

void DbRichMemo::storeText() {
  if (loading_ || !link_.editing()) return;
  guard_->clean(document());  // characters the table cannot hold never reach it
  const codepage::CodePage page = link_.codePage();
  std::string bytes = rich_ ? rtf::write(documentOf(*document(), loaded_, page), page)
                            : store::toAnsi(memoTextForStorage(toPlainText()), page);
  shown_ = QByteArray::fromStdString(bytes);
  link_.table()->setBytes(link_.field(), shown_);
}

void DbRichMemo::mouseDoubleClickEvent(QMouseEvent* event) {
  QTextEdit::mouseDoubleClickEvent(event);
  emit doubleClicked();
}

}  // namespace widgets
