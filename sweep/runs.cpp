// SPDX-License-Identifier: MIT
// Running and judging one benchmark run. An invalid run is shown with
// everything it printed, escaped, so a run gone wrong can be read and cannot
// play tricks on the terminal.
#include "sweep/runs.h"

#include <cstdio>
#include <filesystem>

#include "results/report.h"
#include "views/text_safe.h"

namespace fs = std::filesystem;

namespace {

int64_t FileSize(const fs::path& path) {
  std::error_code error;
  const auto size = fs::file_size(path, error);
  return error ? -1 : static_cast<int64_t>(size);
}

std::string Joined(const std::vector<std::string>& problems) {
  std::string text;
  for (const std::string& problem : problems) {
    text += (text.empty() ? "" : "; ") + problem;
  }
  return text;
}

}  // namespace

void ShowInvalidRun(const RunRecord& record, const std::string& output) {
  std::string shown = TerminalSafe(output);
  for (size_t at = shown.find("\\n"); at != std::string::npos; at = shown.find("\\n", at + 5)) {
    shown.insert(at + 2, "\n  ");  // one line of the report to a line of the message
  }
  std::fprintf(stderr, "INVALID RUN: limit %u, run %u: %s\n  it printed: %s\n", record.Limit, record.Run,
               TerminalSafe(record.Problems).c_str(), shown.c_str());
}

std::string DescribeFailure(const ProcessOutcome& outcome) {
  if (!outcome.StartError.empty()) {
    return outcome.StartError;
  }
  if (outcome.TimedOut) {
    return "stopped after the time-out";
  }
  if (outcome.Stopped) {
    return "stopped when the sweep was stopped";
  }
  if (outcome.Signal != 0) {
    return "killed by " + SignalDescription(outcome.Signal);
  }
  if (outcome.ExitCode != 0) {
    return "exit status " + std::to_string(outcome.ExitCode);
  }
  return outcome.InputSent ? "" : "it did not read its limit";
}

RunRecord RunOnce(const RunRequest& request, ProcessOutcome& outcome) {
  RunRecord record;
  record.Limit = request.Limit;
  record.Run = request.Run;
  record.Warmup = request.Warmup;
  std::error_code error;
  fs::create_directories(request.Folder, error);
  ProcessRequest child;
  child.Program = request.Program;
  child.WorkDir = request.Folder;
  child.Input = std::to_string(request.Limit) + "\n";
  child.TimeoutSeconds = request.TimeoutSeconds;
  child.Cpu = request.Cpu;
  outcome = RunProcess(child);
  const std::string failure = DescribeFailure(outcome);
  record.Parsed = failure.empty() && ParseReport(outcome.Output, record.Values);
  if (!failure.empty()) {
    record.Problems = failure;
  } else if (!record.Parsed) {
    record.Problems = "the output is not a report";
  } else {
    record.Problems = Joined(ValidateRun(record.Values, request.Limit, FileSize(fs::path(request.Folder) / "primes.txt")));
    record.Valid = record.Problems.empty();
  }
  return record;
}
