#include "ui/qt/form1.h"

#include <QCloseEvent>
#include <cstdio>

#include "ui/qt/app.h"
#include "ui/qt/report_window.h"
#include "workspace/submit_pass.h"
#include "workspace/window_placement.h"
#include "workspace/workspace.h"

namespace webexam::qt {

Form1::Form1()
    : rich_text_box1_(this),
      command1_(QStringLiteral("上交成绩"), this),
      command2_(QStringLiteral("退出"), this),
      label1_(QStringLiteral("考生文件夹为") + ToQString(TheApp().paths.candidate_folder), this) {
  App& app = TheApp();
  setWindowTitle(kAppTitle);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setFont(SongFont(9));
  const Twips twips(*this);

  // The label lies beneath the buttons, which cover its right end.
  twips.Place(label1_, grading_window::kLabel1);
  twips.Place(rich_text_box1_, grading_window::kRichTextBox1);
  twips.Place(command1_, grading_window::kCommand1);
  twips.Place(command2_, grading_window::kCommand2);
  label1_.lower();
  label1_.setToolTip(label1_.text());  // the buttons cover the end of a long path
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

  // Creation, in order: the task text, the window on top at its designed
  // place (the client area's: the window manager adds the frame), the task
  // text shown, then the candidate folder.
  PrepareTaskText(*app.platform, app.paths);
  const PixelRect place = GradingWindowPlacement(twips.DpiX(), twips.DpiY(), FrameSize{});
  setGeometry(place.x, place.y, place.cx, place.cy);
  setFixedSize(place.cx, place.cy);
  ShowRichText(rich_text_box1_, LoadTaskText(*app.platform, app.paths));
  PrepareCandidateFolder(*app.platform, app.paths);
  rich_text_box1_.setFocus();

  connect(&command1_, &QPushButton::clicked, this,
          [this] { RunGuarded(this, [this] { Command1_Click(); }); });
  connect(&command2_, &QPushButton::clicked, this,
          [this] { RunGuarded(this, [this] { Command2_Click(); }); });
}

void Form1::Command1_Click() {
  App& app = TheApp();
  submitted_ = true;
  const std::u16string message = SubmitPass(
      *app.platform, app.paths, app.state, [](std::u16string_view text, const PlatformError& why) {
        std::fprintf(
            stderr, "webexam: report viewer: %s; the report is shown in the program's own window\n",
            why.what());
        ReportWindow::Open(text);
      });
  if (!message.empty()) ShowMessage(this, message);
}

void Form1::Command2_Click() {
  App& app = TheApp();
  // One misclick beside "上交成绩" must not destroy work never submitted.
  if (!submitted_ && !AskYesNo(this, kExitWithoutSubmissionQuestion)) return;
  // What another program holds open, or this user may not remove, stays; the
  // rest goes, and the exam ends as usual.
  for (const PlatformError& left : RemoveCandidateFolder(*app.platform, app.paths)) {
    std::fprintf(stderr, "webexam: not removed: %s\n", left.what());
  }
  EndProgram();
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  EndProgram();
}

}  // namespace webexam::qt
