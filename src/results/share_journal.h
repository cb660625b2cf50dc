// The teacher's journal of a results share: a file on the teacher's own disk
// where webexam-results notes, at every look, what the share holds (each
// line's bytes, each PC's marker, each kept page's size and SHA-256, the
// log's size) with the time it was first seen. The share is writable by
// every candidate; the journal is not, so at each later look a changed or
// removed line, a shrunk or rewritten log, a changed or removed page or
// marker, and anything that came long after the rest of its PC are named,
// with whose it was and when it was seen.
//
// The file is UTF-8 text, only ever appended to; its header says how it is
// laid out.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "results/results_summary.h"
#include "results/share_log_reader.h"

namespace webexam {

// How long after the first thing of a PC (its line, marker or page) another
// of its things may arrive and still be part of the same submission: one
// submission writes all three within a few seconds, and waits at most 15
// seconds for a busy share.
inline constexpr std::chrono::seconds kJournalGrace{120};

// A moment as the journal records it.
struct JournalTime {
  std::int64_t ms = 0;   // milliseconds since 1970-01-01 UTC, for reckoning
  std::u16string local;  // local time, "2026-12-07 19:01:02", for the teacher

  static JournalTime Now();
};

// One file of the share's pages folder, with its bytes.
struct SharePage {
  std::u16string name;
  std::string bytes;
};

// What one look at the share found.
struct ShareLook {
  std::string log;                      // the bytes of cjwyzz.txt; none while it is missing
  std::vector<std::u16string> markers;  // the files of the share folder
  // The files of the pages folder (none when it is missing), or nothing
  // when they could not all be read: then pages are not compared.
  std::optional<std::vector<SharePage>> pages;
  // Reads pages again, those new or not as the journal has them, until
  // their bytes hold still (a page is written after its file is made): the
  // bytes of each, or nothing for one that cannot be read, which is then
  // not compared this time. Unset: the bytes in `pages` are taken as they are.
  std::function<std::map<std::u16string, std::optional<std::string>>(
      const std::vector<std::u16string>& names)>
      settle;
};

// Something the journal found wrong, with the line of cjwyzz.txt it is about
// (0 for none); kept in the journal, so that every later run names it too.
struct JournalFinding {
  std::size_t line = 0;
  std::u16string text;
};

// Something that appeared on the share, with the time it was first seen.
struct JournalArrival {
  JournalTime seen;
  std::u16string what;  // "第 3 行（120722003 王五，计算机 JF03，答对 22 题）"
};

class ShareJournal {
 public:
  // `share` is the results share as the teacher names it; a journal is kept
  // for one share only.
  ShareJournal(std::u16string share, GbkDecoder decode_gbk);

  // Takes in the bytes of an existing journal (none for a new one). Returns
  // why it is refused, or an empty text: a file that is not a journal, or
  // one kept for another share, is never written to. A last record without
  // its line end (cut off by a crash) is left out.
  std::u16string Load(std::string_view bytes);

  // Compares one look at the share, made at `now`, with the journal, and
  // returns the records to append (a new journal's header first).
  std::string Look(const ShareLook& look, const JournalTime& now);

  // Everything found so far, in the order it was found.
  const std::vector<JournalFinding>& Findings() const { return findings_; }
  // Everything that appeared, in the order it was first seen.
  const std::vector<JournalArrival>& Arrivals() const { return arrivals_; }
  std::size_t Looks() const { return looks_; }
  // Whether the share, as last seen, held nothing: no line, marker or page.
  bool SawNothing() const { return lines_.empty() && markers_.empty() && pages_.empty(); }
  // The first look of the journal; meaningful once Looks() is not 0.
  const JournalTime& FirstLook() const { return first_look_; }

 private:
  struct Seen {
    JournalTime at;
    std::u16string pc;  // the PC it belongs to, lower case; empty when unknown
  };
  struct Line {
    std::string bytes;  // with its line end
    std::string key;    // the bytes and how many equal lines come before
  };
  struct Page {
    std::u16string name;
    std::uint64_t size = 0;
    std::string hash;
    std::int64_t recorded_ms = 0;  // the look of its last record
    bool growing = true;           // every record so far made it longer
  };

  void Apply(std::string_view record);
  std::string Record(const JournalTime& now, const std::vector<std::string>& fields);
  void Emit(std::string& out, const JournalTime& now, const std::vector<std::string>& fields);
  void Find(std::string& out, const JournalTime& now, std::size_t line, const std::u16string& text);

  std::string KeyOf(const std::string& bytes) const;
  ShareLogRecord Decode(const std::string& bytes) const;
  std::u16string Describe(const std::string& bytes) const;
  std::u16string PcOf(const std::string& bytes) const;
  std::optional<std::size_t> LineOfPage(const std::u16string& name) const;
  std::optional<JournalTime> FirstOfPc(const std::u16string& pc) const;
  // The words for an item seen at `now` when the look before it was so
  // long after `reference`, or an empty text when it is in time.
  std::u16string Late(const JournalTime& now, const std::optional<JournalTime>& reference,
                      const std::u16string& reference_is) const;

  void CompareLines(std::string& out, const std::vector<std::string>& lines, std::uint64_t log_size,
                    const JournalTime& now);
  void CompareMarkers(std::string& out, const std::vector<std::u16string>& markers,
                      const JournalTime& now);
  void ComparePages(std::string& out, const ShareLook& look, const JournalTime& now);

  std::u16string share_;
  GbkDecoder decode_gbk_;
  bool has_header_ = false;
  bool ends_torn_ = false;  // the file does not end with a line end
  std::optional<std::u16string> recorded_share_;

  std::size_t looks_ = 0;
  JournalTime first_look_;
  std::optional<JournalTime> last_look_, look_before_;

  std::optional<std::uint64_t> log_size_;
  JournalTime log_size_at_;
  std::vector<Line> lines_;
  std::unordered_map<std::string, Seen> line_seen_;
  std::map<std::u16string, std::u16string> markers_;  // lower case -> as listed
  std::unordered_map<std::u16string, Seen> marker_seen_;
  std::map<std::u16string, Page> pages_;
  std::unordered_map<std::u16string, Seen> page_seen_;

  std::vector<JournalFinding> findings_;
  std::vector<JournalArrival> arrivals_;
};

// Adds the journal's findings to the summary's anomalies, in line order as
// the others are.
void AddJournalFindings(ResultsSummary& summary, const ShareJournal& journal);

// The journal's part of the report: where it is, since when it looks, and
// the latest arrivals with the time each was first seen.
std::u16string JournalText(const ShareJournal& journal, const std::u16string& file);

}  // namespace webexam
