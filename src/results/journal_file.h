// Where webexam-results keeps the teacher's journal of a results share (see
// share_journal.h) and how a look at the share reaches it: on the teacher's
// own disk, never on the network or in the share, in a file that is only
// ever appended to.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "results/share_journal.h"

namespace webexam {

class JournalFile {
 public:
  JournalFile(Platform& platform, std::string file, ShareJournal journal)
      : platform_(&platform), file_(std::move(file)), journal_(std::move(journal)) {}

  // Takes one look: the log's bytes, the files of the share folder, the
  // names in the pages folder `pages_folder` (nothing when they could not
  // be listed), whose bytes are read here. Returns why the journal could
  // not be written, or an empty text.
  std::u16string Keep(const std::string& log, const std::vector<std::u16string>& markers,
                      const std::optional<std::vector<std::u16string>>& pages,
                      const std::u16string& pages_folder);

  const ShareJournal& Journal() const { return journal_; }
  const std::string& File() const { return file_; }
  // How the teacher should name it: the file, and for a journal begun anew
  // for a new exam, the one before.
  std::u16string Shown() const;

  // The journal of the exam before, when --watch began a new one.
  std::string previous;

 private:
  Platform* platform_;
  std::string file_;
  ShareJournal journal_;
};

// The journal, opened for the share `share` (as the teacher named it): the
// file given, or with none the latest in the teacher's own folder named
// after the share, or a new one there when that one saw things on the share
// and the share is now empty (`share_is_empty`): the next exam. Without a journal, `problem` says
// why and `status` is the exit status it calls for: 2 for a place the journal must not be, 1 for a
// file that cannot be read or is not a journal of this share.
struct OpenedJournal {
  std::optional<JournalFile> journal;
  std::u16string problem;
  int status = 0;
};
OpenedJournal OpenJournal(Platform& platform, std::string file, const std::string& share,
                          bool share_is_empty);

}  // namespace webexam
