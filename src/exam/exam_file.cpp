#include "exam/exam_file.h"

#include <array>
#include <charconv>
#include <optional>
#include <vector>

#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {

namespace {

std::u16string ErrorMessage(const std::u16string& file, int line, const std::u16string& problem) {
  std::u16string message = u"考题文件 " + file;
  if (line > 0) message += u" 第 " + Digits(line) + u" 行";
  return message + u"：" + problem;
}

}  // namespace

ExamFileError::ExamFileError(const std::u16string& file, int line, const std::u16string& problem)
    : std::runtime_error(ToUtf8(ErrorMessage(file, line, problem))),
      line_(line),
      problem_(problem),
      message_(ErrorMessage(file, line, problem)) {}

namespace {

// The field names, as the file writes them.
constexpr std::u16string_view kTitle = u"标题";
constexpr std::u16string_view kRangeText = u"登录提示";
constexpr std::u16string_view kBadNumberMessage = u"考号出错提示";
constexpr std::u16string_view kNumberStart = u"考号开头";
constexpr std::u16string_view kLeastNumber = u"最小考号";
constexpr std::u16string_view kCandidateFolder = u"考生文件夹";
constexpr std::u16string_view kProbeText = u"文字";

constexpr std::size_t kLongestText = 200;    // a title, a window's or a message's text
constexpr std::size_t kLongestProbe = 1000;  // a probe text: pages are searched in 32000 bytes

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; }

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsAsciiDigits(std::u16string_view text) {
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

// The line holding `text[at]`, 1-based.
int LineAt(std::u16string_view text, std::size_t at) {
  int line = 1;
  for (std::size_t i = 0; i < at && i < text.size(); ++i) line += text[i] == u'\n';
  return line;
}

// The first byte that is no strict UTF-8, or npos.
std::size_t FirstNonUtf8(std::string_view bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (!NextUtf8(bytes, at)) return at;
  }
  return std::string_view::npos;
}

int LineOfByte(std::string_view bytes, std::size_t at) {
  int line = 1;
  for (std::size_t i = 0; i < at; ++i) line += bytes[i] == '\n';
  return line;
}

// The file's text, decided by its bytes: UTF-8 (a byte-order mark allowed)
// when they are UTF-8 throughout, else GBK when they are GBK throughout.
std::u16string DecodedText(Platform& platform, std::string_view bytes, const std::u16string& file) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    throw ExamFileError(file, 0,
                        u"是 UTF-16（“Unicode”）编码，读不了：请在记事本里“另存为”，编码选 UTF-8");
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    bytes.remove_prefix(3);
    if (const std::size_t bad = FirstNonUtf8(bytes); bad != std::string_view::npos) {
      throw ExamFileError(
          file, LineOfByte(bytes, bad),
          u"文件标明是 UTF-8，这一行却有不是 UTF-8 的字节：请在记事本里“另存为”，编码选 "
          u"UTF-8");
    }
    return FromUtf8(bytes);
  }
  if (FirstNonUtf8(bytes) == std::string_view::npos) return FromUtf8(bytes);
  std::u16string text = platform.DecodeGbk(bytes);
  // GBK has no U+FFFD: one in the decoded text stands for bytes that are no
  // character.
  if (const std::size_t bad = text.find(u'\uFFFD'); bad != std::u16string::npos) {
    throw ExamFileError(
        file, LineAt(text, bad),
        u"既不是 UTF-8 也不是 GBK 编码，这一行有认不出的字节：请在记事本里“另存为”，"
        u"编码选 UTF-8");
  }
  return text;
}

// One "name: value" line.
struct Entry {
  std::u16string_view name;
  std::u16string value;
};

std::optional<Entry> EntryOf(std::u16string_view line) {
  const std::size_t colon = line.find_first_of(u":：");
  if (colon == std::u16string_view::npos) return std::nullopt;
  Entry entry{Trimmed(line.substr(0, colon)), std::u16string(Trimmed(line.substr(colon + 1)))};
  if (entry.value.size() >= 2 && entry.value.front() == u'"' && entry.value.back() == u'"') {
    entry.value = entry.value.substr(1, entry.value.size() - 2);
  }
  return entry;
}

// The item number of a name "第N题" (blanks allowed around N), or nothing.
std::optional<int> ItemNumberOf(std::u16string_view name) {
  if (!name.starts_with(u"第") || !name.ends_with(u"题")) return std::nullopt;
  const std::u16string_view digits = Trimmed(name.substr(1, name.size() - 2));
  if (digits.empty() || digits.size() > 4 || !IsAsciiDigits(digits)) return std::nullopt;
  int number = 0;
  for (char16_t c : digits) number = number * 10 + (c - u'0');
  return number;
}

class Parser {
 public:
  Parser(Platform& platform, const std::u16string& file) : platform_(platform), file_(file) {}

  Exam Parse(std::u16string_view text) {
    int line_number = 0;
    while (!text.empty()) {
      ++line_number;
      const std::size_t end = text.find(u'\n');
      std::u16string_view line = text.substr(0, end);
      text = end == std::u16string_view::npos ? std::u16string_view() : text.substr(end + 1);
      if (line.ends_with(u'\r')) line.remove_suffix(1);
      line_ = line_number;
      Line(Trimmed(line));
    }
    return Finish();
  }

 private:
  [[noreturn]] void Fail(const std::u16string& problem) const {
    throw ExamFileError(file_, line_, problem);
  }

  void Line(std::u16string_view line) {
    if (line.empty() || line.front() == u'#') return;
    const std::optional<Entry> entry = EntryOf(line);
    if (!entry) Fail(u"这一行没有冒号：每行应写成“名称：内容”");
    if (HasControlCharacter(entry->value)) Fail(u"内容里有控制字符（如 Tab）");
    if (const std::optional<int> number = ItemNumberOf(entry->name))
      return Item(*number, entry->value);
    if (entry->name == kProbeText) return ProbeText(entry->value);
    for (Field& field : fields_) {
      if (entry->name != field.name) continue;
      if (field.line != 0) {
        Fail(u"“" + std::u16string(field.name) + u"”写了两次，第 " + Digits(field.line) +
             u" 行已经有了");
      }
      field.line = line_;
      field.value = entry->value;
      return Check(field);
    }
    Fail(u"不认识的名称“" + std::u16string(entry->name) +
         u"”：可以写的有标题、登录提示、考号出错提示、"
         u"考号开头、最小考号、考生文件夹、第N题、文字");
  }

  void Item(int number, const std::u16string& rule) {
    EndItem();
    const int expected = static_cast<int>(exam_.key.size()) + 1;
    if (number != expected) Fail(u"题号应是 " + Digits(expected) + u"：题目从第1题起依次编号");
    if (number > kMostItems) Fail(u"题目太多：一套题最多 " + Digits(kMostItems) + u" 道");
    AnswerItem item;
    if (rule == kAllFoundRule) {
      item.rule = PassRule::kAllFound;
    } else if (rule == kNotFoundRule) {
      item.rule = PassRule::kNotFound;
    } else {
      Fail(u"不认识的规则“" + rule + u"”：只能是“" + std::u16string(kAllFoundRule) + u"”或“" +
           std::u16string(kNotFoundRule) + u"”");
    }
    exam_.key.push_back(std::move(item));
    item_line_ = line_;
  }

  void ProbeText(const std::u16string& text) {
    if (exam_.key.empty()) Fail(u"“文字”要写在某道题（如“第1题：都要有”）的下面");
    if (text.empty()) Fail(u"文字是空的：空文字在哪个页面里都找得到");
    if (text.size() > kLongestProbe) {
      Fail(u"文字太长：最多 " + Digits(kLongestProbe) + u" 个字");
    }
    // The page is read as GBK: a character GBK has not is in no page.
    if (!platform_.CanEncodeGbk(text)) Fail(u"文字里有 GBK 没有的字，考生的页面里永远找不到它");
    exam_.key.back().probe_texts.push_back(text);
  }

  void EndItem() {
    if (!exam_.key.empty() && exam_.key.back().probe_texts.empty()) {
      throw ExamFileError(
          file_, item_line_,
          u"第" + Digits(exam_.key.size()) + u"题下面没有“文字”：每道题至少要有一段");
    }
  }

  struct Field {
    std::u16string_view name;
    std::u16string value;
    int line = 0;
  };

  void Check(const Field& field) {
    if (field.name == kNumberStart) {
      if (!IsAsciiDigits(field.value) || field.value.size() > 15) {
        Fail(u"考号开头只能是数字（可以空着），最多 15 位");
      }
      return;
    }
    if (field.name == kLeastNumber) {
      if (field.value.empty() || field.value.size() > 15 || !IsAsciiDigits(field.value)) {
        Fail(u"最小考号要写 1 到 15 位数字");
      }
      return;
    }
    if (field.name == kCandidateFolder) {
      if (!IsSafeCandidateFolderName(field.value)) {
        Fail(
            u"考生文件夹的名字只能是 1 到 32 个英文字母和数字，也不能是系统要用的文件夹（如 "
            u"Windows、Users）：考生机交卷前会把这个文件夹整个删掉");
      }
      return;
    }
    if (field.value.empty()) Fail(u"“" + std::u16string(field.name) + u"”不能是空的");
    if (field.value.size() > kLongestText) {
      Fail(u"“" + std::u16string(field.name) + u"”太长：最多 " + Digits(kLongestText) + u" 个字");
    }
  }

  Exam Finish() {
    EndItem();
    line_ = 0;
    for (const Field& field : fields_) {
      if (field.line == 0) Fail(u"缺少“" + std::u16string(field.name) + u"”这一行");
    }
    if (exam_.key.empty()) Fail(u"一道题也没有：至少要有“第1题”");
    exam_.title = fields_[0].value;
    exam_.range_text = fields_[1].value;
    exam_.bad_number_message = fields_[2].value;
    exam_.number_start = fields_[3].value;
    const std::string least(fields_[4].value.begin(), fields_[4].value.end());
    std::from_chars(least.data(), least.data() + least.size(), exam_.least_number);
    exam_.candidate_folder = fields_[5].value;
    return std::move(exam_);
  }

  Platform& platform_;
  const std::u16string& file_;
  int line_ = 0;
  int item_line_ = 0;
  std::array<Field, 6> fields_{{{kTitle, {}, 0},
                                {kRangeText, {}, 0},
                                {kBadNumberMessage, {}, 0},
                                {kNumberStart, {}, 0},
                                {kLeastNumber, {}, 0},
                                {kCandidateFolder, {}, 0}}};
  Exam exam_;
};

std::u16string Quoted(std::u16string_view value) {
  const bool needs = value.empty() || IsBlank(value.front()) || IsBlank(value.back()) ||
                     (value.size() >= 2 && value.front() == u'"' && value.back() == u'"');
  return needs ? u"\"" + std::u16string(value) + u"\"" : std::u16string(value);
}

}  // namespace

Exam ParseExamFile(Platform& platform, std::string_view bytes, const std::u16string& file) {
  return Parser(platform, file).Parse(DecodedText(platform, bytes, file));
}

std::string ExamFileText(const Exam& exam) {
  std::u16string text;
  auto line = [&](std::u16string_view name, std::u16string_view value) {
    text += std::u16string(name) + u"：" + Quoted(value) + u"\r\n";
  };
  line(kTitle, exam.title);
  line(kRangeText, exam.range_text);
  line(kBadNumberMessage, exam.bad_number_message);
  line(kNumberStart, exam.number_start);
  char least[32];
  const auto written =
      std::to_chars(least, least + sizeof least, exam.least_number, std::chars_format::fixed, 0);
  line(kLeastNumber, std::u16string(least, written.ptr));
  line(kCandidateFolder, exam.candidate_folder);
  int number = 0;
  for (const AnswerItem& item : exam.key) {
    text += u"\r\n";
    std::u16string name = u"第";
    name += Digits(++number);
    name += u"题";
    line(name, item.rule == PassRule::kAllFound ? kAllFoundRule : kNotFoundRule);
    for (const std::u16string& probe : item.probe_texts) line(kProbeText, probe);
  }
  return ToUtf8(text);
}

bool IsSafeCandidateFolderName(std::u16string_view name) {
  if (name.empty() || name.size() > 32) return false;
  std::string upper;
  for (char16_t c : name) {
    const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    if (!letter && !(c >= u'0' && c <= u'9')) return false;
    upper += static_cast<char>(c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c);
  }
  // Device names, the folders Windows keeps at the top of drive C: (and
  // "windows", which also holds this program's marker), and the program's
  // own folder name.
  static constexpr std::array<std::string_view, 22> kReserved = {
      "CON",         "PRN",      "AUX",      "NUL",  "CONIN",    "CONOUT",    "WINDOWS", "USERS",
      "PROGRAMDATA", "PERFLOGS", "RECOVERY", "BOOT", "SYSTEM32", "DOCUMENTS", "INTEL",   "INETPUB",
      "DRIVERS",     "ONEDRIVE", "TEMP",     "TMP",  "WEBEXAM",  "EFI"};
  for (std::string_view reserved : kReserved) {
    if (upper == reserved) return false;
  }
  // COM1 to COM9 and LPT1 to LPT9 are devices too.
  if (upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
      upper[3] >= '0' && upper[3] <= '9') {
    return false;
  }
  return true;
}

}  // namespace webexam
