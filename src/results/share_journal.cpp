#include "results/share_journal.h"

#include <algorithm>
#include <ctime>
#include <set>

#include "results/kept_pages.h"
#include "state/exam_paths.h"
#include "submission/results_share.h"
#include "text/characters.h"
#include "text/sha256.h"
#include "text/utf8.h"

namespace webexam {
namespace {

constexpr std::string_view kMagic = "# webexam-results journal 1";

// How soon after a page was caught part written it may be seen grown, in
// milliseconds: the live view looks every few seconds.
constexpr std::int64_t kStillWritten = 10'000;

// The header of a new journal: what the file is and how to read it.
constexpr std::string_view kHeader =
    "# webexam-results journal 1\n"
    "# 成绩共享文件夹的日志：webexam-results 每次查看共享文件夹，都把新见到的东西\n"
    "# 连同第一次见到的时间添在这里，从不改动前面的记录；下次查看时与它相比，\n"
    "# 说出哪些成绩行、页面、记号文件被改过、删掉了，或比同一台计算机的其他东西晚到。\n"
    "# 每行一条记录，字段用 TAB 分开：毫秒时间（自 1970-01-01 UTC）、本地时间、种类、\n"
    "# 种类的字段，最后一个字段是一个点“.”。没有以点结尾的行（写到一半断了电）不算。\n"
    "#   share 共享文件夹          这本日志记的是哪个共享文件夹\n"
    "#   look                      查看了一次共享文件夹\n"
    "#   size 字节数               cjwyzz.txt 的大小\n"
    "#   lines 行数                cjwyzz.txt 只有前这么多行仍与记下的相同\n"
    "#   line 行号 字节 谁的        这一行的字节（十六进制，连同行尾）和它是谁的成绩\n"
    "#   marker 名字 / marker-gone 名字          出现 / 不见了的记号文件\n"
    "#   page 名字 字节数 SHA-256 / page-gone 名字  pages 里出现或变了 / 不见了的页面\n"
    "#   finding 行号 文字          发现的问题（行号 0：不关某一行）\n"
    "# 名字和文字里的 %、TAB、换行等控制字符写成 %XX（UTF-8 字节的十六进制）。\n";

std::string Escaped(std::u16string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char byte : ToUtf8(text)) {
    const auto c = static_cast<unsigned char>(byte);
    if (c < 0x20 || c == 0x7F || c == '%') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += byte;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::u16string Unescaped(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      bytes += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      bytes += text[i];
    }
  }
  return FromUtf8(bytes);
}

std::string ToHex(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (const char byte : bytes) {
    hex += kHex[static_cast<unsigned char>(byte) >> 4];
    hex += kHex[static_cast<unsigned char>(byte) & 15];
  }
  return hex;
}

std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

std::optional<std::uint64_t> Number(std::string_view text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != text.npos) {
    return std::nullopt;
  }
  return std::stoull(std::string(text));
}

std::vector<std::string_view> Split(std::string_view text, char at) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(at, start);
    parts.push_back(text.substr(start, end == text.npos ? text.npos : end - start));
    if (end == text.npos) return parts;
    start = end + 1;
  }
}

std::u16string PagePath(const std::u16string& name) {
  return std::u16string(kKeptPagesFolderName) + u"/" + ShownName(name);
}

// The exam number, PC (lower case) and sequence a kept page's name was built
// from (see KeptPageName); an exam number holds no '-'.
struct PageParts {
  std::u16string exam_number, pc;
  int sequence = 1;
};
std::optional<PageParts> PartsOfPage(std::u16string_view name) {
  if (name.size() < 4 || !EqualIgnoringAsciiCase(name.substr(name.size() - 4), u".htm")) {
    return std::nullopt;
  }
  name.remove_suffix(4);
  PageParts parts;
  if (name.ends_with(u')')) {
    const std::size_t open = name.rfind(u'(');
    const std::u16string_view digits = name.substr(open + 1, name.size() - open - 2);
    if (open != name.npos && !digits.empty() && digits.size() <= 3 &&
        std::all_of(digits.begin(), digits.end(),
                    [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
      parts.sequence = std::stoi(ToUtf8(digits));
      name = name.substr(0, open);
    }
  }
  const std::size_t dash = name.find(u'-');
  if (dash == name.npos) return std::nullopt;
  parts.exam_number = name.substr(0, dash);
  parts.pc = AsciiLower(name.substr(dash + 1));
  return parts;
}

// The complete lines of the log, each with its line end; a last line still
// being written is left for a later look.
std::vector<std::string> CompleteLines(std::string_view log) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < log.size();) {
    const std::size_t end = log.find('\n', start);
    if (end == log.npos) break;
    lines.emplace_back(log.substr(start, end + 1 - start));
    start = end + 1;
  }
  return lines;
}

// Which lines of `a` and `b` stay the same, as pairs of indexes in order:
// a longest common subsequence. Past a size that no exam room reaches,
// nothing is paired.
std::vector<std::pair<std::size_t, std::size_t>> Unchanged(const std::vector<std::string>& a,
                                                           const std::vector<std::string>& b) {
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  if (a.empty() || b.empty() || a.size() * b.size() > 4'000'000) return pairs;
  const std::size_t w = b.size() + 1;
  std::vector<std::uint32_t> longest((a.size() + 1) * w, 0);
  for (std::size_t i = a.size(); i-- > 0;) {
    for (std::size_t j = b.size(); j-- > 0;) {
      longest[i * w + j] = a[i] == b[j]
                               ? longest[(i + 1) * w + j + 1] + 1
                               : std::max(longest[(i + 1) * w + j], longest[i * w + j + 1]);
    }
  }
  for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
    if (a[i] == b[j]) {
      pairs.emplace_back(i++, j++);
    } else if (longest[(i + 1) * w + j] >= longest[i * w + j + 1]) {
      ++i;
    } else {
      ++j;
    }
  }
  return pairs;
}

}  // namespace

JournalTime JournalTime::Now() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  char text[32] = "";
  if (const std::tm* local = std::localtime(&seconds)) {
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
  }
  return {std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count(),
          FromUtf8(text)};
}

ShareJournal::ShareJournal(std::u16string share, GbkDecoder decode_gbk)
    : share_(std::move(share)), decode_gbk_(std::move(decode_gbk)) {}

std::u16string ShareJournal::Load(std::string_view bytes) {
  if (bytes.empty()) return {};
  const std::size_t first_end = bytes.find('\n');
  std::string_view first = bytes.substr(0, first_end);
  if (first.ends_with('\r')) first.remove_suffix(1);
  if (first != kMagic) return u"不是 webexam-results 的日志，不会写进去；请另给一个文件名";
  has_header_ = true;
  ends_torn_ = !bytes.ends_with('\n');
  std::vector<std::string_view> records = Split(bytes, '\n');
  records.pop_back();  // empty, or a record cut off by a crash
  for (std::string_view record : records) {
    if (record.ends_with('\r')) record.remove_suffix(1);
    if (!record.empty() && record[0] != '#') Apply(record);
  }
  if (recorded_share_ && *recorded_share_ != share_) {
    return u"记的是共享文件夹 " + *recorded_share_ + u"，不是 " + share_ +
           u" 的，不会写进去；请另给一个文件名";
  }
  return {};
}

// Takes in one record, as read back or as just made: a record that is not
// whole (it lacks its closing ".") or not understood is passed over.
void ShareJournal::Apply(std::string_view record) {
  const std::vector<std::string_view> f = Split(record, '\t');
  if (f.size() < 4 || f.back() != ".") return;
  const std::optional<std::uint64_t> ms = Number(f[0]);
  if (!ms) return;
  const JournalTime at{static_cast<std::int64_t>(*ms), Unescaped(f[1])};
  const std::string_view kind = f[2];
  const std::size_t n = f.size() - 4;  // fields of the kind
  if (kind == "share" && n == 1) {
    recorded_share_ = Unescaped(f[3]);
  } else if (kind == "look" && n == 0) {
    look_before_ = last_look_;
    last_look_ = at;
    if (looks_++ == 0) first_look_ = at;
  } else if (kind == "size" && n == 1) {
    if (const auto size = Number(f[3])) {
      log_size_ = *size;
      log_size_at_ = at;
    }
  } else if (kind == "lines" && n == 1) {
    if (const auto count = Number(f[3]); count && *count < lines_.size()) lines_.resize(*count);
  } else if (kind == "line" && n == 3) {
    const std::optional<std::uint64_t> number = Number(f[3]);
    const std::optional<std::string> bytes = FromHex(f[4]);
    if (!number || !bytes || *number == 0 || *number > lines_.size() + 1) return;
    lines_.resize(*number - 1);
    const std::string key = KeyOf(*bytes);
    lines_.push_back({*bytes, key});
    if (!line_seen_.contains(key)) {
      line_seen_.emplace(key, Seen{at, PcOf(*bytes)});
      arrivals_.push_back({at, u"第 " + Digits(*number) + u" 行" + Describe(*bytes)});
    }
  } else if ((kind == "marker" || kind == "marker-gone") && n == 1) {
    const std::u16string name = Unescaped(f[3]), lower = AsciiLower(name);
    if (kind == "marker-gone") {
      markers_.erase(lower);
      return;
    }
    markers_[lower] = name;
    if (!marker_seen_.contains(lower)) {
      marker_seen_.emplace(lower, Seen{at, lower});
      arrivals_.push_back({at, u"计算机 " + ShownName(name) + u" 的记号文件"});
    }
  } else if (kind == "page" && n == 3) {
    const std::u16string name = Unescaped(f[3]);
    const std::optional<std::uint64_t> size = Number(f[4]);
    if (!size) return;
    const auto old = pages_.find(name);
    const bool growing = old == pages_.end() || (old->second.growing && *size > old->second.size);
    pages_[name] = {name, *size, std::string(f[5]), at.ms, growing};
    if (!page_seen_.contains(name)) {
      const std::optional<PageParts> parts = PartsOfPage(name);
      page_seen_.emplace(name, Seen{at, parts ? parts->pc : u""});
      arrivals_.push_back({at, u"页面 " + PagePath(name)});
    }
  } else if (kind == "page-gone" && n == 1) {
    pages_.erase(Unescaped(f[3]));
  } else if (kind == "finding" && n == 2) {
    if (const auto line = Number(f[3])) findings_.push_back({*line, Unescaped(f[4])});
  }
}

std::string ShareJournal::Record(const JournalTime& now, const std::vector<std::string>& fields) {
  std::string record = std::to_string(now.ms) + "\t" + Escaped(now.local);
  for (const std::string& field : fields) record += "\t" + field;
  return record + "\t.\n";
}

void ShareJournal::Emit(std::string& out, const JournalTime& now,
                        const std::vector<std::string>& fields) {
  const std::string record = Record(now, fields);
  out += record;
  Apply(std::string_view(record).substr(0, record.size() - 1));
}

void ShareJournal::Find(std::string& out, const JournalTime& now, std::size_t line,
                        const std::u16string& text) {
  Emit(out, now, {"finding", std::to_string(line), Escaped(text)});
}

// Lines with equal bytes (a PC that submitted the same marks again after a
// reboot) are told apart by how many came before.
std::string ShareJournal::KeyOf(const std::string& bytes) const {
  const auto equal = std::count_if(lines_.begin(), lines_.end(),
                                   [&](const Line& line) { return line.bytes == bytes; });
  return std::to_string(equal) + ":" + bytes;
}

ShareLogRecord ShareJournal::Decode(const std::string& bytes) const {
  ShareLogContent content = ReadShareLog(bytes, decode_gbk_);
  if (!content.records.empty()) return content.records.front();
  if (!content.malformed.empty()) {
    ShareLogRecord record = content.malformed.front();
    record.correct_count = -1;
    return record;
  }
  ShareLogRecord nobody;
  nobody.correct_count = -1;
  return nobody;
}

// "（120722001 张三，计算机 JF01，答对 6 题）", as far as the line says.
std::u16string ShareJournal::Describe(const std::string& bytes) const {
  const ShareLogRecord record = Decode(bytes);
  const std::u16string who = ExamNumberAndName(record);
  std::vector<std::u16string> parts;
  if (!who.empty()) parts.push_back(who);
  if (!record.computer_name.empty()) parts.push_back(u"计算机 " + ShownName(record.computer_name));
  if (record.correct_count >= 0) parts.push_back(u"答对 " + Digits(record.correct_count) + u" 题");
  if (parts.empty()) return u"（看不出是谁的）";
  std::u16string text = u"（";
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i > 0 ? u"，" : u"") + parts[i];
  return text + u"）";
}

std::u16string ShareJournal::PcOf(const std::string& bytes) const {
  return AsciiLower(Decode(bytes).computer_name);
}

// The line whose page `name` is, numbered from 1: the lines of one exam
// number on one PC take that pair's pages in order.
std::optional<std::size_t> ShareJournal::LineOfPage(const std::u16string& name) const {
  const std::optional<PageParts> parts = PartsOfPage(name);
  if (!parts) return std::nullopt;
  int sequence = 0;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const ShareLogRecord record = Decode(lines_[i].bytes);
    if (record.exam_number == parts->exam_number && AsciiLower(record.computer_name) == parts->pc &&
        ++sequence == parts->sequence) {
      return i + 1;
    }
  }
  return std::nullopt;
}

// When the first thing of the PC `pc` (lower case) was seen.
std::optional<JournalTime> ShareJournal::FirstOfPc(const std::u16string& pc) const {
  if (pc.empty()) return std::nullopt;
  std::optional<JournalTime> first;
  auto consider = [&](const Seen& seen) {
    if (seen.pc == pc && (!first || seen.at.ms < first->ms)) first = seen.at;
  };
  for (const auto& [key, seen] : line_seen_) consider(seen);
  for (const auto& [key, seen] : marker_seen_) consider(seen);
  for (const auto& [key, seen] : page_seen_) consider(seen);
  return first;
}

// Late only when the last look that did not see it was already more than
// the grace period after `reference`: however far apart the looks are, a
// page that followed its line by a moment is never late.
std::u16string ShareJournal::Late(const JournalTime& now,
                                  const std::optional<JournalTime>& reference,
                                  const std::u16string& reference_is) const {
  if (!look_before_ || !reference) return {};
  if (look_before_->ms - reference->ms <= std::chrono::milliseconds(kJournalGrace).count()) {
    return {};
  }
  return u"在 " + now.local + u" 才见到（" + look_before_->local + u" 查看时还没有），而" +
         reference_is + u"在 " + reference->local + u" 就已见到，相隔超过 " +
         Digits(std::chrono::duration_cast<std::chrono::minutes>(kJournalGrace).count()) + u" 分钟";
}

void ShareJournal::CompareLines(std::string& out, const std::vector<std::string>& lines,
                                std::uint64_t log_size, const JournalTime& now) {
  std::vector<std::string> old;
  for (const Line& line : lines_) old.push_back(line.bytes);
  const bool shrunk = log_size_ && log_size < *log_size_;
  if (shrunk) {
    Find(out, now, 0,
         u"cjwyzz.txt 变小了：日志 " + log_size_at_.local + u" 记下它有 " + Digits(*log_size_) +
             u" 字节，" + now.local + u" 查看时只有 " + Digits(log_size) +
             u" 字节，有成绩行被删掉或改短了");
  }
  std::set<std::size_t> named;  // lines already found changed or put in
  std::size_t same = 0;
  while (same < old.size() && same < lines.size() && old[same] == lines[same]) ++same;
  if (same < old.size()) {
    if (!shrunk) {
      Find(out, now, same + 1,
           u"第 " + Digits(same + 1) + u" 行起，cjwyzz.txt 原有末尾之前的内容被改写过：与日志 " +
               log_size_at_.local + u" 记下的 " + Digits(log_size_ ? *log_size_ : 0) +
               u" 字节不同（" + now.local + u" 查看时发现）");
    }
    const std::vector<std::string> before(old.begin() + same, old.end()),
        after(lines.begin() + same, lines.end());
    auto pairs = Unchanged(before, after);
    pairs.emplace_back(before.size(), after.size());  // the end closes the last gap
    // Between two unchanged lines, old and new lines pair up as changed
    // ones; an old line left over was removed, a new one put in. New lines
    // after the last unchanged one are arrivals.
    std::size_t i = 0, j = 0;
    for (std::size_t p = 0; p < pairs.size(); ++p) {
      const auto [next_i, next_j] = pairs[p];
      const bool last_gap = p + 1 == pairs.size();
      while (i < next_i || (j < next_j && !last_gap)) {
        const std::size_t old_number = same + i + 1, new_number = same + j + 1;
        if (i < next_i) {
          const std::u16string first_seen = line_seen_.at(lines_.at(same + i).key).at.local;
          if (j < next_j) {
            named.insert(new_number);
            Find(out, now, new_number,
                 u"第 " + Digits(new_number) + u" 行被改过：原来是" + Describe(before[i]) +
                     u"，日志 " + first_seen + u" 首次记下；" + now.local + u" 查看时已成了" +
                     Describe(after[j]));
            ++j;
          } else {
            Find(out, now, old_number,
                 u"原第 " + Digits(old_number) + u" 行" + Describe(before[i]) + u"不见了：日志 " +
                     first_seen + u" 首次记下它，" + now.local + u" 查看时已没有");
          }
          ++i;
        } else {
          named.insert(new_number);
          Find(out, now, new_number,
               u"第 " + Digits(new_number) + u" 行" + Describe(after[j]) +
                   u"插在原有的行之间，不是接在文件末尾交来的（" + now.local + u" 查看时发现）");
          ++j;
        }
      }
      i = next_i + 1;
      j = next_j + 1;
    }
    Emit(out, now, {"lines", std::to_string(same)});
  }
  for (std::size_t k = lines_.size(); k < lines.size(); ++k) {
    const std::string& bytes = lines[k];
    if (!line_seen_.contains(KeyOf(bytes)) && !named.contains(k + 1)) {
      const std::u16string pc = PcOf(bytes);
      const std::u16string late =
          Late(now, FirstOfPc(pc),
               u"计算机 " + ShownName(Decode(bytes).computer_name) + u" 最早交来的东西");
      if (!late.empty()) {
        Find(out, now, k + 1,
             u"第 " + Digits(k + 1) + u" 行" + Describe(bytes) + u"：" + late +
                 u"。可能是这台计算机装有还原卡，重启后又交了一次；也可能是有人后来伪造了"
                 u"这台计算机的成绩行，请核对");
      }
    }
    Emit(out, now, {"line", std::to_string(k + 1), ToHex(bytes), Escaped(Describe(bytes))});
  }
  if (!log_size_ || *log_size_ != log_size) Emit(out, now, {"size", std::to_string(log_size)});
}

void ShareJournal::CompareMarkers(std::string& out, const std::vector<std::u16string>& markers,
                                  const JournalTime& now) {
  std::map<std::u16string, std::u16string> current;
  for (const std::u16string& name : markers) {
    if (IsNoSubmission(name)) continue;
    current.emplace(AsciiLower(name), name);
  }
  auto line_of_pc = [this](const std::u16string& pc) -> std::size_t {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (PcOf(lines_[i].bytes) == pc) return i + 1;
    }
    return 0;
  };
  for (const auto& [lower, name] : std::map(markers_)) {
    if (current.contains(lower)) continue;
    Find(out, now, line_of_pc(lower),
         u"计算机 " + ShownName(name) + u" 的记号文件不见了：日志 " +
             marker_seen_.at(lower).at.local + u" 首次记下它，" + now.local + u" 查看时已没有");
    Emit(out, now, {"marker-gone", Escaped(name)});
  }
  for (const auto& [lower, name] : current) {
    if (markers_.contains(lower)) continue;
    if (!marker_seen_.contains(lower)) {
      const std::u16string late =
          Late(now, FirstOfPc(lower), u"计算机 " + ShownName(name) + u" 最早交来的东西");
      if (!late.empty()) {
        Find(out, now, line_of_pc(lower),
             u"计算机 " + ShownName(name) + u" 的记号文件" + late +
                 u"。记号文件总在成绩行之后几秒内交来，晚到的可能是有人后放进去的");
      }
    }
    Emit(out, now, {"marker", Escaped(name)});
  }
}

void ShareJournal::ComparePages(std::string& out, const ShareLook& look, const JournalTime& now) {
  std::map<std::u16string, const SharePage*> current;
  for (const SharePage& page : *look.pages) current.emplace(page.name, &page);
  auto whose = [this](const std::u16string& name) -> std::pair<std::size_t, std::u16string> {
    const std::optional<std::size_t> line = LineOfPage(name);
    if (!line) {
      // A line no longer in the log may still say whose the page was.
      const std::optional<PageParts> parts = PartsOfPage(name);
      for (const auto& [key, seen] : line_seen_) {
        const std::string bytes = key.substr(key.find(':') + 1);
        const ShareLogRecord record = Decode(bytes);
        if (parts && record.exam_number == parts->exam_number && seen.pc == parts->pc) {
          const std::u16string who = Describe(bytes);
          return {0, u"（" + who.substr(1, who.size() - 2) + u"的）"};
        }
      }
      return {0, u""};
    }
    return {*line, u"（第 " + Digits(*line) + u" 行" + Describe(lines_[*line - 1].bytes) + u"的）"};
  };
  for (const auto& [name, page] : std::map(pages_)) {
    if (current.contains(name)) continue;
    const auto [line, who] = whose(name);
    Find(out, now, line,
         u"页面 " + PagePath(name) + who + u"不见了：日志 " + page_seen_.at(name).at.local +
             u" 首次记下它（" + Digits(page.size) + u" 字节），" + now.local + u" 查看时已没有");
    Emit(out, now, {"page-gone", Escaped(name)});
  }
  auto as_recorded = [this](const std::u16string& name, const std::string& hash,
                            std::uint64_t size) {
    const auto old = pages_.find(name);
    return old != pages_.end() && old->second.size == size && old->second.hash == hash;
  };
  std::vector<std::u16string> unsettled;
  for (const auto& [name, listed] : current) {
    if (!as_recorded(name, Sha256Hex(listed->bytes), listed->bytes.size())) {
      unsettled.push_back(name);
    }
  }
  std::map<std::u16string, std::optional<std::string>> settled;
  if (look.settle && !unsettled.empty()) settled = look.settle(unsettled);
  for (const std::u16string& name : unsettled) {
    std::string bytes = current.at(name)->bytes;
    if (look.settle) {
      const auto found = settled.find(name);
      if (found == settled.end() || !found->second) continue;
      bytes = *found->second;
    }
    const std::string hash = Sha256Hex(bytes);
    const auto old = pages_.find(name);
    const std::uint64_t size = bytes.size();
    const std::vector<std::string> record = {"page", Escaped(name), std::to_string(size), hash};
    if (old != pages_.end()) {
      const Page& was = old->second;
      if (was.size == size && was.hash == hash) continue;
      // A page is written after its file is made: a look may catch it part
      // written, though its bytes held still for a moment. Such a page only
      // grows, from look to look seconds apart, from its first sight on.
      const bool still_written = was.growing && look_before_ &&
                                 was.recorded_ms == look_before_->ms &&
                                 now.ms - was.recorded_ms <= kStillWritten && size > was.size &&
                                 Sha256Hex(std::string_view(bytes).substr(0, was.size)) == was.hash;
      if (!still_written) {
        const auto [line, who] = whose(name);
        Find(out, now, line,
             u"页面 " + PagePath(name) + who + u"被改过：日志记下的是 " + Digits(was.size) +
                 u" 字节（" + page_seen_.at(name).at.local + u" 首次见到），" + now.local +
                 u" 查看时是 " + Digits(size) + u" 字节" +
                 (was.size == size ? u"，内容不同" : u""));
      }
      Emit(out, now, record);
      continue;
    }
    if (!page_seen_.contains(name)) {
      const auto [line, who] = whose(name);
      std::u16string late;
      if (line > 0) {
        late = Late(now, line_seen_.at(lines_[line - 1].key).at, u"它的成绩行");
      } else if (const std::optional<PageParts> parts = PartsOfPage(name)) {
        late =
            Late(now, FirstOfPc(parts->pc), u"计算机 " + ShownName(parts->pc) + u" 最早交来的东西");
      }
      if (!late.empty()) {
        Find(out, now, line,
             u"页面 " + PagePath(name) + who + late +
                 u"。页面总在它的成绩行之后几秒内交来，晚到的页面可能是有人后放进去的");
      }
    }
    Emit(out, now, record);
  }
}

std::string ShareJournal::Look(const ShareLook& look, const JournalTime& now) {
  std::string out;
  if (!has_header_) {
    out += kHeader;
    has_header_ = true;
    Emit(out, now, {"share", Escaped(share_)});
  } else if (ends_torn_) {
    out += "\n";  // the cut-off record stays a line of its own
    ends_torn_ = false;
  }
  Emit(out, now, {"look"});
  CompareLines(out, CompleteLines(look.log), look.log.size(), now);
  CompareMarkers(out, look.markers, now);
  if (look.pages) ComparePages(out, look, now);
  return out;
}

void AddJournalFindings(ResultsSummary& summary, const ShareJournal& journal) {
  for (const JournalFinding& finding : journal.Findings()) {
    summary.anomalies.push_back({finding.line, finding.text});
  }
  std::stable_sort(summary.anomalies.begin(), summary.anomalies.end(),
                   [](const Anomaly& a, const Anomaly& b) {
                     return (a.line == 0 ? SIZE_MAX : a.line) < (b.line == 0 ? SIZE_MAX : b.line);
                   });
}

std::u16string JournalText(const ShareJournal& journal, const std::u16string& file) {
  constexpr std::size_t kShown = 10;
  std::u16string out = u"\n日志 " + file + u"：自 " + journal.FirstLook().local + u" 起查看 " +
                       Digits(journal.Looks()) + u" 次，发现的问题 " +
                       Digits(journal.Findings().size()) + u" 条（已列在异常里）\n";
  const std::vector<JournalArrival>& arrivals = journal.Arrivals();
  out += u"最近出现的（日志第一次见到的时间）：\n";
  if (arrivals.empty()) out += u"  （还没有）\n";
  for (std::size_t k = 0; k < arrivals.size() && k < kShown; ++k) {
    const JournalArrival& arrival = arrivals[arrivals.size() - 1 - k];
    const bool before = arrival.seen.ms == journal.FirstLook().ms;
    out += u"  " + arrival.seen.local + (before ? u"（第一次查看时已有）" : u"") + u"  " +
           arrival.what + u"\n";
  }
  return out;
}

}  // namespace webexam
