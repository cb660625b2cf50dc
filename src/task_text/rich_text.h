// The task text as the viewer shows it: runs of text with their character
// formatting. Built from the task file (plain GBK text, or RTF) in the core;
// each front end only draws it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace webexam {

struct TextStyle {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int half_points = 24;                // font size in half points (RTF's \fs); 24 is 12 pt
  std::optional<std::uint32_t> color;  // 0xRRGGBB; none is the viewer's own text colour
  std::u16string font;                 // a font family name, or empty for the viewer's font

  bool operator==(const TextStyle&) const = default;
};

// A run of text in one style. In the text, u'\n' ends a paragraph, U+2028 is
// a line break within one, and u'\t' a tab.
struct TextRun {
  std::u16string text;
  TextStyle style;

  bool operator==(const TextRun&) const = default;
};

struct RichText {
  std::vector<TextRun> runs;

  // All the text without its formatting.
  std::u16string PlainText() const;
};

// Decodes bytes of an 8-bit code page (code page 936, GBK, for the exam's
// documents) into text.
using AnsiDecoder = std::function<std::u16string(std::string_view bytes)>;

// Whether the file content is RTF: it starts with "{\rtf".
bool IsRtf(std::string_view bytes);

// Reads an RTF document. `decode_gbk` decodes the bytes of \'hh escapes when
// the document's code page (\ansicpg) or the font's character set is GBK.
// Never fails: malformed RTF yields whatever text could be read.
RichText ReadRtf(std::string_view bytes, const AnsiDecoder& decode_gbk);

}  // namespace webexam
