// SPDX-License-Identifier: MIT
// The progress of a sweep. On a terminal the line is redrawn with a carriage
// return and an erase to its end; elsewhere each run gets a line of its own,
// which a log or a test can read.
#include "sweep/progress.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "host/system.h"

std::optional<double> EstimateSecondsLeft(const std::vector<PlannedRun>& plan, size_t next,
                                          const std::vector<MeasuredRun>& measured) {
  if (measured.empty()) {
    return std::nullopt;
  }
  std::map<uint32_t, std::pair<double, size_t>> byLimit;  // limit: sum of seconds, runs
  for (const MeasuredRun& run : measured) {
    byLimit[run.Limit].first += run.Seconds;
    ++byLimit[run.Limit].second;
  }
  const auto& [largest, largestTimes] = *byLimit.rbegin();
  const double largestMean = largestTimes.first / static_cast<double>(largestTimes.second);
  double left = 0;
  for (size_t index = next; index < plan.size(); ++index) {
    const auto found = byLimit.find(plan[index].Limit);
    left += found != byLimit.end() ? found->second.first / static_cast<double>(found->second.second)
                                   : largestMean * plan[index].Limit / largest;
  }
  return left;
}

std::string DurationText(double seconds) {
  const long long whole = std::llround(std::max(0.0, seconds));
  char text[32];
  if (whole < 60) {
    std::snprintf(text, sizeof text, "%llds", whole);
  } else if (whole < 3600) {
    std::snprintf(text, sizeof text, "%lldm%02llds", whole / 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lldh%02lldm", whole / 3600, whole / 60 % 60);
  }
  return text;
}

Progress::Progress(std::vector<PlannedRun> plan, std::vector<std::string> variants, bool terminal, std::FILE* stream)
    : plan_(std::move(plan)), variants_(std::move(variants)), terminal_(terminal), stream_(stream) {}

void Progress::Starting(size_t index) {
  const PlannedRun& run = plan_[index];
  std::string line = "run " + std::to_string(index + 1) + " of " + std::to_string(plan_.size()) + ": limit " +
                     std::to_string(run.Limit) + (run.Warmup ? " (warm-up)" : "");
  if (variants_.size() > 1 && run.Variant < variants_.size()) {
    line += ", " + variants_[run.Variant];
  }
  if (!terminal_) {
    if (std::fprintf(stream_, "%s\n", line.c_str()) < 0 || std::fflush(stream_) != 0) {
      StopForLostOutput();
    }
    return;
  }
  const std::optional<double> left = EstimateSecondsLeft(plan_, index, measured_);
  line += ", " + DurationText(spent_) + " spent, " + (left ? "about " + DurationText(*left) + " left" : "estimating");
  if (std::fprintf(stream_, "\r\033[K%s", line.c_str()) < 0 || std::fflush(stream_) != 0) {
    StopForLostOutput();
  }
  lineShown_ = true;
}

void Progress::Finished(size_t index, double seconds) {
  measured_.push_back({plan_[index].Limit, seconds});
  spent_ += seconds;
}

void Progress::Clear() {
  if (lineShown_) {
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    lineShown_ = false;
  }
}
