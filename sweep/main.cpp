// SPDX-License-Identifier: MIT
// sievebench-sweep: runs the benchmark for each limit, warm-up runs first,
// then the measured ones; checks every run on its own terms, marks outliers,
// and summarises the times, with the machine and the conditions it ran
// under. The result file is rewritten after every run, so a sweep that is
// stopped, killed or cut off loses at most the run in progress, and
// --resume completes it. Exit status: 0 when every run was valid, 1 when any
// was not (or an output could not be written), 2 for bad options or a sweep
// that cannot start, 128 + the signal's number when a signal stopped it.
#include <algorithm>
#include <chrono>
#include <iterator>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "results/conditions.h"
#include "results/model.h"
#include "host/files.h"
#include "results/result_file.h"
#include "host/digest.h"
#include "results/statistics.h"
#include "results/sweep_noise.h"
#include "host/system.h"
#include "views/text_safe.h"
#include "cli/charts.h"
#include "views/csv.h"
#include "views/text.h"
#include "sweep/capacity.h"
#include "sweep/noise.h"
#include "sweep/options.h"
#include "sweep/plan.h"
#include "sweep/progress.h"
#include "sweep/runs.h"

namespace fs = std::filesystem;

namespace {

void Complain(const std::string& message) {
  std::fprintf(stderr, "sievebench-sweep: %s\n", TerminalSafe(message).c_str());
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

uint64_t FreshSeed() {
  std::random_device device;
  return (uint64_t{device()} << 32) ^ device();
}

// The one setup of a sweep without variants of its own.
Variant SweepVariant(const SweepSettings& settings, const ProgramInfo& program) {
  return {DefaultVariant, settings.Program, settings.Dir, settings.Cpu, program.Sha256};
}

// A --variant with the sweep's own options where it names none; "" or why
// its program cannot run (its CPU is checked with every sweep's, CpusProblem).
std::string ResolveVariant(const VariantOption& given, const SweepSettings& settings, Variant& variant) {
  variant = {given.Name, given.Program.value_or(settings.Program), given.Dir.value_or(settings.Dir),
             given.Cpu ? given.Cpu : settings.Cpu, std::nullopt};
  if (!IsExecutable(variant.Program)) {
    return "--variant " + given.Name + ": cannot run '" + variant.Program + "'";
  }
  variant.Program = fs::absolute(variant.Program).lexically_normal().string();
  variant.Dir = variant.Dir.empty() ? "" : fs::absolute(variant.Dir).lexically_normal().string();
  variant.Sha256 = FileSha256(variant.Program);
  return "";
}

// Why a variant of a sweep cut short cannot go on: its program is not the
// build it began with.
std::string VariantsProblem(const std::vector<Variant>& variants) {
  for (const Variant& variant : variants) {
    if (variant.Sha256 && FileSha256(variant.Program) != variant.Sha256) {
      return "the variant " + variant.Name + "'s program " + variant.Program + " is not the build the sweep began with";
    }
  }
  return "";
}

std::vector<std::string> VariantNames(const SweepResult& result) {
  std::vector<std::string> names;
  for (const Variant& variant : result.Variants) {
    names.push_back(variant.Name);
  }
  return names;
}

ProgramInfo DescribeProgram(const std::string& path) {
  ProgramInfo program;
  program.Path = path;
  std::error_code error;
  program.SizeBytes = fs::file_size(path, error);
  program.Sha256 = FileSha256(path);
  return program;
}

// A new sweep from the command line: its settings, and the file's head.
int BeginNew(const SweepOptions& options, SweepResult& result) {
  SweepSettings settings{options.Limits, options.Repeat,  options.Warmup, options.Label.empty() ? HostName() : options.Label,
                         options.Program, options.Dir,    options.Cpu,    options.TimeoutSeconds,
                         options.Seed ? *options.Seed : FreshSeed()};
  if (settings.Program.empty()) {
    settings.Program = ProgramBesideSelf("sievebench");
  }
  if (!IsExecutable(settings.Program)) {
    Complain("cannot run '" + settings.Program + "'");
    return 2;
  }
  settings.Program = fs::absolute(settings.Program).string();
  if (!settings.Dir.empty()) {
    settings.Dir = fs::absolute(settings.Dir).string();
  }
  result.Format = ResultFormat;
  result.Version = ToolVersion;
  result.Label = settings.Label;
  result.Date = UtcNow();
  result.Host = DescribeMachine();
  result.Program = DescribeProgram(settings.Program);
  std::fprintf(stderr, "seed %llu (--seed %llu runs the rounds in this order again)\n",
               static_cast<unsigned long long>(*settings.Seed), static_cast<unsigned long long>(*settings.Seed));
  result.Options = settings;
  result.Variants = {SweepVariant(settings, result.Program)};
  if (!options.Variants.empty()) {
    result.Variants.clear();
    for (const VariantOption& given : options.Variants) {
      result.Variants.emplace_back();
      if (const std::string problem = ResolveVariant(given, settings, result.Variants.back()); !problem.empty()) {
        Complain(problem);
        return 2;
      }
    }
  }
  return -1;
}

// A sweep cut short, from its file: the same program on the same machine
// goes on where it stopped.
int BeginResumed(const std::string& path, SweepResult& result) {
  std::string problem = ReadResultFile(path, result);
  if (problem.empty() && result.Options) {
    if (result.Variants.empty()) {
      result.Variants = {SweepVariant(*result.Options, result.Program)};
    }
    problem = ResumeProblem(result, DescribeProgram(result.Options->Program), DescribeMachine());
    if (problem.empty()) {
      problem = VariantsProblem(result.Variants);
    }
    if (problem.empty()) {
      problem = PlanProblem(PlanRuns(*result.Options, result.Variants.size()), result.Runs, VariantNames(result));
    }
  } else if (problem.empty()) {
    problem = "it does not record the options that made it";
  }
  if (!problem.empty()) {
    Complain("cannot resume " + path + ": " + problem);
    return 2;
  }
  if (!IsExecutable(result.Options->Program)) {
    Complain("cannot resume " + path + ": cannot run '" + result.Options->Program + "'");
    return 2;
  }
  result.Version = ToolVersion;
  result.Format = ResultFormat;  // rewritten in the current format, older runs as they were
  return -1;
}

// The outputs that grow with every run: the result file and the CSV.
struct Outputs {
  std::string JsonPath;
  std::string CsvPath;
  bool Failed = false;  // a write failed; the file before it stays whole
};

// The file as it stands, with outliers and summaries over the runs so far.
SweepResult Snapshot(const SweepResult& result) {
  SweepResult snapshot = result;
  MarkOutliers(snapshot.Runs);
  snapshot.Summaries = Summarize(snapshot.Runs);
  return snapshot;
}

// One output replaced whole; a failure keeps the previous file.
void SaveOne(const std::string& path, const std::string& text, Outputs& outputs) {
  const std::string problem = ReplaceFileDurably(path, text);
  if (!problem.empty()) {
    Complain(problem + " (the previous file is kept)");
    outputs.Failed = true;
  }
}

// Each output asked for; one not asked for is not even formatted.
void Save(const SweepResult& snapshot, Outputs& outputs) {
  if (!outputs.JsonPath.empty()) {
    SaveOne(outputs.JsonPath, ResultFileText(snapshot), outputs);
  }
  if (!outputs.CsvPath.empty()) {
    SaveOne(outputs.CsvPath, RunsCsv(snapshot.Runs), outputs);
  }
}

std::vector<PlannedRun> PlanOf(const SweepResult& result) {
  return PlanRuns(*result.Options, result.Variants.size());
}

// Where a variant's runs write: its own folder, kept, or the sweep's scratch folder.
fs::path VariantRoot(const Variant& variant, const fs::path& scratch) {
  return variant.Dir.empty() ? scratch : fs::path(variant.Dir);
}

// The runs that are left, each in a folder of its own, with a checkpoint
// after each; a stop request ends them, and the run it cut short is left out.
void RunTheRest(SweepResult& result, const fs::path& scratch, Outputs& outputs) {
  const SweepSettings& settings = *result.Options;
  const std::vector<PlannedRun> plan = PlanOf(result);
  const bool several = result.Variants.size() > 1;
  Progress progress(plan, VariantNames(result), StandardErrorIsTerminal(), stderr);
  for (size_t index = result.Runs.size(); index < plan.size() && !StopRequested(); ++index) {
    const PlannedRun& next = plan[index];
    const Variant& variant = result.Variants[next.Variant];
    const bool temporary = variant.Dir.empty();
    progress.Starting(index);
    const fs::path folder = VariantRoot(variant, scratch) / ((several ? variant.Name + "-" : std::string()) + "limit-" +
                                                             std::to_string(next.Limit) + "-run-" +
                                                             std::to_string(next.Run));
    const auto start = std::chrono::steady_clock::now();
    ProcessOutcome outcome;
    RunRecord record = RunOnce(
        {variant.Program, folder.string(), next.Limit, next.Run, next.Warmup, settings.TimeoutSeconds, variant.Cpu},
        outcome);
    progress.Finished(index, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    progress.Clear();
    if (temporary) {
      std::error_code ignored;  // a scratch folder left behind is only clutter
      fs::remove_all(folder, ignored);
    }
    if (outcome.Stopped) {
      break;
    }
    if (!record.Valid) {
      ShowInvalidRun(record, outcome.Output);
    }
    record.Round = next.Round;
    record.Sequence = static_cast<uint32_t>(index + 1);
    record.Variant = variant.Name;
    result.Runs.push_back(std::move(record));
    Save(Snapshot(result), outputs);
  }
  progress.Clear();
}

// 'a b.json' for a shell; plain paths stay plain.
std::string ShellWord(const std::string& word) {
  if (!word.empty() && word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._/-+=:,") ==
                           std::string::npos) {
    return word;
  }
  std::string quoted = "'";
  for (const char c : word) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

void WarnOfChangedConditions(const RunConditions& before, const RunConditions& now) {
  for (const ConditionChange& change : ChangedConditions(before, now, ConditionScope::OneMachine)) {
    std::fprintf(stderr, "warning: the resumed runs have another %s (%s, was %s)\n", change.Name.c_str(),
                 TerminalSafe(change.Is).c_str(), TerminalSafe(change.Was).c_str());
  }
}

// Refuses at once a sweep whose largest run cannot fit the memory or a run
// folder's disk; the variants that share a kept folder fill it together.
bool FitsTheMachine(const SweepResult& result, const fs::path& scratch) {
  const SweepSettings& settings = *result.Options;
  std::vector<std::pair<fs::path, uint32_t>> roots;  // each folder, and the runs per limit it keeps
  for (const Variant& variant : result.Variants) {
    const fs::path root = VariantRoot(variant, scratch);
    auto known = std::find_if(roots.begin(), roots.end(), [&](const auto& entry) { return entry.first == root; });
    if (known == roots.end()) {
      roots.emplace_back(root, 0);
      known = roots.end() - 1;
    }
    known->second += variant.Dir.empty() ? 0 : settings.Warmup + settings.Repeat;
  }
  for (const auto& [root, kept] : roots) {
    std::error_code error;
    fs::create_directories(root, error);
    const fs::space_info space = fs::space(root, error);
    const std::string problem = CapacityProblem({settings.Limits, std::max(kept, 1u), kept != 0}, AvailableMemory(),
                                                error ? std::nullopt : std::optional(space.available));
    if (!problem.empty()) {
      Complain(problem);
      return false;
    }
  }
  return true;
}

// "" or why a variant's CPU cannot be used here, named as the command line
// named it: --cpu for a sweep's own setup, --variant for one of several.
std::string CpusProblem(const std::vector<Variant>& variants) {
  for (const Variant& variant : variants) {
    if (variant.Cpu && !CpuProblem(*variant.Cpu).empty()) {
      const std::string cpu = std::to_string(*variant.Cpu);
      return (variants.size() > 1 ? "--variant " + variant.Name + ": cpu " + cpu : "--cpu " + cpu) + ": " +
             CpuProblem(*variant.Cpu);
    }
  }
  return "";
}

// The table, the outputs written, the chart of a finished sweep, and the
// exit status.
int ReportAndFinish(const SweepResult& final, const std::string& chartPath, Outputs& outputs) {
  std::fputs(SweepTable(final.Summaries).c_str(), stdout);
  const bool alone = final.Variants.size() == 1;
  for (const Variant& variant : final.Variants) {
    for (const std::string& warning :
         DriftWarnings(final, alone ? "" : variant.Name, alone ? final.Label : variant.Name)) {
      std::fprintf(stderr, "warning: %s\n", TerminalSafe(warning).c_str());
    }
  }
  for (const std::string& path : {outputs.JsonPath, outputs.CsvPath}) {
    if (!path.empty() && !outputs.Failed) {
      std::printf("wrote %s\n", TerminalSafe(path).c_str());
    }
  }
  // gnuplot runs as a child, which a stop request would end at once.
  if (!chartPath.empty() && !StopRequested()) {
    std::string skipped;
    // One variant's lines: sievebench-compare --chart sets the variants side by side.
    std::vector<LimitSummary> first;
    std::copy_if(final.Summaries.begin(), final.Summaries.end(), std::back_inserter(first),
                 [&](const LimitSummary& row) { return row.Variant == final.Summaries.front().Variant; });
    const std::string problem = DrawSweepChart(chartPath, first, skipped);
    std::printf("%s\n", TerminalSafe(skipped.empty() && problem.empty() ? "wrote " + chartPath : skipped).c_str());
    if (!problem.empty()) {
      Complain(problem);
      outputs.Failed = true;
    }
  }
  size_t invalid = 0;
  for (const RunRecord& run : final.Runs) {
    invalid += run.Valid ? 0 : 1;
  }
  if (invalid != 0) {
    std::fprintf(stderr, "sievebench-sweep: %zu of %zu runs FAILED validation\n", invalid, final.Runs.size());
  }
  if (StopRequested()) {
    const std::string how = final.Complete          ? "the sweep is complete"
                            : outputs.JsonPath.empty() ? "without --json there is no result file to resume from"
                                                       : "resume with: sievebench-sweep --resume " + ShellWord(outputs.JsonPath);
    std::fprintf(stderr, "sievebench-sweep: interrupted by %s after %zu of %zu runs; %s\n", StopName().c_str(),
                 final.Runs.size(), PlanOf(final).size(), TerminalSafe(how).c_str());
    StopHandled();
    return StopStatus();
  }
  return invalid == 0 && !outputs.Failed ? 0 : 1;
}

// The finished sweep's file added by the archive beside this program, which
// prints what it did; a file it cannot add fails the sweep with its status.
int AddToArchive(const std::string& archive, const Outputs& outputs) {
  if (outputs.Failed) {
    Complain("not added to " + archive + ": the result file was not written");
    return 1;
  }
  ProcessRequest request;
  request.Program = ProgramBesideSelf("sievebench-archive");
  request.Arguments = {"add", archive, outputs.JsonPath};
  const ProcessOutcome outcome = RunProcess(request);
  std::fputs(outcome.Output.c_str(), stdout);  // the archive makes its own text safe
  if (!outcome.StartError.empty()) {
    Complain("cannot add to " + archive + ": " + outcome.StartError);
    return 1;
  }
  return outcome.ExitCode == 0 ? 0 : std::max(outcome.ExitCode, 1);
}

}  // namespace

int main(int argc, char** argv) {
  PrepareConsole();
  WatchForStopRequests();
  SweepOptions options;
  int status = ParseSweepOptions(std::vector<std::string>(argv + 1, argv + argc), options, std::cout, std::cerr);
  if (status >= 0) {
    return status;
  }
  const bool resumed = !options.ResumePath.empty();
  SweepResult result;
  status = resumed ? BeginResumed(options.ResumePath, result) : BeginNew(options, result);
  if (status >= 0) {
    return status;
  }
  if (const std::string problem = CpusProblem(result.Variants); !problem.empty()) {
    Complain(problem);
    return 2;
  }

  const bool temporary = std::any_of(result.Variants.begin(), result.Variants.end(),
                                     [](const Variant& variant) { return variant.Dir.empty(); });
  const std::optional<fs::path> scratch = temporary ? MakeScratchFolder() : std::nullopt;
  if (temporary && !scratch) {
    std::error_code ignored;  // the message names the folder it could find, if any
    Complain("cannot make a scratch folder in " + fs::temp_directory_path(ignored).string());
    return 1;
  }
  const fs::path root = scratch.value_or(fs::path());
  if (!FitsTheMachine(result, root)) {
    std::error_code ignored;  // the sweep is refused either way
    if (temporary) {
      fs::remove_all(root, ignored);
    }
    return 2;
  }

  // The conditions are the first variant's, the baseline a comparison sets the others against.
  const Variant& baseline = result.Variants.front();
  RunConditions conditions = DescribeConditions(VariantRoot(baseline, root).string(), baseline.Cpu);
  conditions.PagePolicy = ProgramPagePolicy(baseline.Program);
  if (resumed) {
    WarnOfChangedConditions(result.Conditions, conditions);
  } else {
    result.Conditions = conditions;
  }
  for (const std::string& warning : NoiseWarnings(conditions, DescribeMachine().Cores, RaisedPriority)) {
    std::fprintf(stderr, "warning: %s\n", warning.c_str());
  }

  Outputs outputs{resumed ? options.ResumePath : options.JsonPath, options.CsvPath};
  result.Complete = false;
  RunTheRest(result, root, outputs);
  if (temporary) {
    std::error_code ignored;  // a scratch folder left behind is only clutter
    fs::remove_all(root, ignored);
  }
  result.Conditions.LoadAverageEnd = LoadAverage();
  result.Complete = result.Runs.size() == PlanOf(result).size();
  const SweepResult final = Snapshot(result);
  Save(final, outputs);

  status = ReportAndFinish(final, options.ChartPath, outputs);
  if (!options.ArchivePath.empty() && !StopRequested()) {
    status = std::max(status, AddToArchive(options.ArchivePath, outputs));
  }
  return status;
}
