// Every dialog and the main window keep their texts whole: no label, button,
// radio or check box text is wider or taller than the room its control
// gives it, no two labels draw over each other, and fixed multi-line texts
// are not broken again. CTest runs this at 1x, 1.5x and 2x scale, each in a
// process of its own (QT_SCALE_FACTOR).

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTimer>
#include <functional>

#include <gtest/gtest.h>

#include "app/index_repair.h"
#include "app/startup.h"
#include "app/sync_offer.h"
#include "maint/folder_dialog.h"
#include "maint/maintenance_texts.h"
#include "platform/qt/qt_dialogs.h"
#include "report/rec_range.h"
#include "report/report_form.h"
#include "report/report_preview.h"
#include "report/report_writer_command.h"
#include "search/info_window.h"
#include "window_fixture.h"

namespace {

using app_testing::WindowFixture;

QString shownText(const QString& text) {
  QString shown = text;
  shown.replace(QLatin1String("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&'));
  return shown.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// The room a button leaves its text (beside the indicator or the icon).
QRect textRoom(QAbstractButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  QStyle* style = button->style();
  if (qobject_cast<QCheckBox*>(button)) return style->subElementRect(QStyle::SE_CheckBoxContents, &option, button);
  if (qobject_cast<QRadioButton*>(button))
    return style->subElementRect(QStyle::SE_RadioButtonContents, &option, button);
  QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
  if (!button->icon().isNull()) room.setLeft(room.left() + button->iconSize().width() + 4);
  return room;
}

// Every clipped, overlapping or re-broken text below `top`, one line each.
QStringList illegibleTexts(QWidget* top) {
  QApplication::sendPostedEvents();  // pending layouts
  QStringList faults;
  auto fault = [&](QWidget* w, const QString& text, const char* what) {
    faults << QStringLiteral("%1 \"%2\": %3").arg(w->objectName(), text, QLatin1String(what));
  };
  QList<QPair<QLabel*, QRect>> drawn;  // label text extents, in their parents' coordinates
  QList<QWidget*> widgets = top->findChildren<QWidget*>();
  widgets.prepend(top);
  for (QWidget* w : widgets) {
    if (!w->isVisible()) continue;
    const QFontMetrics metrics = w->fontMetrics();
    if (auto* label = qobject_cast<QLabel*>(w)) {
      const QString text = label->buddy() ? shownText(label->text()) : label->text();
      if (text.isEmpty() || label->textFormat() == Qt::RichText || Qt::mightBeRichText(text)) continue;
      const int margin = label->margin();
      const QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
      const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
      const QRect need = metrics.boundingRect(room, flags, text);
      if (!room.contains(need)) fault(w, text, "does not fit its label");
      if (label->wordWrap())
        for (const QString& line : text.split(QLatin1Char('\n')))
          if (metrics.horizontalAdvance(line) > room.width()) fault(w, line, "line broken again");
      QString inked = text;  // trailing blanks draw nothing
      while (inked.endsWith(QLatin1Char(' '))) inked.chop(1);
      drawn.append({label, metrics.boundingRect(room, flags, inked).translated(label->pos())});
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      const QString text = shownText(button->text());
      const bool pictureOnly = !qobject_cast<QPushButton*>(w) && !qobject_cast<QCheckBox*>(w) &&
                               !qobject_cast<QRadioButton*>(w);  // tool buttons
      if (text.isEmpty() || pictureOnly) continue;
      const QRect room = textRoom(button);
      if (metrics.horizontalAdvance(text) > room.width() || metrics.height() > room.height())
        fault(w, text, "does not fit its button");
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w); memo && memo->isReadOnly()) {
      // A fixed explanation: every line on a line of its own, all in view.
      const QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
      const int inset = 2 * static_cast<int>(memo->document()->documentMargin());
      for (const QString& line : lines)
        if (metrics.horizontalAdvance(line.trimmed()) > memo->viewport()->width() - inset)
          fault(w, line, "line broken");
      if (metrics.lineSpacing() * lines.size() > memo->viewport()->height() - inset)
        fault(w, lines.first(), "lines out of view");
    }
  }
  for (int i = 0; i < drawn.size(); ++i)
    for (int j = i + 1; j < drawn.size(); ++j)
      if (drawn[i].first->parentWidget() == drawn[j].first->parentWidget() &&
          drawn[i].second.intersects(drawn[j].second))
        fault(drawn[j].first, drawn[j].first->text(), "drawn over another label");
  return faults;
}

void expectLegible(QWidget* top) {
  ASSERT_NE(top, nullptr);
  const QStringList faults = illegibleTexts(top);
  EXPECT_TRUE(faults.isEmpty()) << top->objectName().toStdString() << " at " << top->devicePixelRatioF() << "x:\n"
                                << faults.join(QLatin1Char('\n')).toStdString();
}

// Checks the modal dialog `open` shows, then lets `close` end it.
void checkModal(const std::function<void()>& open, const std::function<void(QDialog*)>& close) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    seen = true;
    expectLegible(dialog);
    close(dialog);
  });
  open();
  EXPECT_TRUE(seen);
}

void reject(QDialog* dialog) { dialog->reject(); }

struct Window : WindowFixture {
  Window() {
    work.createAddressTable();
    work.appendEntry("Abernathy-Worthington, Bartholomew", "Phone: 555-0100\nmail bart@example.org");
    work.appendEntry("Smith", "");
    start();
  }
};

using Opening = std::function<void(Window&)>;

const std::map<std::string, Opening>& openings() {
  static const std::map<std::string, Opening> all{
      {"MainWindow", [](Window& w) { expectLegible(w.window.get()); }},
      {"RecordChoice", [](Window& w) { checkModal([&] { w.window->buttonRW->click(); }, reject); }},
      {"ReportPreview",
       [](Window& w) {
         bool seen = false;
         checkModal([&] { w.window->buttonRW->click(); },
                    [&](QDialog* choice) {
                      QTimer::singleShot(0, [&] {  // the preview runs until it is closed
                        report::ReportPreview* preview = report::openReportPreview();
                        seen = preview;
                        expectLegible(preview);
                        if (preview) preview->close();
                      });
                      static_cast<report::TRecRange*>(choice)->BitBtn1->click();
                    });
         EXPECT_TRUE(seen);
       }},
      {"InformationAndFind",
       [](Window& w) {
         checkModal([&] { w.window->InfoSpeed->click(); },
                    [](QDialog* d) {
                      auto* info = static_cast<search::TInfo*>(d);
                      info->ButtonFind->click();
                      expectLegible(info->FindDialog1);
                      info->FindDialog1->reject();
                      info->CloseButton->click();
                    });
       }},
      {"SearchPrompt", [](Window& w) { checkModal([&] { w.window->FindSpeed->click(); }, reject); }},
      {"ChooserNothingFound",
       [](Window& w) { checkModal([&] { w.chooser->ShowChooser(0, book::ItemKind::Phone); }, reject); }},
      {"ChooserList",
       [](Window& w) {
         w.chooser->clearItems();
         for (const char* item : {"bart@example.org", "bartholomew.abernathy@example.org"})
           w.chooser->addItem(QString::fromLatin1(item));
         checkModal([&] { w.chooser->ShowChooser(2, book::ItemKind::Email); }, reject);
       }},
      {"FolderDialog",
       [](Window& w) {
         maint::FolderDialog dialog(w.work.path(), w.window.get());
         dialog.show();
         expectLegible(&dialog);
       }},
      {"MessageBoxes",
       [](Window&) {
         platform::qt::QtDialogs boxes;
         for (const QString& text :
              {maint::kFilteredRefusal, maint::kArchiveQuestion, maint::archiveSuccessText("/home/ann/KTdata.zip"),
               maint::copyOntoOwnTableText(), app::kIndexRepairQuestion, app::tooManyParametersMessage(),
               QString::fromLatin1(report::kPreviewOpenMessage)})
           checkModal([&] { boxes.askYesNo(text); }, reject);
       }},
      {"SyncQuestions",
       [](Window&) {
         platform::qt::QtDialogs boxes;
         const QString server = QStringLiteral("https://dav.example.org/ann/addressbook/");
         checkModal([&] { boxes.askYesNo(app::syncQuestion(server)); }, reject);
         checkModal([&] { boxes.askText("Synchronize", "User name for " + server + ':', {}); }, reject);
       }},
  };
  return all;
}

class Legibility : public testing::TestWithParam<std::string> {};

TEST_P(Legibility, EveryTextFitsItsControl) {
  Window w;
  openings().at(GetParam())(w);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, Legibility, testing::ValuesIn([] {
                           std::vector<std::string> names;
                           for (const auto& [name, open] : openings()) names.push_back(name);
                           return names;
                         }()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
