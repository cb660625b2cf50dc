#include "exam/exam_folder_files.h"

#include "exam/exam_file.h"
#include "exam/sealed_exam.h"
#include "text/characters.h"

namespace webexam {
namespace {

std::u16string InFolder(Platform& platform, const std::u16string& folder,
                        std::u16string_view name) {
  return folder + platform.PathSeparator() + std::u16string(name);
}

std::string ExamBytes(Platform& platform, const std::u16string& path) {
  const std::u16string shown = ShownName(path);
  switch (platform.PresenceOf(path)) {
    case Platform::Presence::kAbsent:
      throw ExamFileError(shown, 0, u"找不到这个文件");
    case Platform::Presence::kFolder:
      throw ExamFileError(shown, 0, u"这是个文件夹，不是文件");
    case Platform::Presence::kFile:
    case Platform::Presence::kUnknown:
      break;
  }
  std::string bytes = platform.ReadHead(path, kExamFileLimit + 1, Platform::IfMissing::kFail);
  if (bytes.size() > kExamFileLimit) throw ExamFileError(shown, 0, u"太大了，不像考题文件");
  return bytes;
}

}  // namespace

Exam ReadExamFile(Platform& platform, const std::u16string& path) {
  const std::string bytes = ExamBytes(platform, path);
  if (IsSealedExam(bytes)) return UnsealExam(platform, bytes, ShownName(path));
  return ParseExamFile(platform, bytes, ShownName(path));
}

Exam LoadSealedExam(Platform& platform, const std::u16string& exam_folder) {
  const std::u16string path = InFolder(platform, exam_folder, kSealedExamName);
  // A teacher who copied the editable exam has only to seal it.
  if (platform.PresenceOf(path) == Platform::Presence::kAbsent &&
      platform.PresenceOf(InFolder(platform, exam_folder, kExamFileName)) ==
          Platform::Presence::kFile) {
    throw ExamFileError(ShownName(path), 0,
                        u"找不到这个文件：考题文件夹里只有没封存的 exam.txt，请在教师机上用 "
                        u"webexam-exam seal 封存后，把封存的一份放到考生机上");
  }
  return UnsealExam(platform, ExamBytes(platform, path), ShownName(path));
}

Exam LoadExam(Platform& platform, const std::u16string& exam_folder, std::u16string* file_read) {
  std::u16string path = InFolder(platform, exam_folder, kExamFileName);
  if (platform.PresenceOf(path) == Platform::Presence::kAbsent) {
    path = InFolder(platform, exam_folder, kSealedExamName);
  }
  if (file_read) *file_read = path;
  return ReadExamFile(platform, path);
}

}  // namespace webexam
