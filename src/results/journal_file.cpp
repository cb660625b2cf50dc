#include "results/journal_file.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>

#include "results/kept_pages.h"
#include "text/characters.h"
#include "text/sha256.h"
#include "text/utf8.h"

namespace webexam {
namespace {

std::filesystem::path NativePath(const std::string& utf8) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// The share as the journal names it: as given, without a closing separator.
std::u16string ShareName(const std::string& share) {
  std::u16string name = FromUtf8(share);
  while (name.size() > 1 && (name.back() == u'/' || name.back() == u'\\')) name.pop_back();
  return name;
}

// The journal --watch keeps when none is named: in the teacher's own
// folder, named after the share (and a hash of its name, so that two shares
// never share one).
std::string DefaultJournal(Platform& platform, const std::u16string& share) {
  const bool windows = platform.OnWindows();
  std::u16string folder;
  if (windows) {
    folder = platform.Environment("LOCALAPPDATA")
                 .value_or(platform.Environment("USERPROFILE").value_or(u"."));
    folder += u"\\webexam\\journals";
  } else if (const auto data = platform.Environment("XDG_DATA_HOME"); data && !data->empty()) {
    folder = *data + u"/webexam/journals";
  } else {
    folder = platform.Environment("HOME").value_or(u".") + u"/.local/share/webexam/journals";
  }
  std::u16string name;
  for (const char16_t c : share) {
    const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                       (c >= u'0' && c <= u'9') || c == u'.' || c == u'-';
    if (plain) {
      name += c;
    } else if (name.empty() || name.back() != u'_') {
      name += u'_';
    }
  }
  if (name.size() > 40) name = name.substr(name.size() - 40);
  return ToUtf8(folder + platform.PathSeparator() + name + u"-" +
                FromUtf8(Sha256Hex(ToUtf8(share)).substr(0, 12)) + u".txt");
}

// Why the journal cannot be kept at `journal`, or an empty text: it must lie
// where no candidate reaches it, so not on the network, nor in the share.
std::u16string PlaceProblem(Platform& platform, const std::string& journal,
                            const std::string& share) {
  const bool windows = platform.OnWindows();
  auto networked = [&](const std::string& path) {
    return EqualIgnoringAsciiCase(std::string_view(path).substr(0, 6), "smb://") ||
           (windows && (path.starts_with("\\\\") || path.starts_with("//")));
  };
  if (networked(journal)) return u"日志要放在本机的硬盘上，不能放在网络上：";
  if (networked(share)) return {};
  std::error_code error;
  auto canonical = [&](const std::string& path) {
    std::u8string text = std::filesystem::weakly_canonical(NativePath(path), error).u8string();
    if (windows) {
      for (char8_t& c : text) c = static_cast<char8_t>(AsciiLower(static_cast<char>(c)));
    }
    return std::filesystem::path(text);
  };
  const std::filesystem::path in = canonical(journal).lexically_relative(canonical(share));
  if (!error && !in.empty() && *in.begin() != "..") {
    return u"日志不能放在共享文件夹里（考生能改动共享文件夹里的一切）：";
  }
  return {};
}

}  // namespace

OpenedJournal OpenJournal(Platform& platform, std::string file, const std::string& share,
                          bool share_is_empty) {
  OpenedJournal opened;
  std::string previous;
  if (file.empty()) {
    // "<name>.txt", then "<name>-2.txt" and so on, one for each exam.
    const std::string first = DefaultJournal(platform, ShareName(share));
    auto numbered = [&first](int number) {
      return number == 1
                 ? first
                 : first.substr(0, first.size() - 4) + "-" + std::to_string(number) + ".txt";
    };
    // Whether an entry of that name is there, as far as can be told.
    auto there = [&platform](const std::string& name) {
      const Platform::Presence presence = platform.PresenceOf(FromUtf8(name));
      return presence == Platform::Presence::kFile || presence == Platform::Presence::kFolder;
    };
    std::error_code error;
    std::filesystem::create_directories(NativePath(first).parent_path(), error);
    int number = 1;
    while (number < 999 && there(numbered(number + 1))) ++number;
    file = numbered(number);
    if (share_is_empty && there(file)) {
      ShareJournal latest(ShareName(share),
                          [&platform](std::string_view gbk) { return platform.DecodeGbk(gbk); });
      std::string bytes;
      try {
        bytes = platform.ReadHead(FromUtf8(file), SIZE_MAX, Platform::IfMissing::kFail);
      } catch (const PlatformError&) {
      }
      if (latest.Load(bytes).empty() && !latest.SawNothing()) {
        previous = file;
        file = numbered(number + 1);
      }
    }
  }
  if (const std::u16string problem = PlaceProblem(platform, file, share); !problem.empty()) {
    return {std::nullopt, problem + ShownName(FromUtf8(file)), 2};
  }
  std::string bytes;
  try {
    bytes = platform.ReadHead(FromUtf8(file), SIZE_MAX, Platform::IfMissing::kCreateEmpty);
  } catch (const PlatformError& error) {
    return {std::nullopt,
            u"读不了日志 " + ShownName(FromUtf8(file)) + u"：" + FromUtf8(error.what()), 1};
  }
  ShareJournal journal(ShareName(share),
                       [&platform](std::string_view gbk) { return platform.DecodeGbk(gbk); });
  if (const std::u16string refused = journal.Load(bytes); !refused.empty()) {
    return {std::nullopt, u"日志 " + ShownName(FromUtf8(file)) + u" " + refused, 1};
  }
  opened.journal.emplace(platform, std::move(file), std::move(journal));
  opened.journal->previous = previous;
  return opened;
}

std::u16string JournalFile::Shown() const {
  std::u16string shown = ShownName(FromUtf8(file_));
  if (!previous.empty()) {
    shown += u"（共享文件夹已清空，当作新的一场考试；上一场的日志是 " +
             ShownName(FromUtf8(previous)) + u"）";
  }
  return shown;
}

std::u16string JournalFile::Keep(const std::string& log, const std::vector<std::u16string>& markers,
                                 const std::optional<std::vector<std::u16string>>& pages,
                                 const std::u16string& pages_folder) {
  Platform& platform = *platform_;
  auto read = [&](const std::u16string& name) -> std::optional<std::string> {
    try {
      return platform.ReadHead(pages_folder + platform.PathSeparator() + name, kKeptPageReadLimit,
                               Platform::IfMissing::kFail);
    } catch (const PlatformError&) {
      return std::nullopt;
    }
  };
  ShareLook look{log, markers, std::nullopt, {}};
  // Pages not compared when one cannot be read, so that it is never taken
  // for removed.
  if (pages) {
    look.pages.emplace();
    for (const std::u16string& name : *pages) {
      std::optional<std::string> bytes = read(name);
      if (!bytes) {
        look.pages.reset();
        break;
      }
      look.pages->push_back({name, std::move(*bytes)});
    }
  }
  // Read until two reads a moment apart agree: a page is written after its
  // file is made.
  look.settle = [&](const std::vector<std::u16string>& names) {
    std::map<std::u16string, std::optional<std::string>> settled;
    for (const std::u16string& name : names) settled[name] = read(name);
    std::vector<std::u16string> moving = names;
    for (int tries = 0; tries < 10 && !moving.empty(); ++tries) {
      platform.Sleep(std::chrono::milliseconds(300));
      std::vector<std::u16string> still_moving;
      for (const std::u16string& name : moving) {
        std::optional<std::string> again = read(name);
        if (again != settled[name]) still_moving.push_back(name);
        settled[name] = std::move(again);
      }
      moving = std::move(still_moving);
    }
    return settled;
  };
  const std::string records = journal_.Look(look, JournalTime::Now());
  try {
    platform.AppendToFile(FromUtf8(file_), records);
  } catch (const PlatformError& error) {
    return u"写不了日志 " + ShownName(FromUtf8(file_)) + u"：" + FromUtf8(error.what());
  }
  return {};
}

}  // namespace webexam
