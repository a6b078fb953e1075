#include "widgets/db_navigator.h"

#include "platform/dialogs.h"
#include "widgets/pictures.h"

namespace widgets {
namespace {

struct ButtonLook {
  const char* objectName;
  Picture picture;
  const char* hint;
};

constexpr std::array<ButtonLook, DbNavigator::ButtonCount> kLooks{{
    {"First", Picture::First, "First record"},
    {"Prior", Picture::Prior, "Prior record"},
    {"Next", Picture::Next, "Next record"},
    {"Last", Picture::Last, "Last record"},
    {"Insert", Picture::Insert, "Insert record"},
    {"Delete", Picture::Delete, "Delete record"},
    {"Edit", Picture::Edit, "Edit record"},
    {"Post", Picture::Post, "Post edit"},
    {"Cancel", Picture::Cancel, "Cancel edit"},
}};

constexpr int kPictureSize = 14;

}  // namespace

DbNavigator::DbNavigator(QWidget* parent) : QWidget(parent) {
  for (int i = 0; i < ButtonCount; ++i) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(kLooks[i].objectName));
    button->setIcon(pictureIcon(kLooks[i].picture, kPictureSize));
    button->setIconSize(QSize(kPictureSize, kPictureSize));
    button->setToolTip(QString::fromLatin1(kLooks[i].hint));
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoRaise(false);
    connect(button, &QToolButton::clicked, this, [this, i] { run(static_cast<Button>(i)); });
    buttons_[i] = button;
  }
  for (auto signal : {&DataLink::dataSetChanged, &DataLink::dataSetScrolled, &DataLink::dataSetReplaced})
    connect(&link_, signal, this, &DbNavigator::updateButtons);
  connect(&link_, &DataLink::stateChanged, this, &DbNavigator::updateButtons);
  connect(&link_, &DataLink::activeChanged, this, &DbNavigator::updateButtons);
  updateButtons();
}

void DbNavigator::setDataSource(store::DataSource* source) {
  if (link_.setDataSource(source)) updateButtons();
}

void DbNavigator::resizeEvent(QResizeEvent*) {
  // The buttons share the width evenly; the last one takes what is left.
  const int count = ButtonCount;
  const int each = width() / count;
  for (int i = 0; i < count; ++i) {
    const int w = i == count - 1 ? width() - each * (count - 1) : each;
    buttons_[i]->setGeometry(i * each, 0, w, height());
  }
}

void DbNavigator::updateButtons() {
  const store::EngineTable* table = link_.table();
  const bool active = link_.active();
  const bool editing = link_.editing();
  const bool empty = !active || table->isEmpty();
  const bool canGoBack = active && !table->bof();
  const bool canGoOn = active && !table->eof();
  buttons_[First]->setEnabled(canGoBack);
  buttons_[Prior]->setEnabled(canGoBack);
  buttons_[Next]->setEnabled(canGoOn);
  buttons_[Last]->setEnabled(canGoOn);
  buttons_[Insert]->setEnabled(active && !editing);
  buttons_[Delete]->setEnabled(active && !empty);
  buttons_[Edit]->setEnabled(active && !editing && !empty);
  buttons_[Post]->setEnabled(editing);
  buttons_[Cancel]->setEnabled(editing);
}

void DbNavigator::press(Button which) {
  if (buttons_[which]->isEnabled()) buttons_[which]->click();
}

void DbNavigator::run(Button which) {
  store::EngineTable* table = link_.table();
  if (!table) return;
  switch (which) {
    case First: table->first(); break;
    case Prior: table->prior(); break;
    case Next: table->next(); break;
    case Last: table->last(); break;
    case Insert: table->insert(); break;
    case Delete:
      if (!confirmDelete_ || platform::dialogs().confirm(QStringLiteral("Delete record?"))) table->deleteRecord();
      break;
    case Edit: table->edit(); break;
    case Post: table->post(); break;
    case Cancel: table->cancel(); break;
    case ButtonCount: break;
  }
  updateButtons();
}

}  // namespace widgets
