// Text for the teacher at the terminal: UTF-8 on POSIX; on Windows the
// console's own wide-character output when standard output is a console,
// else UTF-8 bytes (a file or a pipe). Line ends are LF everywhere.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace webexam {

// Writes text to standard output; false when it could not be written.
bool PrintOut(std::u16string_view text);
// Writes text to standard error.
void PrintError(std::u16string_view text);

// Whether standard output is a terminal (a Windows console), which can be
// redrawn, rather than a file or a pipe.
bool OutputIsTerminal();

// Draws `text` on a cleared terminal from its top left corner, so that a
// screen redrawn every few seconds replaces the last one in place. False when
// it could not be written.
bool DrawScreen(std::u16string_view text);

// Whether the tool's console closes when the tool ends, so that what it
// printed would vanish unread: on Windows, standard input and output are a
// console that no other process shares, as Explorer makes one for a program
// double-clicked (a prompt or a script shares its console with the program).
// Never on POSIX, where the terminal belongs to the shell.
bool ConsoleClosesWithTool();

// Says so on the console and waits until the teacher presses a key (not a
// Shift, Ctrl or Alt alone); returns at once when the console cannot be read.
void WaitForKeyBeforeClosing();

// Reads one line the teacher types on standard input, without its line end;
// an empty text at the end of input.
std::u16string ReadAnswer();

// Shows `prompt` and reads the line the teacher types on standard input,
// without its line end, or nothing at the end of input. With `hidden` a
// terminal (a Windows console) shows nothing of what is typed, for a
// password: it is set so before the prompt shows. Where standard input is a
// file or a pipe, lines are read as they come, and the line end that typing
// would have shown is written after the prompt.
std::optional<std::u16string> ReadTypedLine(std::u16string_view prompt, bool hidden);

// The columns the text takes in a terminal: two for the wide characters of
// Chinese, Japanese and Korean and the full-width forms, one for others.
std::size_t DisplayWidth(std::u16string_view text);

// The text followed by blanks up to `width` columns.
std::u16string PadRight(std::u16string_view text, std::size_t width);
// Blanks, then the text, up to `width` columns.
std::u16string PadLeft(std::u16string_view text, std::size_t width);

}  // namespace webexam
