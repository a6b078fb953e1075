#pragma once

// Keys for a window's buttons, and the hints that name them.
//
// bindKey() gives a window a key that presses a button as a click would;
// with several buttons (two that take turns at one place, or one key meaning
// "cancel" in two states) it presses the first one shown and enabled, so one
// key never stands for two commands at once. describeControls() then builds
// every control's texts from its hint (its tool tip as set up): the tool tip
// and status tip name the keys, What's-This help says the same, and the
// accessible name and description carry the hint for a screen reader.

#include <QKeySequence>
#include <QList>
#include <QString>
#include <functional>

class QAbstractButton;
class QAction;
class QWidget;

namespace widgets {

// Makes `key` (in `window` and its controls) press the first of `buttons`
// that is shown and enabled, or run `run` instead when given; the key is
// named in the hints of every button listed.
QAction* bindKey(QWidget* window, const QKeySequence& key, const QList<QAbstractButton*>& buttons,
                 const std::function<void()>& run = {});

// Sets the texts of every control of `window` that has a hint; may run again
// after controls were added (hints are kept apart from the texts built).
void describeControls(QWidget* window);

// Shift+F1 shows the What's-This help of the control with the focus (or
// of the nearest control around it that has one); with none it lets the
// user point at a control.
void bindWhatsThisKey(QWidget* window);

// The hint of `control` as set up, without the keys describeControls() added.
QString hintOf(const QWidget* control);

// The keys bound to `control`, as shown in its hint ("Ctrl+F, F3"); empty if none.
QString keysOf(const QWidget* control);

}  // namespace widgets
