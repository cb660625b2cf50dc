#include "platform/share_account.h"

#include "text/characters.h"

namespace webexam {
namespace {

std::string_view Trimmed(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

}  // namespace

ShareAccount ParseShareAccount(std::string_view text) {
  ShareAccount account;
  // Notepad may begin its UTF-8 with a byte-order mark.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string key(Trimmed(line.substr(0, equals)));
    for (char& c : key) c = AsciiLower(c);
    const std::string_view value = line.substr(equals + 1);
    if (key == "username" || key == "user") account.user = Trimmed(value);
    if (key == "password" || key == "pass") account.password = value;
    if (key == "domain" || key == "workgroup" || key == "dom") account.domain = Trimmed(value);
  }
  return account;
}

std::string ShareAccountText(const ShareAccount& account) {
  std::string text = "username=" + account.user + "\npassword=" + account.password + "\n";
  if (!account.domain.empty()) text += "domain=" + account.domain + "\n";
  return text;
}

}  // namespace webexam
