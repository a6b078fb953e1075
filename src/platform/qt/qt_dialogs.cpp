#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>

namespace platform::qt {
namespace {

// The texts are laid out in lines of their own; the box would wrap them again
// wherever its default width (half the screen) ends. The text is made at least
// as wide as its longest line, so long as that fits on the screen.
void keepLinesWhole(QMessageBox& box, const QString& text) {
  auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  if (!label) return;
  int longest = 0;
  for (const QString& line : text.split(QLatin1Char('\n')))
    longest = std::max(longest, label->fontMetrics().horizontalAdvance(line) + 1);
  const QScreen* screen = box.screen();
  const int room = screen ? screen->availableGeometry().width() * 3 / 4 : longest;
  label->setMinimumWidth(std::min(longest, room));
}

QMessageBox::StandardButton show(QMessageBox::Icon icon, const QString& title, const QString& text,
                                 QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, title, text, buttons, QApplication::activeWindow());
  keepLinesWhole(box, text);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void QtDialogs::message(const QString& text) {
  show(QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle), text, QMessageBox::Ok);
}

void QtDialogs::warning(const QString& text) {
  show(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok);
}

void QtDialogs::information(const QString& text) {
  show(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok);
}

bool QtDialogs::confirm(const QString& text) {
  return show(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Ok | QMessageBox::Cancel) ==
         QMessageBox::Ok;
}

bool QtDialogs::askYesNo(const QString& text) {
  return show(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

void QtDialogs::error(const QString& text) {
  show(QMessageBox::Critical, QString::fromLatin1(kApplicationTitle), text, QMessageBox::Ok);
}

std::optional<QString> QtDialogs::askText(const QString& title, const QString& prompt, Echo echo) {
  bool ok = false;
  const QString text = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                             echo == Echo::Hidden ? QLineEdit::Password : QLineEdit::Normal, QString(),
                                             &ok);
  if (!ok) return std::nullopt;
  return text;
}

}  // namespace platform::qt
