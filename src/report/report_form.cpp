#include "report/report_form.h"

#include <QEventLoop>
#include <QPointer>

#include "platform/clock.h"
#include "report/qt_font_metrics.h"
#include "report/report_preview.h"
#include "store/ansi_text.h"
#include "store/engine_table.h"

namespace report {

namespace {
QPointer<ReportPreview> runningPreview;
}

TReportForm::TReportForm(const QString& caption, bool memo) : caption_(caption) { AddressReport1.memo = memo; }

void TReportForm::prepare(store::EngineTable& reportTable, bool textOutput, bool memoSearch) {
  const codepage::CodePage& page = reportTable.codePage();
  AddressReport1.codePage = page;
  AddressReport1.caption = store::toAnsi(caption_, page);
  AddressReport1.textOutput = textOutput;
  AddressReport1.date = store::toAnsi(reportTable.settings().formatDate(platform::Clock::today()), page);
  AddressReport1.recordCount.reset();
  if (!memoSearch) AddressReport1.recordCount = reportTable.recordCount();
}

EntrySource tableEntries(store::EngineTable& table, int* read) {
  return [&table, read, last = store::Bookmark{}, started = false]() mutable -> std::optional<ReportEntry> {
    if (!table.isActive()) return std::nullopt;
    if (!started) {
      table.first();
      started = true;
    } else {
      if (table.recordNumber() != last.recordNumber) table.gotoBookmark(last);
      table.next();
    }
    if (table.eof()) return std::nullopt;
    last = table.bookmark();
    if (read) ++*read;
    const QByteArray name = table.bytes(QStringLiteral("Name"));
    const QByteArray memo = table.bytes(QStringLiteral("Info"));
    return ReportEntry{name.toStdString(), memo.toStdString()};
  };
}

void RunAddressReport(store::EngineTable& reportTable, bool memo, bool textOutput, const ReportContext& context) {
  TReportForm form(context.caption, memo);
  form.prepare(reportTable, textOutput, context.memoSearch);

  auto read = std::make_shared<int>(0);
  auto layout = std::make_shared<AddressReportLayout>(form.settings(), reportMetrics(form.settings().codePage),
                                                      tableEntries(reportTable, read.get()));
  // The report table's bound controls are held back while a page is laid
  // out, and the table goes back to where its user left it.
  PageProducer producer = [layout, &reportTable]() -> std::optional<Page> {
    store::ControlsDisabled quiet(reportTable);
    const store::Bookmark user = reportTable.isActive() ? reportTable.bookmark() : store::Bookmark{};
    std::optional<Page> page = layout->nextPage();
    if (user.isValid() && reportTable.recordNumber() != user.recordNumber) reportTable.gotoBookmark(user);
    return page;
  };
  const int maximum = form.settings().recordCount ? static_cast<int>(*form.settings().recordCount) : 0;
  const PageSetup setup = layout->pageSetup();
  auto* preview = new ReportPreview(QString::fromLatin1(kReportTitle), setup, std::move(producer),
                                    {[read] { return *read; }, maximum});
  runningPreview = preview;
  QEventLoop loop;
  QObject::connect(preview, &ReportPreview::closed, &loop, &QEventLoop::quit);
  preview->showMaximized();
  loop.exec();
  runningPreview = nullptr;
  delete preview;
}

ReportPreview* openReportPreview() { return runningPreview.data(); }

}  // namespace report
