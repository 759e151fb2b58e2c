// SPDX-License-Identifier: MIT
// The sweep's options through CLI11; the limits have a small grammar of
// their own. Every mistake gets a message naming the option and what it takes.
#include "sweep/options.h"

#include "cli/command_line.h"
#include "results/report.h"
#include "results/variants.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

// A whole number from 1 to LargestLimit, written plainly or as MeE (1e6, 2.5e3).
static bool ParseNumber(const std::string& text, double& value) {
  if (text.empty() || text.find_first_not_of("0123456789.eE+") != std::string::npos) {
    return false;
  }
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return *end == 0 && value >= 1 && value <= static_cast<double>(LargestLimit) && value == std::floor(value);
}

static std::string ParseRange(const std::string& item, size_t dots, std::vector<uint32_t>& limits) {
  double low = 0;
  double high = 0;
  if (!ParseNumber(item.substr(0, dots), low) || !ParseNumber(item.substr(dots + 2), high) || low > high) {
    return "--limits: '" + item + "' is not a range A..B of limits with A <= B";
  }
  bool any = false;
  for (uint64_t power = 1; static_cast<double>(power) <= high; power *= 10) {
    if (static_cast<double>(power) >= low) {
      limits.push_back(static_cast<uint32_t>(power));
      any = true;
    }
  }
  return any ? "" : "--limits: the range '" + item + "' holds no power of ten";
}

std::string ParseLimits(const std::string& text, std::vector<uint32_t>& limits) {
  limits.clear();
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const size_t dots = item.find("..");
    if (dots != std::string::npos) {
      std::string problem = ParseRange(item, dots, limits);
      if (!problem.empty()) {
        return problem;
      }
    } else {
      double value = 0;
      if (!ParseNumber(item, value)) {
        return "--limits: '" + item + "' is not a whole number from 1 to " + std::to_string(LargestLimit);
      }
      limits.push_back(static_cast<uint32_t>(value));
    }
    if (comma == std::string::npos) {
      break;
    }
    start = comma + 1;
  }
  return "";
}

static std::string VariantKey(const std::string& key, const std::string& value, VariantOption& variant) {
  if (value.empty()) {
    return "the key " + key + " has no value";
  }
  if (key == "program" || key == "dir") {
    (key == "program" ? variant.Program : variant.Dir) = value;
    return "";
  }
  if (key == "cpu") {
    if (value.size() > 4 || value.find_first_not_of("0123456789") != std::string::npos) {
      return "cpu=" + value + " is not a CPU's number";
    }
    variant.Cpu = static_cast<unsigned>(std::stoul(value));
    return "";
  }
  return "'" + key + "' is not a key (program, dir or cpu)";
}

std::string ParseVariant(const std::string& text, VariantOption& variant) {
  const size_t colon = text.find(':');
  const std::string where = "--variant " + text + ": ";
  variant = {};
  variant.Name = text.substr(0, colon);
  if (const std::string problem = VariantNameProblem(variant.Name); !problem.empty()) {
    return where + problem;
  }
  size_t start = colon == std::string::npos ? text.size() : colon + 1;
  while (start < text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const std::string item = text.substr(start, comma - start);
    const size_t equals = item.find('=');
    if (equals == std::string::npos) {
      return std::string(where).append("'").append(item).append("' is not KEY=VALUE");
    }
    if (const std::string problem = VariantKey(item.substr(0, equals), item.substr(equals + 1), variant);
        !problem.empty()) {
      return where + problem;
    }
    start = comma + 1;
  }
  return "";
}

static std::string ParseVariants(const std::vector<std::string>& texts, std::vector<VariantOption>& variants) {
  if (texts.size() == 1) {
    return "--variant: give two or more setups to run side by side, or none";
  }
  if (texts.size() > MostVariants) {
    return "--variant: at most " + std::to_string(MostVariants) + " setups";
  }
  for (const std::string& text : texts) {
    VariantOption variant;
    if (std::string problem = ParseVariant(text, variant); !problem.empty()) {
      return problem;
    }
    for (const VariantOption& earlier : variants) {
      if (earlier.Name == variant.Name) {
        return "--variant: two setups are named '" + variant.Name + "'";
      }
    }
    variants.push_back(variant);
  }
  return "";
}

int ParseSweepOptions(const std::vector<std::string>& arguments, SweepOptions& options, std::ostream& out,
                      std::ostream& err) {
  CLI::App app("Runs sievebench for each limit, several times, validates every run, and reports\n"
               "mean +- sd and range of each phase.",
               "sievebench-sweep");
  std::string limits = "1e3..1e8";
  std::vector<CLI::Option*> sweepOptions;  // what a resumed sweep takes from its file
  sweepOptions.push_back(app.add_option("--limits", limits,
                 "comma-separated limits: a number (500000, 1e6) or a range A..B of the powers of ten from A to B")
      ->capture_default_str());
  sweepOptions.push_back(
      app.add_option("--repeat", options.Repeat, "measured runs per limit")->check(CLI::Range(1, 1000))->capture_default_str());
  sweepOptions.push_back(
      app.add_option("--warmup", options.Warmup, "warm-up runs per limit before the measured ones, left out of the figures")
          ->check(CLI::Range(0, 100))
          ->capture_default_str());
  sweepOptions.push_back(
      app.add_option("--label", options.Label, "the machine's name in the result file (default: the host name)"));
  app.add_option("--csv", options.CsvPath, "one row per run");
  sweepOptions.push_back(app.add_option(
      "--json", options.JsonPath, "the result file: the machine, every run and the summaries, rewritten after each run"));
  app.add_option("--chart", options.ChartPath, "log-log chart of the phase times (.svg or .png; needs gnuplot)")
      ->check(ChartPathCheck);
  sweepOptions.push_back(
      app.add_option("--program", options.Program, "the benchmark to run (default: sievebench beside this program)"));
  sweepOptions.push_back(app.add_option(
      "--dir", options.Dir, "where the runs write primes.txt, one folder per run, kept (default: a temporary folder)"));
  sweepOptions.push_back(app.add_option("--timeout", options.TimeoutSeconds, "seconds a run may take before it is stopped")
                             ->check(CLI::PositiveNumber)
                             ->capture_default_str());
  sweepOptions.push_back(app.add_option("--cpu", options.Cpu, "pin the benchmark to this CPU (numbered from 0)"));
  sweepOptions.push_back(app.add_option("--seed", options.Seed,
                                        "shuffle each round's order from this number (default: a fresh one, printed)"));
  std::vector<std::string> variants;
  sweepOptions.push_back(app.add_option(
      "--variant", variants,
      "NAME:KEY=VALUE[,KEY=VALUE...], twice or more: setups run side by side in every round, each key (program, dir, "
      "cpu) in place of the sweep's own option; compare pairs their runs round by round"));
  CLI::Option* resume = app.add_option("--resume", options.ResumePath,
                                       "complete the sweep cut short whose result file this is, with its own options");
  for (CLI::Option* option : sweepOptions) {
    resume->excludes(option);
  }
  app.add_option("--archive", options.ArchivePath,
                 "add the result file to this archive (sievebench-archive) when the sweep ends");
  const int status = ParseCommandLine(app, arguments, out, err);
  if (status >= 0) {
    return status;
  }
  std::string problem = ParseLimits(limits, options.Limits);
  if (problem.empty()) {
    problem = ParseVariants(variants, options.Variants);
  }
  if (problem.empty() && !options.ArchivePath.empty() && options.JsonPath.empty() && options.ResumePath.empty()) {
    problem = "--archive needs --json: the archive takes the result file";
  }
  if (!problem.empty()) {
    err << "sievebench-sweep: " << problem << "\n(see sievebench-sweep --help)\n";
    return 2;
  }
  return -1;
}
