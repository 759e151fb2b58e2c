// The sweep's command line: which limits to run, how often, and where the
// results go.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SweepOptions {
  std::vector<uint32_t> Limits;  // in the order given, each run Repeat times
  int Repeat = 5;
  std::string CsvPath;
  std::string JsonPath;
  std::string ChartPath;  // .svg or .png
  std::string Program;    // the benchmark; empty: the sievebench beside the sweep
  std::string Dir;        // where runs write; empty: a fresh temporary folder
  double TimeoutSeconds = 3600;
  bool Help = false;
};

extern const char SweepUsage[];

// Fills `options` from the arguments; returns an error message, or "" when they are sound.
std::string ParseOptions(const std::vector<std::string>& arguments, SweepOptions& options);
// "500000", "1e6", or "A..B" for the powers of ten from A to B, comma-separated.
std::string ParseLimits(const std::string& text, std::vector<uint32_t>& limits);
