// The results share's layout: the names of what each PC leaves there (the
// share log, the marker named after the PC, the kept pages) and the names the
// share keeps for itself. The clients write by these names and the teachers'
// tools read by them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace webexam {

// The folder of the share that keeps the bytes each submission was graded on.
// A folder, so that nothing counts it as a PC's marker.
inline constexpr std::u16string_view kKeptPagesFolderName = u"pages";

// How many pages one exam number on one PC may leave: far beyond any number
// of reboots in one exam, a bound on the names a PC tries.
inline constexpr int kMostKeptPages = 999;

// What every kept page's name ends with.
inline constexpr std::u16string_view kKeptPageEnding = u".htm";

// The marker a PC leaves on the share, once its line is there: an empty file
// named after the computer, in the share's top folder.
std::u16string ComputerMarkerPath(std::u16string_view share, std::u16string_view computer_name);

// What the names of all pages kept for `exam_number` on `computer_name` start
// with: "<exam number>-<computer name>".
std::u16string KeptPageStem(std::u16string_view exam_number, std::u16string_view computer_name);

// The name of the `sequence`-th page (from 1) kept for `exam_number` on
// `computer_name`: "<exam number>-<computer name>.htm" for the first, then
// "<exam number>-<computer name>(2).htm", "(3)" and so on. An exam number
// holds no parenthesis and a computer name none that Windows or a host name
// allows, so a later page's name never equals another PC's first.
std::u16string KeptPageName(std::u16string_view exam_number, std::u16string_view computer_name,
                            int sequence = 1);

// One way to read a kept page's name back: the stem (KeptPageStem) of the
// `sequence`-th page. The stem is not split further: exam numbers and
// computer names may both hold "-".
struct KeptPageReading {
  std::u16string_view stem;
  int sequence = 1;
};

// Whether a name is a kept page's: something before a kKeptPageEnding in any
// case of its letters (a share may have changed the case).
bool IsKeptPageName(std::u16string_view name);

// The ways a name in the pages folder reads: as the first page of the stem
// before its ending, and, where that stem ends in "(2)" to "(999)" written as
// KeptPageName writes them, also as that page of what comes before. None for
// a name that is no kept page's. The views point into `name`.
std::vector<KeptPageReading> ReadKeptPageName(std::u16string_view name);

// Whether a name is one the share itself uses, in any case of its ASCII
// letters: the share log's and the kept pages folder's.
bool IsShareOwnName(std::u16string_view name);

// Whether a file on the share, or in its pages folder, is none of a PC's
// markers or pages: the share's own names, and names starting with a dot
// (webexam-check's probes, which a share that refuses deleting keeps, and
// POSIX's hidden files; Windows hides no dot name).
bool IsNoSubmission(std::u16string_view name);

// Whether a computer name may name a file in the share: not empty, not "." or
// "..", not a name the share uses itself (IsShareOwnName), no path separator,
// control character or any of :*?"<>|.
bool IsSafeFileName(std::u16string_view name);

}  // namespace webexam
