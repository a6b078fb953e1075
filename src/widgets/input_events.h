#pragma once

// Small questions the data-aware controls ask of input events.

#include <QFocusEvent>
#include <QKeyEvent>

namespace widgets {

// The printable character a key event carries, or a null QChar.
inline QChar typedCharacter(const QKeyEvent* event) {
  const QString text = event->text();
  if (text.size() != 1 || !text[0].isPrint()) return {};
  return text[0];
}

// Whether a focus change is a move to another control of the same window,
// not a dialog, menu or other window taking the focus for a while.
inline bool focusMovedWithinWindow(const QFocusEvent* event) {
  return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason &&
         event->reason() != Qt::MenuBarFocusReason;
}

}  // namespace widgets
