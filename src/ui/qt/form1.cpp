#include "ui/qt/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFontMetrics>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <optional>

#include "client/window_placement.h"
#include "text/utf8.h"
#include "ui/qt/app.h"
#include "ui/qt/report_window.h"
#include "workspace/workspace.h"

namespace webexam::qt {
namespace {

// Shown on the label from the press until the delivery ends.
const QString kBusyText = QStringLiteral("正在上交成绩，请稍候…");

// What the folder label says before the folder.
constexpr std::u16string_view kFolderLead = u"考生文件夹为";

// The folder as the candidate reads it: the home folder written as "~".
std::u16string ReadableFolder(const std::u16string& folder) {
  return HomeWritten(folder, FromQString(QDir::homePath()));
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
    : folder_(ReadableFolder(TheApp().paths.candidate_folder)),
      rich_text_box1_(this),
      command1_(QStringLiteral("上交成绩"), this),
      command2_(QStringLiteral("退出"), this),
      label1_(this),
      grading_(*TheApp().platform, TheApp().paths, TheApp().exam.key, TheApp().state, *this) {
  setWindowTitle(kAppTitle);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setFont(SongFont(9));
  Grow(0);
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

  // The window's width and place and the label's text follow from the
  // folder's width in the label's font and the screen (Place). Where
  // the screen is too narrow for all of it, the whole folder is in the tooltip.
  label1_.setToolTip(ToQString(std::u16string(kFolderLead) + folder_));

  // Creation, in order: the task text, the window on top at its designed
  // place, the task text shown, then the candidate folder.
  grading_.Open();
  rich_text_box1_.setFocus();

  connect(&command1_, &QPushButton::clicked, this,
          [this] { RunGuarded(this, [this] { Command1_Click(); }); });
  connect(&command2_, &QPushButton::clicked, this,
          [this] { RunGuarded(this, [this] { Command2_Click(); }); });
}

void Form1::ShowTaskText(const TaskTextFile& file) {
  ShowRichText(rich_text_box1_, ReadTaskText(*TheApp().platform, file));
}

void Form1::WakeOnWindowThread() {
  QMetaObject::invokeMethod(
      this,
      [this] {
        RunGuarded(this, [this] {
          const SubmitFinished finished = grading_.FinishSubmit();
          std::fputs(finished.log.c_str(), stderr);
          if (!finished.message.empty()) ShowMessage(this, finished.message);
        });
      },
      Qt::QueuedConnection);
}

void Form1::Grow(int growth) {
  const Twips twips(*this);
  twips.Place(label1_, grading_window::kLabel1);
  twips.Place(rich_text_box1_, grading_window::kRichTextBox1);
  twips.Place(command1_, grading_window::kCommand1);
  twips.Place(command2_, grading_window::kCommand2);
  grown_ = growth;
  if (growth == 0) return;
  // The buttons keep their place at the window's right end, the task text its
  // full width, and the label reaches under the buttons.
  const int margin = QFontMetrics(label1_.font()).averageCharWidth();
  label1_.resize(std::max(label1_.width(), command1_.x() - margin + growth), label1_.height());
  command1_.move(command1_.x() + growth, command1_.y());
  command2_.move(command2_.x() + growth, command2_.y());
  rich_text_box1_.resize(rich_text_box1_.width() + growth, rich_text_box1_.height());
}

void Form1::Place() {
  const Twips twips(*this);
  // The frame the window manager drew around the window; none before it is
  // shown, and none at all without a window manager.
  const QRect outer = frameGeometry(), client = geometry();
  const FrameSize frame =
      isVisible() ? FrameSize{client.left() - outer.left(), client.top() - outer.top(),
                              outer.right() - client.right(), outer.bottom() - client.bottom()}
                  : FrameSize{};
  // The label's text, with a character's width to spare, ends a character's
  // width before "上交成绩".
  const QFontMetrics metrics(label1_.font());
  const int room = ToPixels(grading_window::kCommand1, twips.DpiX(), twips.DpiY()).left -
                   2 * metrics.averageCharWidth();
  std::optional<PixelBox> screen;
  if (const QScreen* on = this->screen()) {
    const QRect area = on->availableGeometry();
    screen = PixelBox{area.x(), area.y(), area.width(), area.height()};
  }
  const FolderLabelFit fit = FitFolderLabel(
      twips.DpiX(), twips.DpiY(), frame, screen, kFolderLead, folder_, room,
      [&metrics](std::u16string_view text) { return metrics.horizontalAdvance(ToQString(text)); });
  if (fit.growth != grown_) Grow(fit.growth);
  if (const QString text = ToQString(fit.text); text != folder_text_) {
    folder_text_ = text;
    if (!grading_.Busy()) label1_.setText(folder_text_);
    std::fprintf(stderr, "webexam: folder label: %s\n", ToUtf8(fit.text).c_str());
  }
  const QRect wanted(fit.place.left + frame.left, fit.place.top + frame.top,
                     fit.place.width - frame.left - frame.right,
                     fit.place.height - frame.top - frame.bottom);
  if (isVisible() && wanted == client) return;
  setFixedSize(wanted.size());
  setGeometry(wanted);
}

void Form1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The window manager frames the window after it is mapped; its frame is
  // known a moment later.
  QTimer::singleShot(300, this, [this] { Place(); });
}

void Form1::ShowBusy(bool busy) {
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

void Form1::Command1_Click() {
  const SubmitStarted started = grading_.Submit();
  std::fputs(started.log.c_str(), stderr);
  if (started.report_text) ReportWindow::Open(*started.report_text);
}

void Form1::Command2_Click() {
  if (!grading_.MayClose()) return;
  // One misclick beside "上交成绩" must not destroy work that has not
  // reached the teacher.
  if (grading_.ExitAsks() && !AskYesNo(this, kExitWithoutSubmissionQuestion)) return;
  std::fputs(grading_.Exit().c_str(), stderr);
  EndProgram();
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
