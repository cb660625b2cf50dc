// webexam-results --watch: the screen the teacher watches during the exam,
// redrawn every few seconds from what the share holds: how many have
// submitted, who has not, the latest arrivals with the time they were first
// seen, and the anomalies as they appear.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

#include "results/results_summary.h"

namespace webexam {

class LiveView {
 public:
  // Takes one look at the share: `summary` as read now, `now` the local time
  // of day ("11:32:05"). A line seen for the first time arrived now, except
  // at the first look, when it was there before the watch began.
  void Look(const ResultsSummary& summary, const std::u16string& now);

  // The screen for the last look, as lines ending in LF; `heading` is its
  // first line.
  std::u16string Screen(const std::u16string& heading) const;

  // How many arrivals and anomalies the screen lists at most.
  static constexpr std::size_t kArrivalsShown = 10;
  static constexpr std::size_t kAnomaliesShown = 10;

 private:
  std::unordered_map<std::size_t, std::u16string> seen_at_;  // line -> when first seen
  bool looked_ = false;
  ResultsSummary summary_;
};

}  // namespace webexam
