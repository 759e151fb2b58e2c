// SPDX-License-Identifier: MIT
// sievebench-compare: result files of several machines (or several sweeps of
// one) against the first, each file checked first; a table for the terminal,
// and Markdown, JSON, a page and a chart on request. The exit statuses are listed in
// ExitStatus below.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "results/comparison.h"
#include "host/files.h"
#include "results/result_file.h"
#include "host/system.h"
#include "views/text_safe.h"
#include "views/cell_text.h"
#include "cli/charts.h"
#include "views/html.h"
#include "views/json.h"
#include "views/markdown.h"
#include "views/text.h"

namespace {

constexpr char Program[] = "sievebench-compare";

enum ExitStatus {
  Compared = 0,       // every file was sound
  Refused = 1,        // a file was tampered with, or an output could not be written
  Malformed = 2,      // a file was malformed or unreadable, or an option was wrong
  SlowerThanGate = 3  // --fail-slower: a machine's total is significantly slower by more than the gate
};

struct CompareOptions {
  std::vector<std::string> Paths;
  std::string MarkdownPath;
  std::string JsonPath;
  std::string ChartPath;
  std::string HtmlPath;
  double Alpha = 0.05;
  std::optional<double> FailSlowerPercent;
};

int ParseCompareOptions(int argc, char** argv, CompareOptions& options) {
  CLI::App app("Compares sievebench-sweep result files against the first: per limit and phase, each machine's\n"
               "median with its 95% interval, its change, and whether the change is significant.",
               "sievebench-compare");
  app.add_option("files", options.Paths, "result files (sievebench-sweep --json); the first is the baseline")
      ->required();
  app.add_option("--alpha", options.Alpha, "a change is significant when its p-value is below this")
      ->check([](const std::string& text) {
        const double alpha = std::strtod(text.c_str(), nullptr);
        return alpha > 0 && alpha < 1 ? std::string() : "--alpha takes a number between 0 and 1, both left out";
      })
      ->capture_default_str();
  app.add_option("--fail-slower", options.FailSlowerPercent,
                 "exit with 3 when a machine's total geomean is significantly slower than the baseline by more "
                 "than this many percent")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--markdown", options.MarkdownPath, "the comparison as Markdown");
  app.add_option("--json", options.JsonPath, "the comparison as JSON");
  app.add_option("--html", options.HtmlPath, "the whole comparison as one self-contained page, charts inline");
  app.add_option("--chart", options.ChartPath, "one line per machine against N (.svg or .png; needs gnuplot)")
      ->check(ChartPathCheck);
  return ParseCommandLine(app, std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}

void Complain(const std::string& path, const std::string& problem) {
  std::cerr << Program << ": " << TerminalSafe(path) << ": " << TerminalSafe(problem) << "\n";
}

// Reads and checks every file; each one that fails is named with what is wrong.
std::vector<ComparedFile> ReadFiles(const std::vector<std::string>& paths, bool& malformed, bool& tampered) {
  std::vector<ComparedFile> files;
  for (const std::string& path : paths) {
    ComparedFile file{path, {}, {}, {}, 0};
    const std::string problem = ReadResultFile(path, file.Result);
    if (!problem.empty()) {
      Complain(path, problem);
      malformed = true;
      continue;
    }
    const std::vector<std::string> tampering = FindTampering(file.Result);
    for (const std::string& run : tampering) {
      Complain(path, "tampered: " + run);
    }
    if (!tampering.empty()) {
      tampered = true;
      continue;
    }
    files.push_back(std::move(file));
  }
  return files;
}

bool WriteChart(const std::string& path, const Comparison& comparison) {
  std::string skipped;
  const std::string problem = DrawComparisonChart(path, comparison, skipped);
  if (!problem.empty()) {
    std::cerr << Program << ": " << problem << "\n";
    return false;
  }
  std::cout << (skipped.empty() ? "wrote " + TerminalSafe(path) : skipped) << "\n";
  return true;
}

// Writes every output asked for; false when any could not be written.
bool WriteOutputs(const CompareOptions& options, const Comparison& comparison) {
  bool written = true;
  if (!options.MarkdownPath.empty()) {
    written = WriteOutput(Program, options.MarkdownPath, ComparisonMarkdown(comparison)) && written;
  }
  if (!options.JsonPath.empty()) {
    written = WriteOutput(Program, options.JsonPath, ComparisonJson(comparison, ToolVersion)) && written;
  }
  if (!options.HtmlPath.empty()) {
    written = WriteOutput(Program, options.HtmlPath, ComparisonHtml(comparison, DrawPageCharts(comparison), UtcNow(), ToolVersion)) && written;
  }
  if (!options.ChartPath.empty()) {
    written = WriteChart(options.ChartPath, comparison) && written;
  }
  return written;
}

// Names each machine that --fail-slower catches; true when there is one.
bool GateTripped(const Comparison& comparison, double percent) {
  const std::vector<size_t> slower = SignificantlySlower(comparison, percent);
  for (const size_t file : slower) {
    std::cerr << Program << ": " << TerminalSafe(comparison.Files[file].Name) << " is significantly slower than "
              << TerminalSafe(comparison.Files[0].Name) << ": its total geomean "
              << PercentText(*TotalGeomean(comparison, file)->ChangePercent) << " is past the gate of "
              << PlainNumber(percent) << "%\n";
  }
  return !slower.empty();
}

int Compare(int argc, char** argv) {
  PrepareConsole();
  CompareOptions options;
  const int status = ParseCompareOptions(argc, argv, options);
  if (status >= 0) {
    return status;
  }
  bool malformed = false;
  bool tampered = false;
  std::vector<ComparedFile> files = ReadFiles(options.Paths, malformed, tampered);
  bool written = true;
  bool slower = false;
  if (!files.empty()) {
    NameFiles(files);
    const Comparison comparison = CompareFiles(std::move(files), options.Alpha);
    std::cout << ComparisonText(comparison);
    written = WriteOutputs(options, comparison);
    if (options.FailSlowerPercent) {
      slower = GateTripped(comparison, *options.FailSlowerPercent);
    }
  }
  if (malformed) {
    return Malformed;
  }
  if (tampered || !written) {
    return Refused;
  }
  return slower ? SlowerThanGate : Compared;
}

}  // namespace

int main(int argc, char** argv) {
  // Whatever a file holds has been checked before use; what is left to throw
  // is the machine itself (memory), which ends the run with a message.
  try {
    return Compare(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << Program << ": " << error.what() << "\n";
    return Refused;
  }
}
