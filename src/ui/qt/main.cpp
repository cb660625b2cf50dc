// webexam: the exam client for Linux desktops. Opens the sign-in window; a
// valid sign-in opens the grading window in its place.
#include <QApplication>
#include <cstdio>

#include "exam/exam_folder_files.h"
#include "submission/results_share.h"
#include "ui/qt/app.h"
#include "ui/qt/form2.h"
#include "ui/qt/widgets.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setApplicationDisplayName(QString());
  // The program decides itself when it ends: between the sign-in window
  // closing and the grading window opening, no window is shown.
  application.setQuitOnLastWindowClosed(false);
  // Every window and message box writes in the Song face. Set before any
  // window is made, so that no widget first lays its text out in the
  // desktop's font, which would be loaded only to be dropped.
  QApplication::setFont(webexam::qt::SongFont(9));

  const bool started = webexam::qt::RunGuarded(nullptr, [&] {
    auto platform = webexam::MakePlatform();
    const webexam::ExamFolder exam_folder = webexam::FindExamFolder(*platform);
    webexam::Exam exam = webexam::LoadSealedExam(*platform, exam_folder.path);
    webexam::ExamPaths paths = webexam::ExamPathsOf(*platform, exam_folder, exam.candidate_folder);
    // The exam still runs on such a share; the room's teacher reads why not to.
    if (const std::u16string problem = webexam::ShareLockingProblem(*platform, paths);
        !problem.empty()) {
      std::fprintf(stderr, "webexam: warning: %s\n",
                   webexam::qt::ToQString(problem).toUtf8().constData());
    }
    // Drive C: always exists on a Windows PC; its stand-in folder is made here.
    const std::u16string root = platform->DriveRoot();
    if (platform->ListPath(root, webexam::Listing::kFilesAndFolders).empty()) {
      platform->MakeFolder(root);
    }
    webexam::qt::SetApp(std::make_unique<webexam::qt::App>(webexam::qt::App{
        std::move(platform), std::move(exam), std::move(paths), webexam::ProcessExamState()}));
    (new webexam::qt::Form2())->show();
  });
  return started ? application.exec() : 1;
}
