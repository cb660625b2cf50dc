// The account a PC logs on to the results share with, as its credentials
// file holds it: the same file on Windows and on Linux, written by
// webexam-check --save-credentials or by hand in Notepad.
#pragma once

#include <string>
#include <string_view>

namespace webexam {

struct ShareAccount {
  std::string domain;
  std::string user = "guest";
  std::string password;
};

// Reads the text of a credentials file (UTF-8, a byte-order mark skipped):
// lines `username=`, `password=` and `domain=` (also `user=`, `pass=`,
// `workgroup=`), blank lines and lines starting with '#' skipped, CR LF or LF.
// A name loses the blanks around it; a password keeps its own. Without a user
// name it is the guest account.
ShareAccount ParseShareAccount(std::string_view text);

// The text of a credentials file for `account`, as ParseShareAccount reads it
// back; LF after each line.
std::string ShareAccountText(const ShareAccount& account);

}  // namespace webexam
