#include "fake_dialogs.h"

namespace testsupport {

FakeDialogs::FakeDialogs() : previous_(platform::setDialogs(this)) {}

FakeDialogs::~FakeDialogs() { platform::setDialogs(previous_); }

QStringList FakeDialogs::texts() const {
  QStringList all;
  for (const Box& box : boxes_) all << box.text;
  return all;
}

bool FakeDialogs::answer() {
  if (answers_.empty()) return defaultAnswer_;
  const bool next = answers_.front();
  answers_.pop_front();
  return next;
}

void FakeDialogs::message(const QString& text) {
  boxes_.push_back({QString::fromLatin1(platform::kApplicationTitle), text, {"OK"}});
}

void FakeDialogs::warning(const QString& text) { boxes_.push_back({QStringLiteral("Warning"), text, {"OK"}}); }

void FakeDialogs::information(const QString& text) { boxes_.push_back({QStringLiteral("Information"), text, {"OK"}}); }

bool FakeDialogs::confirm(const QString& text) {
  boxes_.push_back({QStringLiteral("Confirm"), text, {"OK", "Cancel"}});
  return answer();
}

bool FakeDialogs::askYesNo(const QString& text) {
  boxes_.push_back({QStringLiteral("Confirm"), text, {"Yes", "No"}});
  return answer();
}

void FakeDialogs::error(const QString& text) {
  boxes_.push_back({QString::fromLatin1(platform::kApplicationTitle), text, {"OK"}, true});
}

std::optional<QString> FakeDialogs::askText(const QString& title, const QString& prompt, Echo echo) {
  boxes_.push_back({title, prompt, {"OK", "Cancel"}, false, echo == Echo::Hidden});
  if (texts_.empty()) return std::nullopt;
  const bool typed = texts_.front().has_value();
  const QString next = texts_.front().value_or(QString());
  texts_.pop_front();
  if (!typed) return std::nullopt;
  return next;
}

}  // namespace testsupport
