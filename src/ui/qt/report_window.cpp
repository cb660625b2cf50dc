#include "ui/qt/report_window.h"

#include <QPointer>

#include "submission/candidate_report.h"
#include "ui/qt/app.h"

namespace webexam::qt {

ReportWindow::ReportWindow() : text_(this), close_(QStringLiteral("关闭"), this) {
  setWindowTitle(ToQString(kReportName));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(SongFont(9));
  const Twips twips(*this);
  const PixelBox client =
      ClientArea(report_window::kClient, report_window::kControls, twips.DpiX(), twips.DpiY());
  setFixedSize(client.width, client.height);
  twips.Place(text_, report_window::kText);
  twips.Place(close_, report_window::kClose);
  text_.setFont(SongFont(12));
  text_.setReadOnly(true);
  text_.setObjectName(QStringLiteral("ReportText"));
  close_.setFont(SongFont(12));
  close_.setObjectName(QStringLiteral("Close"));
  close_.setFocus();
  move(client.left, client.top);
  connect(&close_, &QPushButton::clicked, this, &QWidget::close);
}

void ReportWindow::Open(std::u16string_view text) {
  static QPointer<ReportWindow> open_window;
  if (open_window.isNull()) open_window = new ReportWindow();
  // The report's lines end with CR LF; the text box breaks lines at LF.
  open_window->text_.setPlainText(ToQString(text).remove(QLatin1Char('\r')));
  open_window->show();
  open_window->raise();
  open_window->activateWindow();
}

}  // namespace webexam::qt
