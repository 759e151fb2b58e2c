// SPDX-License-Identifier: MIT
// sievebench-sweep: runs the benchmark for each limit, warm-up runs first,
// then the measured ones; checks every run on its own terms, marks outliers,
// and summarises the times, with the machine and the conditions it ran
// under. Exit status: 0 when every run was valid, 1 when any was not (or an
// output could not be written), 2 for bad options.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "results/command_line.h"
#include "results/model.h"
#include "results/result_file.h"
#include "results/sha256.h"
#include "results/statistics.h"
#include "results/system.h"
#include "results/text_safe.h"
#include "results/views/chart.h"
#include "results/views/csv.h"
#include "results/views/text.h"
#include "sweep/noise.h"
#include "sweep/options.h"
#include "sweep/runs.h"

namespace fs = std::filesystem;

namespace {

// "2026-12-08T21:00:00Z": the civil date of the system clock's days since
// 1970, computed here so no time zone or C library enters it.
std::string UtcNow() {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
  const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{seconds / 86400}}};
  const long long inDay = seconds % 86400;
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02lld:%02lld:%02lldZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), inDay / 3600,
                inDay / 60 % 60, inDay % 60);
  return text;
}

// A fresh folder under the system's temporary folder ($TMPDIR on POSIX).
std::optional<fs::path> MakeScratchFolder() {
  std::random_device seed;
  std::error_code error;
  const fs::path parent = fs::temp_directory_path(error);
  for (int attempt = 0; !error && attempt < 100; ++attempt) {
    const fs::path folder = parent / ("sievebench-sweep-" + std::to_string(seed() % 1000000000u));
    if (fs::create_directory(folder, error) && !error) {
      return folder;
    }
  }
  return std::nullopt;
}

SweepResult Describe(const SweepOptions& options, const RunConditions& conditions, std::vector<RunRecord> runs) {
  SweepResult result;
  result.Format = ResultFormat;
  result.Version = ToolVersion;
  result.Label = options.Label.empty() ? HostName() : options.Label;
  result.Date = UtcNow();
  result.Host = DescribeMachine();
  result.Conditions = conditions;
  result.Program.Path = options.Program;
  std::error_code error;
  result.Program.SizeBytes = fs::file_size(options.Program, error);
  result.Program.Sha256 = FileSha256(options.Program);
  MarkOutliers(runs);
  result.Summaries = Summarize(runs);
  result.Runs = std::move(runs);
  return result;
}

bool WriteOutputs(const SweepOptions& options, const SweepResult& result) {
  bool written = true;
  auto report = [&](const std::string& problem, const std::string& path) {
    if (!problem.empty()) {
      std::fprintf(stderr, "sievebench-sweep: %s\n", TerminalSafe(problem).c_str());
      written = false;
    } else if (!path.empty()) {
      std::printf("wrote %s\n", TerminalSafe(path).c_str());
    }
  };
  if (!options.CsvPath.empty()) {
    report(ReplaceFileDurably(options.CsvPath, RunsCsv(result.Runs)), options.CsvPath);
  }
  if (!options.JsonPath.empty()) {
    report(ReplaceFileDurably(options.JsonPath, ResultFileText(result)), options.JsonPath);
  }
  if (!options.ChartPath.empty()) {
    std::string skipped;
    const std::string problem = DrawSweepChart(options.ChartPath, result.Summaries, skipped);
    if (!skipped.empty()) {
      std::printf("%s\n", skipped.c_str());
    }
    report(problem, skipped.empty() ? options.ChartPath : "");
  }
  return written;
}

// Every limit's warm-up runs, then its measured runs, each in a folder of its own.
std::vector<RunRecord> RunAll(const SweepOptions& options, const fs::path& root, bool temporary) {
  std::vector<RunRecord> runs;
  const uint32_t perLimit = options.Warmup + options.Repeat;
  const size_t total = options.Limits.size() * perLimit;
  for (const uint32_t limit : options.Limits) {
    for (uint32_t run = 1; run <= perLimit; ++run) {
      const bool warmup = run <= options.Warmup;
      std::fprintf(stderr, "run %zu of %zu: limit %u%s\n", runs.size() + 1, total, limit, warmup ? " (warm-up)" : "");
      const fs::path folder = root / ("limit-" + std::to_string(limit) + "-run-" + std::to_string(run));
      ProcessOutcome outcome;
      runs.push_back(RunOnce({options.Program, folder.string(), limit, run, warmup, options.TimeoutSeconds, options.Cpu},
                             outcome));
      if (temporary) {
        std::error_code ignored;  // a scratch folder left behind is only clutter
        fs::remove_all(folder, ignored);
      }
    }
  }
  return runs;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareConsole();
  SweepOptions options;
  const int status = ParseSweepOptions(std::vector<std::string>(argv + 1, argv + argc), options, std::cout, std::cerr);
  if (status >= 0) {
    return status;
  }
  if (options.Program.empty()) {
    options.Program = ProgramBesideSelf("sievebench");
  }
  if (!IsExecutable(options.Program)) {
    std::fprintf(stderr, "sievebench-sweep: cannot run '%s'\n", TerminalSafe(options.Program).c_str());
    return 2;
  }
  options.Program = fs::absolute(options.Program).string();
  if (options.Cpu && !CpuProblem(*options.Cpu).empty()) {
    std::fprintf(stderr, "sievebench-sweep: --cpu %u: %s\n", *options.Cpu, CpuProblem(*options.Cpu).c_str());
    return 2;
  }

  const bool temporary = options.Dir.empty();
  const std::optional<fs::path> scratch = temporary ? MakeScratchFolder() : std::nullopt;
  if (temporary && !scratch) {
    std::fprintf(stderr, "sievebench-sweep: cannot make a scratch folder in %s\n",
                 TerminalSafe(fs::temp_directory_path().string()).c_str());
    return 1;
  }
  std::error_code error;
  const fs::path root = fs::absolute(temporary ? *scratch : fs::path(options.Dir));
  fs::create_directories(root, error);
  RunConditions conditions = DescribeConditions(root.string(), options.Cpu);
  for (const std::string& warning : NoiseWarnings(conditions, DescribeMachine().Cores, RaisedPriority)) {
    std::fprintf(stderr, "warning: %s\n", warning.c_str());
  }
  std::vector<RunRecord> runs = RunAll(options, root, temporary);
  conditions.LoadAverageEnd = LoadAverage();
  if (temporary) {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  const SweepResult result = Describe(options, conditions, std::move(runs));
  std::fputs(SweepTable(result.Summaries).c_str(), stdout);
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
