#pragma once

// What the plain and the rich memo editors share as bound controls: word
// wrap with its scroll bars, and editable only while the table is edited
// (read-only still lets the user move through and select the text).

#include <Qt>

namespace widgets {

// `Editor` is QPlainTextEdit or QTextEdit (alike here, without a common base).
template <typename Editor>
void setMemoWordWrap(Editor& editor, bool on) {
  editor.setLineWrapMode(on ? Editor::WidgetWidth : Editor::NoWrap);
  editor.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor.setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
}

template <typename Editor>
void followMemoEditing(Editor& editor, bool editing) {
  editor.setReadOnly(!editing);
  editor.setTextInteractionFlags(editing ? Qt::TextEditorInteraction
                                         : Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

}  // namespace widgets
