// SPDX-License-Identifier: MIT
// sievebench-sweep: runs the benchmark for each limit, warm-up runs first,
// then the measured ones; checks every run on its own terms, marks outliers,
// and summarises the times. Exit status: 0 when every run was valid, 1 when
// any was not (or an output could not be written), 2 for bad options.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "sweep/child.h"
#include "results/command_line.h"
#include "sweep/machine.h"
#include "sweep/options.h"
#include "results/report.h"
#include "results/result_file.h"
#include "results/model.h"
#include "results/statistics.h"

namespace fs = std::filesystem;

static std::string ProgramBesideSweep() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? "sievebench" : (self.parent_path() / "sievebench").string();
}

static int64_t FileSize(const fs::path& path) {
  std::error_code error;
  const auto size = fs::file_size(path, error);
  return error ? -1 : static_cast<int64_t>(size);
}

static std::string Joined(const std::vector<std::string>& problems) {
  std::string text;
  for (const std::string& problem : problems) {
    text += (text.empty() ? "" : "; ") + problem;
  }
  return text;
}

static void ShowInvalidRun(const RunRecord& record, const std::string& output) {
  std::fprintf(stderr, "INVALID RUN: limit %u, run %u: %s\n  it printed: ", record.Limit, record.Run,
               record.Problems.c_str());
  for (const char byte : output) {
    std::fputs(byte == '\r' ? "\\r" : byte == '\n' ? "\\n\n  " : std::string(1, byte).c_str(), stderr);
  }
  std::fputc('\n', stderr);
}

// Runs the benchmark once in a folder of its own and judges the run.
static RunRecord RunOnce(const SweepOptions& options, const fs::path& folder, uint32_t limit, uint32_t run,
                         bool warmup) {
  RunRecord record;
  record.Limit = limit;
  record.Run = run;
  record.Warmup = warmup;
  std::error_code error;
  fs::create_directories(folder, error);
  const ChildOutcome outcome = RunBenchmarkOnce(options.Program, folder.string(), limit, options.TimeoutSeconds);
  const std::string failure = DescribeFailure(outcome);
  record.Parsed = failure.empty() && ParseReport(outcome.Output, record.Values);
  if (!failure.empty()) {
    record.Problems = failure;
  } else if (!record.Parsed) {
    record.Problems = "the output is not a report";
  } else {
    record.Problems = Joined(ValidateRun(record.Values, limit, FileSize(folder / "primes.txt")));
    record.Valid = record.Problems.empty();
  }
  if (!record.Valid) {
    ShowInvalidRun(record, outcome.Output);
  }
  return record;
}

static std::string HostName() {
  char name[256] = {};
  return gethostname(name, sizeof name - 1) == 0 ? name : "unknown";
}

static std::string UtcNow() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm parts{};
  gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

static SweepResult Describe(const SweepOptions& options, std::vector<RunRecord> runs) {
  SweepResult result;
  result.Format = ResultFormat;
  result.Version = ToolVersion;
  result.Label = options.Label.empty() ? HostName() : options.Label;
  result.Date = UtcNow();
  result.Host = DescribeMachine();
  result.Program.Path = options.Program;
  result.Program.SizeBytes = static_cast<uint64_t>(std::max<int64_t>(FileSize(options.Program), 0));
  MarkOutliers(runs);
  result.Summaries = Summarize(runs);
  result.Runs = std::move(runs);
  return result;
}

static bool WriteOutputs(const SweepOptions& options, const SweepResult& result) {
  bool written = true;
  auto report = [&](const std::string& problem, const std::string& path) {
    if (!problem.empty()) {
      std::fprintf(stderr, "sievebench-sweep: %s\n", problem.c_str());
      written = false;
    } else if (!path.empty()) {
      std::printf("wrote %s\n", path.c_str());
    }
  };
  if (!options.CsvPath.empty()) {
    report(WriteCsv(options.CsvPath, result.Runs), options.CsvPath);
  }
  if (!options.JsonPath.empty()) {
    report(WriteResultFile(options.JsonPath, result), options.JsonPath);
  }
  if (!options.ChartPath.empty()) {
    std::string skipped;
    const std::string problem = DrawChart(options.ChartPath, result.Summaries, skipped);
    if (!skipped.empty()) {
      std::printf("%s\n", skipped.c_str());
    }
    report(problem, skipped.empty() ? options.ChartPath : "");
  }
  return written;
}

// Every limit's warm-up runs, then its measured runs, each in a folder of its own.
static std::vector<RunRecord> RunAll(const SweepOptions& options, const fs::path& root, bool temporary) {
  std::vector<RunRecord> runs;
  const uint32_t perLimit = options.Warmup + options.Repeat;
  const size_t total = options.Limits.size() * perLimit;
  for (const uint32_t limit : options.Limits) {
    for (uint32_t run = 1; run <= perLimit; ++run) {
      const bool warmup = run <= options.Warmup;
      std::fprintf(stderr, "run %zu of %zu: limit %u%s\n", runs.size() + 1, total, limit, warmup ? " (warm-up)" : "");
      const fs::path folder = root / ("limit-" + std::to_string(limit) + "-run-" + std::to_string(run));
      runs.push_back(RunOnce(options, folder, limit, run, warmup));
      if (temporary) {
        std::error_code ignored;  // a scratch folder left behind is only clutter
        fs::remove_all(folder, ignored);
      }
    }
  }
  return runs;
}

int main(int argc, char** argv) {
  SweepOptions options;
  const int status = ParseSweepOptions(std::vector<std::string>(argv + 1, argv + argc), options, std::cout, std::cerr);
  if (status >= 0) {
    return status;
  }
  if (options.Program.empty()) {
    options.Program = ProgramBesideSweep();
  }
  if (access(options.Program.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "sievebench-sweep: cannot run '%s'\n", options.Program.c_str());
    return 2;
  }
  options.Program = fs::absolute(options.Program).string();
  signal(SIGPIPE, SIG_IGN);  // a child that dies before reading its limit must not end the sweep

  const bool temporary = options.Dir.empty();
  char scratch[] = "/tmp/sievebench-sweep-XXXXXX";
  if (temporary && mkdtemp(scratch) == nullptr) {
    std::perror("sievebench-sweep: mkdtemp");
    return 1;
  }
  const fs::path root = fs::absolute(temporary ? fs::path(scratch) : fs::path(options.Dir));
  std::vector<RunRecord> runs = RunAll(options, root, temporary);
  if (temporary) {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  const SweepResult result = Describe(options, std::move(runs));
  PrintTable(stdout, result.Summaries);
  const bool written = WriteOutputs(options, result);
  size_t invalid = 0;
  for (const RunRecord& run : result.Runs) {
    invalid += run.Valid ? 0 : 1;
  }
  if (invalid != 0) {
    std::fprintf(stderr, "sievebench-sweep: %zu of %zu runs FAILED validation\n", invalid, result.Runs.size());
  }
  return invalid == 0 && written ? 0 : 1;
}
