#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "platform/dialogs.h"

namespace testsupport {

// A scripted Dialogs that records every box. Installs itself for its
// lifetime and puts the previous instance back after.
class FakeDialogs final : public platform::Dialogs {
 public:
  struct Box {
    QString title;
    QString text;
    QStringList buttons;       // e.g. {"OK"}, {"OK", "Cancel"}, {"Yes", "No"}
    bool error = false;        // the default error box
    bool hiddenInput = false;  // a text question whose typing shows as dots
  };

  FakeDialogs();
  ~FakeDialogs() override;
  FakeDialogs(const FakeDialogs&) = delete;
  FakeDialogs& operator=(const FakeDialogs&) = delete;

  // Answers for the next confirm/askYesNo calls, in order; when none is left
  // the default answer is given.
  void queueAnswer(bool answer) { answers_.push_back(answer); }
  void setDefaultAnswer(bool answer) { defaultAnswer_ = answer; }
  // Texts typed into the next askText calls, in order (nullopt: cancelled);
  // when none is left the question is cancelled.
  void queueText(std::optional<QString> text) { texts_.push_back(std::move(text)); }

  const std::vector<Box>& boxes() const { return boxes_; }
  QStringList texts() const;
  void clear() { boxes_.clear(); }

  void message(const QString& text) override;
  void warning(const QString& text) override;
  void information(const QString& text) override;
  bool confirm(const QString& text) override;
  bool askYesNo(const QString& text) override;
  void error(const QString& text) override;
  std::optional<QString> askText(const QString& title, const QString& prompt, Echo echo) override;

 private:
  bool answer();

  std::vector<Box> boxes_;
  std::deque<bool> answers_;
  std::deque<std::optional<QString>> texts_;
  bool defaultAnswer_ = true;
  platform::Dialogs* previous_;
};

}  // namespace testsupport
