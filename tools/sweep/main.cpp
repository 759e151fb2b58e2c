// sievebench-sweep: runs the benchmark for each limit, several times, checks
// every run on its own terms, and summarises the times. Exit status: 0 when
// every run was valid, 1 when any was not, 2 for bad options.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/sweep/child.h"
#include "tools/sweep/options.h"
#include "tools/sweep/report.h"
#include "tools/sweep/results.h"

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

// Runs the benchmark once in a folder of its own and judges the run.
static RunRecord RunOnce(const SweepOptions& options, const fs::path& folder, uint32_t limit, int run) {
  RunRecord record;
  record.Limit = limit;
  record.Run = run;
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
    std::fprintf(stderr, "INVALID RUN: limit %u, run %d: %s\n  it printed: ", limit, run, record.Problems.c_str());
    for (const char byte : outcome.Output) {
      std::fputs(byte == '\r' ? "\\r" : byte == '\n' ? "\\n\n  " : std::string(1, byte).c_str(), stderr);
    }
    std::fputc('\n', stderr);
  }
  return record;
}

static bool WriteOutputs(const SweepOptions& options, const std::vector<RunRecord>& runs,
                         const std::vector<LimitSummary>& summaries) {
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
    report(WriteCsv(options.CsvPath, runs), options.CsvPath);
  }
  if (!options.JsonPath.empty()) {
    report(WriteJson(options.JsonPath, DescribeMachine(), runs, summaries), options.JsonPath);
  }
  if (!options.ChartPath.empty()) {
    std::string skipped;
    const std::string problem = DrawChart(options.ChartPath, summaries, skipped);
    if (!skipped.empty()) {
      std::printf("%s\n", skipped.c_str());
    }
    report(problem, skipped.empty() ? options.ChartPath : "");
  }
  return written;
}

int main(int argc, char** argv) {
  SweepOptions options;
  const std::string problem = ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options);
  if (!problem.empty()) {
    std::fprintf(stderr, "sievebench-sweep: %s\n(see sievebench-sweep --help)\n", problem.c_str());
    return 2;
  }
  if (options.Help) {
    std::fputs(SweepUsage, stdout);
    return 0;
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

  std::vector<RunRecord> runs;
  const size_t total = options.Limits.size() * static_cast<size_t>(options.Repeat);
  for (const uint32_t limit : options.Limits) {
    for (int run = 1; run <= options.Repeat; ++run) {
      std::fprintf(stderr, "run %zu of %zu: limit %u\n", runs.size() + 1, total, limit);
      const fs::path folder = root / ("limit-" + std::to_string(limit) + "-run-" + std::to_string(run));
      runs.push_back(RunOnce(options, folder, limit, run));
      if (temporary) {
        std::error_code ignored;  // a scratch folder left behind is only clutter
        fs::remove_all(folder, ignored);
      }
    }
  }
  if (temporary) {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  const std::vector<LimitSummary> summaries = Summarize(runs);
  PrintTable(stdout, summaries);
  const bool written = WriteOutputs(options, runs, summaries);
  size_t invalid = 0;
  for (const RunRecord& run : runs) {
    invalid += run.Valid ? 0 : 1;
  }
  if (invalid != 0) {
    std::fprintf(stderr, "sievebench-sweep: %zu of %zu runs FAILED validation\n", invalid, runs.size());
  }
  return invalid == 0 && written ? 0 : 1;
}
