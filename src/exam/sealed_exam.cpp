#include "exam/sealed_exam.h"

#include <array>
#include <cstdint>

#include "exam/exam_file.h"
#include "text/sha256.h"

namespace webexam {
namespace {

// The first line of every sealed file: it names what the file is, and which
// way of sealing made it.
constexpr std::string_view kSealedHead = "webexam sealed exam 1\n";

// The seal's key. It is no secret from whoever reads this program's code; it
// keeps the probe texts out of sight of someone looking at the file.
constexpr std::array<std::uint8_t, 32> kSealKey = {
    0x5b, 0x0e, 0xd1, 0x93, 0x27, 0xa4, 0x6c, 0xf8, 0x31, 0x8e, 0xc2, 0x47, 0x15, 0xbd, 0x70, 0x09,
    0xe6, 0x52, 0x9a, 0x3f, 0x84, 0xcb, 0x1d, 0x66, 0xaf, 0x03, 0x78, 0xde, 0x4a, 0x91, 0x2c, 0xb5};

// The check that the body is the one sealed: the first bytes of its SHA-256,
// which also make each exam's key stream its own.
constexpr std::size_t kCheckLength = 16;

std::string Check(std::string_view text) {
  const std::array<std::uint8_t, 32> digest = [&] {
    Sha256 hash;
    hash.Add(text);
    return hash.Finish();
  }();
  return std::string(digest.begin(), digest.begin() + kCheckLength);
}

// XORs `bytes` with the key stream of `check`: SHA-256 of the seal's key, the
// check and a block counter, block after block.
void Cipher(std::string& bytes, std::string_view check) {
  const std::string key(kSealKey.begin(), kSealKey.end());
  for (std::size_t at = 0, block = 0; at < bytes.size(); ++block) {
    Sha256 hash;
    hash.Add(key);
    hash.Add(check);
    std::string counter(8, '\0');
    for (int i = 0; i < 8; ++i) counter[i] = static_cast<char>((block >> (8 * i)) & 0xff);
    hash.Add(counter);
    for (std::uint8_t k : hash.Finish()) {
      if (at == bytes.size()) break;
      bytes[at++] ^= static_cast<char>(k);
    }
  }
}

}  // namespace

std::string SealExam(const Exam& exam) {
  std::string body = ExamFileText(exam);
  const std::string check = Check(body);
  Cipher(body, check);
  return std::string(kSealedHead) + check + body;
}

bool IsSealedExam(std::string_view bytes) { return bytes.starts_with(kSealedHead); }

Exam UnsealExam(Platform& platform, std::string_view bytes, const std::u16string& file) {
  if (!IsSealedExam(bytes) || bytes.size() < kSealedHead.size() + kCheckLength) {
    throw ExamFileError(file, 0, u"不是封存的考题文件：请用 webexam-exam seal 重新封存");
  }
  bytes.remove_prefix(kSealedHead.size());
  const std::string check(bytes.substr(0, kCheckLength));
  std::string body(bytes.substr(kCheckLength));
  Cipher(body, check);
  if (Check(body) != check) {
    throw ExamFileError(file, 0, u"封存后被改动过或已损坏：请用 webexam-exam seal 重新封存");
  }
  return ParseExamFile(platform, body, file);
}

}  // namespace webexam
