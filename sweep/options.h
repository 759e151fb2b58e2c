// SPDX-License-Identifier: MIT
// The sweep's command line: which limits to run, how often, and where the
// results go.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// One --variant NAME:KEY=VALUE[,KEY=VALUE...], as given.
struct VariantOption {
  std::string Name;
  std::optional<std::string> Program;
  std::optional<std::string> Dir;
  std::optional<unsigned> Cpu;
};

struct SweepOptions {
  std::vector<uint32_t> Limits;  // in the order given, each run Warmup + Repeat times
  uint32_t Repeat = 5;
  uint32_t Warmup = 1;
  std::string Label;      // empty: the host name
  std::string CsvPath;
  std::string JsonPath;
  std::string ChartPath;  // .svg or .png
  std::string Program;    // the benchmark; empty: the sievebench beside the sweep
  std::string Dir;        // where runs write; empty: a fresh temporary folder
  double TimeoutSeconds = 3600;
  std::optional<unsigned> Cpu;  // the one CPU the benchmark runs on
  std::optional<uint64_t> Seed; // the rounds' shuffle; none: a fresh one
  std::string ResumePath;       // a result file to complete; its options stand for the ones above
  std::string ArchivePath;      // an archive the result file is added to when the sweep ends
  // Setups run side by side in every round; a key left out is the sweep's
  // own option above. Empty: the sweep's own setup alone.
  std::vector<VariantOption> Variants;
};

// Fills `options` from the arguments (without the program's name). Returns
// -1 to go on, or the exit status: 0 after --help or --version, 2 for a
// mistake, whose message has gone to `err`.
int ParseSweepOptions(const std::vector<std::string>& arguments, SweepOptions& options, std::ostream& out,
                      std::ostream& err);
// Reads one --variant's value; returns why it cannot, or "".
std::string ParseVariant(const std::string& text, VariantOption& variant);
// "500000", "1e6", or "A..B" for the powers of ten from A to B, comma-separated.
std::string ParseLimits(const std::string& text, std::vector<uint32_t>& limits);
