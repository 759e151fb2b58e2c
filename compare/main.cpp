// SPDX-License-Identifier: MIT
// sievebench-compare: one table across result files from several machines
// (or several sweeps of one), each file checked first. Exit status: 0 when
// every file was sound, 2 when any was malformed, otherwise 1 when any was
// tampered with or an output could not be written.
#include <exception>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "results/command_line.h"
#include "results/comparison.h"
#include "results/result_file.h"

struct CompareOptions {
  std::vector<std::string> Paths;
  std::string MarkdownPath;
  std::string ChartPath;
};

static int ParseCompareOptions(int argc, char** argv, CompareOptions& options) {
  CLI::App app("Compares sievebench-sweep result files: per limit and phase, each machine's median and its\n"
               "ratio to the first file's.",
               "sievebench-compare");
  app.add_option("files", options.Paths, "result files (sievebench-sweep --json); the first is the baseline")
      ->required();
  app.add_option("--markdown", options.MarkdownPath, "the same table as Markdown");
  app.add_option("--chart", options.ChartPath, "one line per machine against N (.svg or .png; needs gnuplot)")
      ->check(ChartPathCheck);
  return ParseCommandLine(app, std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}

// Reads and checks every file; each one that fails is named with what is wrong.
static std::vector<ComparedFile> ReadFiles(const std::vector<std::string>& paths, bool& malformed, bool& tampered) {
  std::vector<ComparedFile> files;
  for (const std::string& path : paths) {
    ComparedFile file{path, {}, {}};
    const std::string problem = ReadResultFile(path, file.Result);
    if (!problem.empty()) {
      std::cerr << "sievebench-compare: " << path << ": " << problem << "\n";
      malformed = true;
      continue;
    }
    const std::vector<std::string> tampering = FindTampering(file.Result);
    for (const std::string& run : tampering) {
      std::cerr << "sievebench-compare: " << path << ": tampered: " << run << "\n";
    }
    if (!tampering.empty()) {
      tampered = true;
      continue;
    }
    files.push_back(std::move(file));
  }
  return files;
}

static bool WriteMarkdown(const std::string& path, const std::vector<ComparedFile>& files) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << MarkdownTable(files);
  out.close();
  if (out.fail()) {
    std::cerr << "sievebench-compare: cannot write " << path << "\n";
    return false;
  }
  std::cout << "wrote " << path << "\n";
  return true;
}

static bool WriteChart(const std::string& path, const std::vector<ComparedFile>& files) {
  std::string skipped;
  const std::string problem = DrawComparisonChart(path, files, skipped);
  if (!problem.empty()) {
    std::cerr << "sievebench-compare: " << problem << "\n";
    return false;
  }
  std::cout << (skipped.empty() ? "wrote " + path : skipped) << "\n";
  return true;
}

static int Compare(int argc, char** argv) {
  CompareOptions options;
  const int status = ParseCompareOptions(argc, argv, options);
  if (status >= 0) {
    return status;
  }
  bool malformed = false;
  bool tampered = false;
  std::vector<ComparedFile> files = ReadFiles(options.Paths, malformed, tampered);
  bool written = true;
  if (!files.empty()) {
    NameFiles(files);
    std::cout << TextTable(files) << InvalidRunNotes(files);
    if (!options.MarkdownPath.empty()) {
      written = WriteMarkdown(options.MarkdownPath, files) && written;
    }
    if (!options.ChartPath.empty()) {
      written = WriteChart(options.ChartPath, files) && written;
    }
  }
  if (malformed) {
    return 2;
  }
  return tampered || !written ? 1 : 0;
}

int main(int argc, char** argv) {
  // Whatever a file holds has been checked before use; what is left to throw
  // is the machine itself (memory), which ends the run with a message.
  try {
    return Compare(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "sievebench-compare: " << error.what() << "\n";
    return 1;
  }
}
