#include "task_text/rich_text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <unordered_map>
#include <utility>

namespace webexam {
namespace {

// Groups nested deeper than this are skipped with everything in them. Real
// documents nest a few dozen levels; the bound keeps the state stack small
// whatever the file holds.
constexpr std::size_t kMaxDepth = 1000;
// Every run carries its font's name, so names are cut to keep the output
// proportional to the input however many runs a long name is used in.
constexpr std::size_t kMaxFontName = 64;
// A control word has at most 32 letters and its parameter at most 10 digits;
// longer ones are read through but match nothing or keep their first digits.
constexpr std::size_t kMaxWordLength = 32;
constexpr std::size_t kMaxDigits = 10;
constexpr int kDefaultHalfPoints = 24;
constexpr int kMaxHalfPoints = 3276;  // 1638 pt, the largest size word processors offer
constexpr int kMaxUnicodeSkip = 255;
constexpr char16_t kReplacement = u'\uFFFD';

// Where the text of a group goes.
enum class Destination : std::uint8_t { kText, kSkip, kFontTable, kColorTable };

// The properties East Asian text takes from \ab, \ai, \afs and \af given after
// \dbch; those not given fall back to the ordinary ones.
struct AsianProperties {
  std::optional<bool> bold;
  std::optional<bool> italic;
  std::optional<int> half_points;
  std::optional<int> font;
};

// What a group sets and its closing brace restores.
struct GroupState {
  Destination destination = Destination::kText;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int half_points = kDefaultHalfPoints;
  int font = -1;              // \fN; -1 is the document's default font (\deffN)
  int color = 0;              // \cfN, an index into the colour table; 0 is the viewer's colour
  int unicode_skip = 1;       // \ucN: fallback characters that follow each \uN
  bool double_byte = false;   // the text is East Asian (after \dbch, until \loch or \hich)
  bool asian_target = false;  // \ab, \ai, \afs and \af apply to East Asian text
  AsianProperties asian;
};

struct Font {
  std::u16string name;
  bool gbk = false;     // \fcharset134 (GB2312) or \cpg936
  bool symbol = false;  // \fcharset2: bytes are glyph positions, not a code page
};

enum class Word : std::uint8_t {
  kCharacter,  // stands for one character: \par, \tab, \emdash...
  kPlain,
  kBold,
  kItalic,
  kUnderline,
  kUnderlineNone,
  kFontSize,
  kColor,
  kFont,
  kAsianBold,
  kAsianItalic,
  kAsianFontSize,
  kAsianFont,
  kSingleByte,  // \loch, \hich
  kDoubleByte,  // \dbch
  kDirection,   // \rtlch, \ltrch
  kCodePage,
  kDefaultFont,
  kUnicode,
  kUnicodeSkip,
  kBinary,
  kFontTable,
  kColorTable,
  kCharset,
  kFontCodePage,
  kRed,
  kGreen,
  kBlue,
  kSkipDestination,  // a group whose content is not text: \info, \pict, \header...
};

// Groups that hold no text of the document: properties, tables that are not
// read here, pictures, page furniture and field instructions.
constexpr std::string_view kSkippedDestinations =
    "aftncn aftnsep aftnsepc annotation atnauthor atndate atnicn atnid atnparent atnref "
    "atrfend atrfstart author bkmkend bkmkstart buptim colorschememapping comment company "
    "creatim datastore doccomm docvar falt fchars filetbl fldinst footer footerf footerl "
    "footerr footnote ftncn ftnsep ftnsepc generator header headerf headerl headerr info "
    "keywords latentstyles lchars listoverridetable listtable mmathPr nonshppict object "
    "operator panose passwordhash pgdsctbl pict pn printim private protusertbl revtbl revtim "
    "rsidtbl stylesheet subject tc template themedata title txe userprops wgrffmtfilter xe "
    "xmlnstbl";

struct WordInfo {
  Word word;
  char16_t character = 0;  // for Word::kCharacter
};

const WordInfo* FindWord(std::string_view name) {
  static const std::unordered_map<std::string_view, WordInfo> kWords = [] {
    std::unordered_map<std::string_view, WordInfo> words = {
        {"par", {Word::kCharacter, u'\n'}},
        {"line", {Word::kCharacter, u'\u2028'}},
        {"tab", {Word::kCharacter, u'\t'}},
        {"cell", {Word::kCharacter, u'\t'}},
        {"nestcell", {Word::kCharacter, u'\t'}},
        {"row", {Word::kCharacter, u'\n'}},
        {"emdash", {Word::kCharacter, u'\u2014'}},
        {"endash", {Word::kCharacter, u'\u2013'}},
        {"emspace", {Word::kCharacter, u'\u2003'}},
        {"enspace", {Word::kCharacter, u'\u2002'}},
        {"qmspace", {Word::kCharacter, u'\u2005'}},
        {"bullet", {Word::kCharacter, u'\u2022'}},
        {"lquote", {Word::kCharacter, u'\u2018'}},
        {"rquote", {Word::kCharacter, u'\u2019'}},
        {"ldblquote", {Word::kCharacter, u'\u201C'}},
        {"rdblquote", {Word::kCharacter, u'\u201D'}},
        {"plain", {Word::kPlain}},
        {"b", {Word::kBold}},
        {"i", {Word::kItalic}},
        {"ulnone", {Word::kUnderlineNone}},
        {"fs", {Word::kFontSize}},
        {"cf", {Word::kColor}},
        {"f", {Word::kFont}},
        {"ab", {Word::kAsianBold}},
        {"ai", {Word::kAsianItalic}},
        {"afs", {Word::kAsianFontSize}},
        {"af", {Word::kAsianFont}},
        {"loch", {Word::kSingleByte}},
        {"hich", {Word::kSingleByte}},
        {"dbch", {Word::kDoubleByte}},
        {"rtlch", {Word::kDirection}},
        {"ltrch", {Word::kDirection}},
        {"ansicpg", {Word::kCodePage}},
        {"deff", {Word::kDefaultFont}},
        {"u", {Word::kUnicode}},
        {"uc", {Word::kUnicodeSkip}},
        {"bin", {Word::kBinary}},
        {"fonttbl", {Word::kFontTable}},
        {"colortbl", {Word::kColorTable}},
        {"fcharset", {Word::kCharset}},
        {"cpg", {Word::kFontCodePage}},
        {"red", {Word::kRed}},
        {"green", {Word::kGreen}},
        {"blue", {Word::kBlue}},
    };
    // Every underline style shows as an underline.
    for (std::string_view ul : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave",
                                "ulldash", "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd",
                                "ulthldash", "ululdbwave", "ulw", "ulwave"}) {
      words.emplace(ul, WordInfo{Word::kUnderline});
    }
    for (std::size_t start = 0; start < kSkippedDestinations.size();) {
      const std::size_t end =
          std::min(kSkippedDestinations.find(' ', start), kSkippedDestinations.size());
      words.emplace(kSkippedDestinations.substr(start, end - start),
                    WordInfo{Word::kSkipDestination});
      start = end + 1;
    }
    return words;
  }();
  const auto found = kWords.find(name);
  return found == kWords.end() ? nullptr : &found->second;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// GB2312, GBK and GB18030: all read with the GBK decoder.
bool IsGbkCodePage(int code_page) {
  return code_page == 936 || code_page == 20936 || code_page == 54936;
}

// Windows-1252: Latin-1 with printable characters in 0x80-0x9F.
std::u16string DecodeWindows1252(std::string_view bytes) {
  static constexpr std::array<char16_t, 32> kHigh = {
      u'\u20AC', kReplacement, u'\u201A',    u'\u0192', u'\u201E', u'\u2026', u'\u2020',
      u'\u2021', u'\u02C6',    u'\u2030',    u'\u0160', u'\u2039', u'\u0152', kReplacement,
      u'\u017D', kReplacement, kReplacement, u'\u2018', u'\u2019', u'\u201C', u'\u201D',
      u'\u2022', u'\u2013',    u'\u2014',    u'\u02DC', u'\u2122', u'\u0161', u'\u203A',
      u'\u0153', kReplacement, u'\u017E',    u'\u0178'};
  std::u16string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text.push_back(byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : char16_t{byte});
  }
  return text;
}

// A symbol font's high bytes go where Windows puts them, U+F000 up, which
// that font draws; its bullet, the one list bullets use, becomes U+2022 so
// that it shows in any font.
std::u16string DecodeSymbol(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0xB7) {
      text.push_back(u'\u2022');
    } else {
      text.push_back(byte < 0x80 ? char16_t{byte} : static_cast<char16_t>(0xF000 + byte));
    }
  }
  return text;
}

void TrimSpaces(std::u16string& text) {
  const auto first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos) {
    text.clear();
    return;
  }
  text.erase(text.find_last_not_of(u' ') + 1);
  text.erase(0, first);
}

// One pass over the document. Text bytes are gathered until something other
// than a text byte comes, then decoded together: a GBK character is two
// bytes, often written as two \'hh escapes in a row.
class RtfReader {
 public:
  RtfReader(std::string_view input, const AnsiDecoder& decode_gbk)
      : input_(input), decode_gbk_(decode_gbk), stack_(1) {}

  RichText Read() {
    while (pos_ < input_.size()) {
      const char c = input_[pos_++];
      switch (c) {
        case '{':
          OpenGroup();
          break;
        case '}':
          CloseGroup();
          break;
        case '\\':
          ReadControl();
          break;
        case '\r':
        case '\n':
          break;  // line ends in the file are not text
        default:
          ReadCharacter(c);
          break;
      }
    }
    Flush();
    return std::move(text_);
  }

 private:
  GroupState& State() { return stack_.back(); }
  const GroupState& State() const { return stack_.back(); }

  void OpenGroup() {
    Flush();
    fallback_left_ = 0;
    if (overflow_ > 0 || stack_.size() > kMaxDepth) {
      ++overflow_;
      return;
    }
    stack_.push_back(stack_.back());
  }

  void CloseGroup() {
    Flush();
    fallback_left_ = 0;
    if (overflow_ > 0) {
      --overflow_;
      return;
    }
    if (stack_.size() == 1) return;  // closes nothing
    if (State().destination == Destination::kFontTable) EndFontName();
    stack_.pop_back();
  }

  void ReadCharacter(char c) {
    if (overflow_ > 0 || SkipFallback()) return;
    const Destination destination = State().destination;
    if (c == ';' &&
        (destination == Destination::kFontTable || destination == Destination::kColorTable)) {
      Flush();
      if (destination == Destination::kFontTable) {
        EndFontName();
      } else {
        EndColor();
      }
      return;
    }
    AddByte(c);
  }

  void ReadControl() {
    if (pos_ >= input_.size()) return;
    const char c = input_[pos_];
    if (IsLetter(c)) {
      ReadWord();
      return;
    }
    ++pos_;
    switch (c) {
      case '\'':
        ReadHexByte();
        return;
      case '\\':
      case '{':
      case '}':
        // Kept as a byte: a raw GBK trail byte can be one of these.
        if (overflow_ == 0 && !SkipFallback()) AddByte(c);
        return;
      case '~':
        ControlSymbol(u'\u00A0');
        return;
      case '_':
        ControlSymbol(u'\u2011');
        return;
      case '\r':
      case '\n':
        ControlSymbol(u'\n');  // a backslash before a line end is a paragraph end
        return;
      case '*':
        Flush();
        fallback_left_ = 0;
        if (overflow_ == 0) State().destination = Destination::kSkip;
        return;
      default:
        return;  // \- (optional hyphen) and symbols with no text
    }
  }

  void ControlSymbol(char16_t character) {
    if (overflow_ > 0 || SkipFallback()) return;
    Flush();
    Emit(std::u16string_view(&character, 1));
  }

  void ReadHexByte() {
    int value = 0;
    int digits = 0;
    while (digits < 2 && pos_ < input_.size()) {
      const int digit = HexValue(input_[pos_]);
      if (digit < 0) break;
      value = value * 16 + digit;
      ++digits;
      ++pos_;
    }
    if (digits == 0 || overflow_ > 0 || SkipFallback()) return;
    AddByte(static_cast<char>(value));
  }

  void ReadWord() {
    const std::size_t start = pos_;
    while (pos_ < input_.size() && IsLetter(input_[pos_])) ++pos_;
    const std::string_view name =
        pos_ - start <= kMaxWordLength ? input_.substr(start, pos_ - start) : std::string_view();

    bool negative = false;
    if (pos_ + 1 < input_.size() && input_[pos_] == '-' && IsDigit(input_[pos_ + 1])) {
      negative = true;
      ++pos_;
    }
    const bool has_parameter = pos_ < input_.size() && IsDigit(input_[pos_]);
    std::int64_t value = 0;
    for (std::size_t digits = 0; pos_ < input_.size() && IsDigit(input_[pos_]); ++digits, ++pos_) {
      if (digits < kMaxDigits) value = value * 10 + (input_[pos_] - '0');
    }
    if (negative) value = -value;
    value = std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                     std::numeric_limits<int>::max());
    if (pos_ < input_.size() && input_[pos_] == ' ') ++pos_;  // the delimiting space

    Flush();
    fallback_left_ = 0;
    if (const WordInfo* info = FindWord(name)) {
      ApplyWord(*info, has_parameter, static_cast<int>(value));
    }
  }

  void ApplyWord(const WordInfo& info, bool has_parameter, int parameter) {
    if (info.word == Word::kBinary) {
      // Binary data of that many bytes follows; it is never text.
      if (has_parameter && parameter > 0) {
        pos_ += std::min(static_cast<std::size_t>(parameter), input_.size() - pos_);
      }
      return;
    }
    if (overflow_ > 0) return;
    GroupState& state = State();
    const bool on = !has_parameter || parameter != 0;
    switch (state.destination) {
      case Destination::kSkip:
        return;
      case Destination::kText:
        break;
      case Destination::kFontTable:
        ApplyFontTableWord(info.word, has_parameter, parameter);
        break;
      case Destination::kColorTable:
        ApplyColorTableWord(info.word, parameter);
        break;
    }
    switch (info.word) {
      case Word::kSkipDestination:
        state.destination = Destination::kSkip;
        return;
      case Word::kFontTable:
        state.destination = Destination::kFontTable;
        font_entry_open_ = false;
        return;
      case Word::kColorTable:
        state.destination = Destination::kColorTable;
        colors_.clear();
        color_ = {};
        return;
      case Word::kCodePage:
        document_gbk_ = IsGbkCodePage(parameter);
        return;
      case Word::kDefaultFont:
        if (has_parameter) default_font_ = parameter;
        return;
      case Word::kUnicode:
        if (has_parameter) EmitUnicode(parameter);
        return;
      case Word::kUnicodeSkip:
        if (has_parameter) state.unicode_skip = std::clamp(parameter, 0, kMaxUnicodeSkip);
        return;
      default:
        break;
    }
    if (state.destination != Destination::kText) return;
    switch (info.word) {
      case Word::kCharacter:
        Emit(std::u16string_view(&info.character, 1));
        break;
      case Word::kPlain:
        state.bold = state.italic = state.underline = false;
        state.half_points = kDefaultHalfPoints;
        state.font = -1;
        state.color = 0;
        state.double_byte = state.asian_target = false;
        state.asian = {};
        break;
      case Word::kBold:
        state.bold = on;
        break;
      case Word::kItalic:
        state.italic = on;
        break;
      case Word::kUnderline:
        state.underline = on;
        break;
      case Word::kUnderlineNone:
        state.underline = false;
        break;
      case Word::kFontSize:
        state.half_points = HalfPoints(has_parameter, parameter);
        break;
      case Word::kColor:
        state.color = has_parameter ? parameter : 0;
        break;
      case Word::kFont:
        state.font = has_parameter && parameter >= 0 ? parameter : -1;
        break;
      case Word::kAsianBold:
        if (state.asian_target) state.asian.bold = on;
        break;
      case Word::kAsianItalic:
        if (state.asian_target) state.asian.italic = on;
        break;
      case Word::kAsianFontSize:
        if (state.asian_target) state.asian.half_points = HalfPoints(has_parameter, parameter);
        break;
      case Word::kAsianFont:
        if (state.asian_target && has_parameter) state.asian.font = parameter;
        break;
      case Word::kSingleByte:
        state.double_byte = state.asian_target = false;
        break;
      case Word::kDoubleByte:
        state.double_byte = state.asian_target = true;
        break;
      case Word::kDirection:
        state.asian_target = false;
        break;
      default:
        break;
    }
  }

  void ApplyFontTableWord(Word word, bool has_parameter, int parameter) {
    switch (word) {
      case Word::kFont:
        if (!has_parameter) return;
        EndFontName();
        font_entry_ = parameter;
        fonts_[font_entry_] = Font{};
        font_entry_open_ = true;
        return;
      case Word::kCharset:
        if (font_entry_open_) {
          fonts_[font_entry_].gbk = parameter == 134;
          fonts_[font_entry_].symbol = parameter == 2;
        }
        return;
      case Word::kFontCodePage:
        if (font_entry_open_) fonts_[font_entry_].gbk = IsGbkCodePage(parameter);
        return;
      default:
        return;
    }
  }

  void ApplyColorTableWord(Word word, int parameter) {
    const auto component = static_cast<std::uint32_t>(std::clamp(parameter, 0, 255));
    switch (word) {
      case Word::kRed:
        color_.value = (color_.value & 0x00FFFFu) | component << 16;
        break;
      case Word::kGreen:
        color_.value = (color_.value & 0xFF00FFu) | component << 8;
        break;
      case Word::kBlue:
        color_.value = (color_.value & 0xFFFF00u) | component;
        break;
      default:
        return;
    }
    color_.given = true;
  }

  static int HalfPoints(bool has_parameter, int parameter) {
    if (!has_parameter || parameter <= 0) return kDefaultHalfPoints;
    return std::min(parameter, kMaxHalfPoints);
  }

  void EmitUnicode(int parameter) {
    // The parameter is a signed 16-bit number: characters above U+7FFF are
    // written negative.
    const int value = parameter < 0 ? parameter + 0x10000 : parameter;
    const char16_t character =
        value >= 0 && value <= 0xFFFF ? static_cast<char16_t>(value) : kReplacement;
    if (character >= 0x20 || character == u'\t') Emit(std::u16string_view(&character, 1));
    fallback_left_ = State().unicode_skip;
  }

  // After \uN the next \ucN characters are the same character for readers
  // without Unicode; each is passed over here.
  bool SkipFallback() {
    if (fallback_left_ == 0) return false;
    --fallback_left_;
    return true;
  }

  void AddByte(char c) {
    const Destination destination = State().destination;
    if (destination != Destination::kText && destination != Destination::kFontTable) return;
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return;  // control bytes are no text
    pending_.push_back(c);
  }

  void Flush() {
    if (pending_.empty()) return;
    Emit(Decode(pending_));
    pending_.clear();
  }

  std::u16string Decode(std::string_view bytes) const {
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
      return std::u16string(bytes.begin(), bytes.end());
    }
    const Font* font = DecodingFont();
    if (font != nullptr && font->symbol) return DecodeSymbol(bytes);
    if (decode_gbk_ && (document_gbk_ || (font != nullptr && font->gbk))) {
      return decode_gbk_(bytes);
    }
    return DecodeWindows1252(bytes);
  }

  // The font whose character set the text bytes are in.
  const Font* DecodingFont() const {
    if (State().destination == Destination::kFontTable) {
      return font_entry_open_ ? &fonts_.at(font_entry_) : nullptr;
    }
    return FindFont(EffectiveFont());
  }

  int EffectiveFont() const {
    const GroupState& state = State();
    if (state.double_byte && state.asian.font && fonts_.contains(*state.asian.font)) {
      return *state.asian.font;
    }
    return state.font;
  }

  const Font* FindFont(int index) const {
    const auto found = fonts_.find(index < 0 ? default_font_ : index);
    return found == fonts_.end() ? nullptr : &found->second;
  }

  void Emit(std::u16string_view text) {
    if (text.empty()) return;
    switch (State().destination) {
      case Destination::kText:
        AppendRun(text);
        return;
      case Destination::kFontTable:
        if (font_entry_open_) {
          std::u16string& name = fonts_[font_entry_].name;
          name.append(text.substr(0, kMaxFontName - std::min(name.size(), kMaxFontName)));
        }
        return;
      default:
        return;
    }
  }

  void AppendRun(std::u16string_view text) {
    TextStyle style = CurrentStyle();
    if (!text_.runs.empty() && text_.runs.back().style == style) {
      text_.runs.back().text.append(text);
    } else {
      text_.runs.push_back(TextRun{std::u16string(text), std::move(style)});
    }
  }

  TextStyle CurrentStyle() const {
    const GroupState& state = State();
    TextStyle style;
    style.bold = state.bold;
    style.italic = state.italic;
    style.underline = state.underline;
    style.half_points = state.half_points;
    if (state.double_byte) {
      style.bold = state.asian.bold.value_or(style.bold);
      style.italic = state.asian.italic.value_or(style.italic);
      style.half_points = state.asian.half_points.value_or(style.half_points);
    }
    if (state.color > 0 && static_cast<std::size_t>(state.color) < colors_.size()) {
      style.color = colors_[state.color];
    }
    if (const Font* font = FindFont(EffectiveFont())) style.font = font->name;
    return style;
  }

  void EndFontName() {
    if (!font_entry_open_) return;
    TrimSpaces(fonts_[font_entry_].name);
    font_entry_open_ = false;
  }

  // A colour table entry ends at ';'; one with no components (often the
  // first) is the viewer's own colour.
  void EndColor() {
    colors_.push_back(color_.given ? std::optional<std::uint32_t>(color_.value) : std::nullopt);
    color_ = {};
  }

  std::string_view input_;
  std::size_t pos_ = 0;
  const AnsiDecoder& decode_gbk_;
  RichText text_;
  std::vector<GroupState> stack_;  // never empty; the first is outside every group
  std::size_t overflow_ = 0;       // open groups beyond kMaxDepth
  std::string pending_;            // text bytes not yet decoded
  int fallback_left_ = 0;
  bool document_gbk_ = false;
  int default_font_ = 0;
  std::map<int, Font> fonts_;
  int font_entry_ = 0;  // the font table entry being read, while font_entry_open_
  bool font_entry_open_ = false;
  std::vector<std::optional<std::uint32_t>> colors_;
  struct {
    std::uint32_t value = 0;
    bool given = false;
  } color_;  // the colour table entry being read
};

}  // namespace

std::u16string RichText::PlainText() const {
  std::u16string text;
  for (const TextRun& run : runs) text += run.text;
  return text;
}

bool IsRtf(std::string_view bytes) { return bytes.starts_with("{\\rtf"); }

RichText ReadRtf(std::string_view bytes, const AnsiDecoder& decode_gbk) {
  return RtfReader(bytes, decode_gbk).Read();
}

}  // namespace webexam
