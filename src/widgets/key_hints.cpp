#include "widgets/key_hints.h"

#include <QAbstractButton>
#include <QAction>
#include <QWhatsThis>
#include <QWidget>

namespace widgets {
namespace {

constexpr char kHintProperty[] = "cardlarkHint";
constexpr char kKeysProperty[] = "cardlarkKeys";

}  // namespace

QAction* bindKey(QWidget* window, const QKeySequence& key, const QList<QAbstractButton*>& buttons,
                 const std::function<void()>& run) {
  auto* action = new QAction(window);
  action->setShortcut(key);
  action->setShortcutContext(Qt::WindowShortcut);
  window->addAction(action);
  QObject::connect(action, &QAction::triggered, window, [buttons, run] {
    if (run) {
      run();
      return;
    }
    for (QAbstractButton* button : buttons) {
      if (button->isVisible() && button->isEnabled()) {
        button->click();
        return;
      }
    }
  });
  const QString shown = key.toString(QKeySequence::NativeText);
  for (QAbstractButton* button : buttons) {
    const QString keys = keysOf(button);
    button->setProperty(kKeysProperty, keys.isEmpty() ? shown : keys + QStringLiteral(", ") + shown);
  }
  return action;
}

void bindWhatsThisKey(QWidget* window) {
  auto* action = new QAction(window);
  action->setShortcut(QKeySequence::WhatsThis);
  window->addAction(action);
  QObject::connect(action, &QAction::triggered, window, [window] {
    for (QWidget* control = window->focusWidget(); control != nullptr && control != window;
         control = control->parentWidget()) {
      if (control->whatsThis().isEmpty()) continue;
      QWhatsThis::showText(control->mapToGlobal(QPoint(0, control->height())), control->whatsThis(), control);
      return;
    }
    QWhatsThis::enterWhatsThisMode();
  });
}

QString hintOf(const QWidget* control) {
  const QVariant kept = control->property(kHintProperty);
  return kept.isValid() ? kept.toString() : control->toolTip();
}

QString keysOf(const QWidget* control) { return control->property(kKeysProperty).toString(); }

void describeControls(QWidget* window) {
  for (QWidget* control : window->findChildren<QWidget*>()) {
    const QString hint = hintOf(control);
    if (hint.isEmpty()) continue;
    control->setProperty(kHintProperty, hint);
    const QString keys = keysOf(control);
    const QString described = keys.isEmpty() ? hint : QStringLiteral("%1 (%2)").arg(hint, keys);
    control->setToolTip(described);
    control->setStatusTip(described);
    control->setWhatsThis(keys.isEmpty() ? hint : QStringLiteral("%1\nKeyboard: %2").arg(hint, keys));
    control->setAccessibleName(hint);
    control->setAccessibleDescription(described);
  }
}

}  // namespace widgets
