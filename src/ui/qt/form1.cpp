#include "ui/qt/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFontMetrics>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "layout/window_placement.h"
#include "ui/qt/app.h"
#include "ui/qt/report_window.h"
#include "workspace/workspace.h"

namespace webexam::qt {
namespace {

// Shown on the label from the press until the share step ends.
const QString kBusyText = QStringLiteral("正在上交成绩，请稍候…");

// The folder as the candidate reads it: the home folder written as "~".
QString ReadableFolder(const std::u16string& folder) {
  return ToQString(HomeWritten(folder, FromQString(QDir::homePath())));
}

// Whether `event` is input from the keyboard or the mouse.
bool IsInput(const QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

}  // namespace

Form1::Form1()
    : folder_text_(QStringLiteral("考生文件夹为") +
                   ReadableFolder(TheApp().paths.candidate_folder)),
      rich_text_box1_(this),
      command1_(QStringLiteral("上交成绩"), this),
      command2_(QStringLiteral("退出"), this),
      label1_(folder_text_, this),
      grading_(*TheApp().platform, TheApp().paths, TheApp().state, Hooks()) {
  setWindowTitle(kAppTitle);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setFont(SongFont(9));
  const Twips twips(*this);

  twips.Place(label1_, grading_window::kLabel1);
  twips.Place(rich_text_box1_, grading_window::kRichTextBox1);
  twips.Place(command1_, grading_window::kCommand1);
  twips.Place(command2_, grading_window::kCommand2);
  label1_.lower();
  label1_.setFont(SongFont(12));
  QPalette red = label1_.palette();
  red.setColor(QPalette::WindowText, QColor(255, 0, 0));
  label1_.setPalette(red);
  command1_.setFont(SongFont(12));
  command2_.setFont(SongFont(12));
  rich_text_box1_.setFont(SongFont(9));
  rich_text_box1_.setReadOnly(true);
  rich_text_box1_.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  QPalette yellow = rich_text_box1_.palette();
  yellow.setColor(QPalette::Base, QColor(255, 255, 192));
  rich_text_box1_.setPalette(yellow);
  rich_text_box1_.setObjectName(QStringLiteral("RichTextBox1"));
  command1_.setObjectName(QStringLiteral("Command1"));
  command2_.setObjectName(QStringLiteral("Command2"));
  setTabOrder(&rich_text_box1_, &command1_);
  setTabOrder(&command1_, &command2_);

  // The whole folder is shown: where it reaches under the buttons, the
  // window grows to the right by as much, the buttons keep their place at
  // its right end and the task text its full width. Never past the screen.
  const QFontMetrics metrics(label1_.font());
  const int label_width = metrics.horizontalAdvance(folder_text_) + metrics.averageCharWidth();
  const int buttons_left = command1_.x() - metrics.averageCharWidth();
  if (label_width > buttons_left) {
    grown_ = label_width - buttons_left;
    if (const QScreen* screen = this->screen()) {
      const PixelRect place = GradingWindowPlacement(twips.DpiX(), twips.DpiY(), FrameSize{});
      const int room = screen->geometry().right() + 1 - (place.x + place.cx);
      grown_ = std::max(0, std::min(grown_, room));
    }
    label1_.resize(std::max(label1_.width(), buttons_left + grown_), label1_.height());
    command1_.move(command1_.x() + grown_, command1_.y());
    command2_.move(command2_.x() + grown_, command2_.y());
    rich_text_box1_.resize(rich_text_box1_.width() + grown_, rich_text_box1_.height());
  }
  // Where the screen stops the growth, the end of the path is in the tooltip.
  label1_.setToolTip(label1_.text());

  // Creation, in order: the task text, the window on top at its designed
  // place, the task text shown, then the candidate folder.
  grading_.Open();
  rich_text_box1_.setFocus();

  connect(&command1_, &QPushButton::clicked, this,
          [this] { RunGuarded(this, [this] { Command1_Click(); }); });
  connect(&command2_, &QPushButton::clicked, this,
          [this] { RunGuarded(this, [this] { Command2_Click(); }); });
}

GradingWindowHooks Form1::Hooks() {
  return {
      .place_window = [this] { PlaceWindow(); },
      .show_task_text =
          [this](const TaskTextFile& file) {
            ShowRichText(rich_text_box1_, ReadTaskText(*TheApp().platform, file));
          },
      .show_busy = [this](bool busy) { SetBusy(busy); },
      .show_report_text =
          [](std::u16string_view text, const PlatformError& why) {
            std::fprintf(stderr,
                         "webexam: report viewer: %s; the report is shown in the program's own "
                         "window\n",
                         why.what());
            ReportWindow::Open(text);
          },
      // Back on this thread, where the outcome is shown; an error takes the
      // fatal path.
      .wake_window =
          [this] {
            QMetaObject::invokeMethod(
                this, [this] { RunGuarded(this, [this] { grading_.FinishSubmit(); }); },
                Qt::QueuedConnection);
          },
      .show_message = [this](std::u16string_view message) { ShowMessage(this, message); },
      .log_note = LogNote,
      .ask_yes_no = [this](std::u16string_view question) { return AskYesNo(this, question); },
      .report_not_removed =
          [](const PlatformError& left) {
            std::fprintf(stderr, "webexam: not removed: %s\n", left.what());
          },
  };
}

void Form1::PlaceWindow() {
  const Twips twips(*this);
  // The frame the window manager drew around the window; none before it is
  // shown, and none at all without a window manager.
  const QRect outer = frameGeometry(), client = geometry();
  const FrameSize frame =
      isVisible() ? FrameSize{client.left() - outer.left(), client.top() - outer.top(),
                              outer.right() - client.right(), outer.bottom() - client.bottom()}
                  : FrameSize{};
  const PixelRect place = GradingWindowPlacement(twips.DpiX(), twips.DpiY(), frame);
  const QRect wanted(place.x + frame.left, place.y + frame.top,
                     place.cx - frame.left - frame.right + grown_,
                     place.cy - frame.top - frame.bottom);
  if (isVisible() && wanted == client) return;
  setFixedSize(wanted.size());
  setGeometry(wanted);
}

void Form1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The window manager frames the window after it is mapped; its frame is
  // known a moment later.
  QTimer::singleShot(300, this, [this] { PlaceWindow(); });
}

void Form1::SetBusy(bool busy) {
  if (busy) {
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    label1_.setText(kBusyText);
    label1_.repaint();
    std::fprintf(stderr, "webexam: busy\n");
  } else {
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    label1_.setText(folder_text_);
    std::fprintf(stderr, "webexam: ready\n");
  }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (grading_.Busy() && IsInput(event) && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::Command1_Click() { grading_.Submit(); }

void Form1::Command2_Click() {
  if (grading_.Exit()) EndProgram();
}

void Form1::closeEvent(QCloseEvent* event) {
  if (!grading_.MayClose()) {
    event->ignore();
    return;
  }
  event->accept();
  EndProgram();
}

}  // namespace webexam::qt
