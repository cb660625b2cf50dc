#include "results/share_look.h"

#include <algorithm>

#include "state/exam_paths.h"
#include "submission/share_layout.h"
#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {

bool ShareContent::HoldsSubmissions() const {
  return !std::all_of(markers.begin(), markers.end(), IsNoSubmission) ||
         (kept_pages && !kept_pages->empty());
}

void ShareContent::DropTornLastLine() {
  for (const LineNote& note : log.notes) {
    if (note.problem != LineProblem::kTorn) continue;
    std::erase_if(log.malformed,
                  [&](const ShareLogRecord& line) { return line.line == note.line; });
  }
  std::erase_if(log.notes, [](const LineNote& note) { return note.problem == LineProblem::kTorn; });
}

std::vector<std::u16string> KeptPageNames(Platform& platform, const std::u16string& share) {
  std::vector<std::u16string> names =
      platform.ListFiles(share + std::u16string(kKeptPagesFolderName));
  std::erase_if(names, IsNoSubmission);
  return names;
}

Share::Share(Platform& platform, const std::string& share, int item_count)
    : platform_(platform), named_(share), item_count_(item_count), folder_(FromUtf8(share)) {
  if (folder_.back() != platform.PathSeparator() && folder_.back() != u'/') {
    folder_ += platform.PathSeparator();
  }
}

std::optional<ShareContent> Share::Read(std::u16string& error, bool missing_log_is_empty) {
  const std::u16string log = folder_ + std::u16string(kShareLogName);
  ShareContent content;
  std::string bytes;
  using Presence = Platform::Presence;
  Presence log_kind = Presence::kFile;
  try {
    bytes = platform_.ReadHead(log, kShareLogReadLimit + 1, Platform::IfMissing::kFail);
  } catch (const PlatformError& read_error) {
    error = u"读不了 cjwyzz.txt：" + FromUtf8(read_error.what());
    log_kind = platform_.PresenceOf(log);
    if (log_kind == Presence::kFile || log_kind == Presence::kUnknown) {
      // A log there (or maybe there) that cannot be read is no empty log.
      // The folder's own failure says more, when it is the folder.
      ListMarkers(content, error);
      return std::nullopt;
    }
  }
  if (!ListMarkers(content, error)) return std::nullopt;
  error.clear();
  ListKeptPages(content);
  const bool cut = CutAtReadLimit(bytes);
  content.log = ReadShareLog(
      bytes, [this](std::string_view gbk) { return platform_.DecodeGbk(gbk); }, item_count_);
  content.log.cut_at_limit = cut;
  content.log_bytes = std::move(bytes);
  if (log_kind == Presence::kFolder) {
    content.problems.push_back(
        u"共享文件夹里的 cjwyzz.txt 是一个文件夹，不是文件：考生机的成绩都写不进去。"
        u"请马上把这个文件夹移走或改名（先看看里面有什么），"
        u"没交上的考生机再按一次“上交成绩”即可。");
  } else if (log_kind == Presence::kAbsent &&
             (!missing_log_is_empty || content.HoldsSubmissions())) {
    content.problems.push_back(
        u"共享文件夹里没有 cjwyzz.txt：还没有考生机交上成绩，或者它被删掉了。"
        u"已有考生交过卷的话，请用 --regrade 重评 pages 里留下的页面，"
        u"或到各考生机上的 cjj.txt（本机的成绩记录）里找回成绩。");
  }
  if (content.pages_is_file) {
    content.problems.push_back(
        u"共享文件夹里的 pages 是一个文件，不是文件夹：考生机所评的页面都留不下来。"
        u"请把这个文件移走或改名，之后交卷的页面会留在重新建出的 pages 文件夹里。");
  }
  return content;
}

ResultsSummary Share::Summary(ShareContent& content, const Roster* roster) const {
  ResultsSummary summary =
      Summarize(std::move(content.log), std::move(content.markers), roster,
                content.kept_pages ? &*content.kept_pages : nullptr, item_count_);
  for (std::u16string& problem : content.problems) {
    summary.anomalies.push_back({0, std::move(problem)});
  }
  return summary;
}

std::u16string Share::KeepJournal(JournalFile& journal, const ShareContent& content) const {
  return journal.Keep(content.log_bytes, content.markers, content.kept_pages,
                      folder_ + std::u16string(kKeptPagesFolderName));
}

std::u16string Share::Named() const { return ShownName(FromUtf8(named_)); }

bool Share::ListMarkers(ShareContent& content, std::u16string& error) {
  try {
    content.markers = platform_.ListFiles(FromUtf8(named_));
    return true;
  } catch (const PlatformError& list_error) {
    error = u"读不了共享文件夹：" + FromUtf8(list_error.what());
    return false;
  }
}

void Share::ListKeptPages(ShareContent& content) {
  const std::u16string pages = folder_ + std::u16string(kKeptPagesFolderName);
  // A file in the folder's place holds no pages; where the share cannot
  // tell, the pages are not known.
  const Platform::Presence presence = platform_.PresenceOf(pages);
  content.pages_is_file = presence == Platform::Presence::kFile;
  content.kept_pages.reset();
  if (presence == Platform::Presence::kUnknown) return;
  if (presence != Platform::Presence::kFolder) {
    content.kept_pages.emplace();
    return;
  }
  try {
    content.kept_pages = KeptPageNames(platform_, folder_);
  } catch (const PlatformError&) {
    // Not known, as above.
  }
}

}  // namespace webexam
