// SPDX-License-Identifier: MIT
// Whether the benchmark's page policy ever loses to plain pages, measured as
// users meet it: fresh processes, one after the other, each of ours
// interleaved with one of the plain build's (its array from malloc), and
// which goes first alternating, so that a slow spell of the machine falls on
// both alike. Two measurements a size: the fill alone (the fill probes) and
// whole runs of the two programs back to back, as a sweep makes them, whose
// reported fill is what a user sees. Prints each side's median, 90th
// percentile and worst, and their ratios; it asserts nothing, since this
// machine's noise is not ours to fail on.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "results/statistics.h"

namespace {

// One fresh process's times, in milliseconds.
struct Sample {
  double Fill = 0;
  double Total = 0;  // whole runs only
};

FILE* Start(const std::string& command) {
  return popen(command.c_str(), "r");
}

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

// The fill probe prints "MS US"; its microseconds are the finer reading.
bool ProbeFill(const std::string& probe, unsigned long limit, Sample& sample) {
  FILE* const output = Start(Quoted(probe) + " " + std::to_string(limit));
  if (output == nullptr) {
    return false;
  }
  unsigned milliseconds = 0;
  double microseconds = 0;
  const bool read = std::fscanf(output, "%u %lf", &milliseconds, &microseconds) == 2;
  sample.Fill = microseconds / 1000;
  return pclose(output) == 0 && read;
}

// A whole run in `folder`, its limit piped in; the report's fill and total.
bool WholeRun(const std::string& program, const std::string& folder, unsigned long limit, Sample& sample) {
  FILE* const output =
      Start("cd " + Quoted(folder) + " && echo " + std::to_string(limit) + " | " + Quoted(program));
  if (output == nullptr) {
    return false;
  }
  bool fill = false;
  bool total = false;
  char line[256];
  while (std::fgets(line, sizeof line, output) != nullptr) {
    unsigned ms = 0;
    char rest[64] = {};
    if (std::sscanf(line, "%u ms %63[^\r\n]", &ms, rest) != 2) {
      continue;
    }
    if (std::string(rest) == "to initialize array") {
      sample.Fill = ms;
      fill = true;
    } else if (std::string(rest) == "total time.") {
      sample.Total = ms;
      total = true;
    }
  }
  return pclose(output) == 0 && fill && total;
}

struct Figures {
  double Median = 0, P90 = 0, Worst = 0;
};

Figures FiguresOf(const std::vector<double>& values) {
  return {Percentile(values, 50), Percentile(values, 90), Percentile(values, 100)};
}

std::vector<double> Column(const std::vector<Sample>& samples, double Sample::*field) {
  std::vector<double> values;
  values.reserve(samples.size());
  for (const Sample& sample : samples) {
    values.push_back(sample.*field);
  }
  return values;
}

double Ratio(double ours, double plain) {
  return plain > 0 ? ours / plain : (ours > 0 ? 99.99 : 1.0);
}

void PrintRow(const char* what, unsigned long limit, size_t runs, const Figures& ours, const Figures& plain) {
  std::printf("%-12s %10lu %4zu | %9.3f %9.3f %9.3f | %9.3f %9.3f %9.3f | %6.2fx %6.2fx %6.2fx\n", what, limit, runs,
              ours.Median, ours.P90, ours.Worst, plain.Median, plain.P90, plain.Worst, Ratio(ours.Median, plain.Median),
              Ratio(ours.P90, plain.P90), Ratio(ours.Worst, plain.Worst));
}

// The bar the policy must clear on whole runs' reported fill.
void PrintVerdict(const Figures& ours, const Figures& plain) {
  const bool median = ours.Median <= 1.05 * plain.Median + 0.5;
  const bool p90 = ours.P90 <= 1.2 * plain.P90 + 1;
  std::printf("%-12s %10s %4s   median <= 1.05 x plain + 0.5 ms: %s; p90 <= 1.2 x plain + 1 ms: %s\n", "", "", "",
              median ? "met" : "MISSED", p90 ? "met" : "MISSED");
}

unsigned long Setting(const char* name, unsigned long otherwise) {
  const char* const value = std::getenv(name);
  return value == nullptr ? otherwise : std::strtoul(value, nullptr, 10);
}

std::vector<unsigned long> Limits() {
  const char* const chosen = std::getenv("SIEVEBENCH_PAGE_LIMITS");
  if (chosen == nullptr) {
    return {1000, 10000, 100000, 500000, 1000000, 10000000, 100000000, 1000000000};
  }
  std::vector<unsigned long> limits;
  for (const char* at = chosen; *at != '\0';) {
    char* end = nullptr;
    limits.push_back(std::strtoul(at, &end, 10));
    at = *end == ',' ? end + 1 : end + std::string(end).size();
  }
  return limits;
}

struct Programs {
  std::string Probe, Floor, Ours, Plain, Folder;
};

// `runs` pairs of one kind at one limit, alternating which side goes first.
template <typename Measure>
bool Interleave(unsigned long runs, std::vector<Sample>& ours, std::vector<Sample>& plain, Measure measure) {
  for (unsigned long run = 0; run < runs; ++run) {
    Sample a;
    Sample b;
    const bool oursFirst = run % 2 == 0;
    if (!(oursFirst ? measure(true, a) && measure(false, b) : measure(false, b) && measure(true, a))) {
      return false;
    }
    ours.push_back(a);
    plain.push_back(b);
  }
  return true;
}

bool CheckLimit(const Programs& programs, unsigned long limit, unsigned long runs) {
  std::vector<Sample> probeOurs, probePlain, runOurs, runPlain;
  const bool probed = Interleave(runs, probeOurs, probePlain, [&](bool ours, Sample& sample) {
    return ProbeFill(ours ? programs.Probe : programs.Floor, limit, sample);
  });
  const bool ran = probed && Interleave(runs, runOurs, runPlain, [&](bool ours, Sample& sample) {
    return WholeRun(ours ? programs.Ours : programs.Plain, programs.Folder, limit, sample);
  });
  if (!ran) {
    std::printf("%-12s %10lu: a run failed\n", "", limit);
    return false;
  }
  PrintRow("fill alone", limit, runs, FiguresOf(Column(probeOurs, &Sample::Fill)),
           FiguresOf(Column(probePlain, &Sample::Fill)));
  PrintRow("run: total", limit, runs, FiguresOf(Column(runOurs, &Sample::Total)),
           FiguresOf(Column(runPlain, &Sample::Total)));
  const Figures ours = FiguresOf(Column(runOurs, &Sample::Fill));
  const Figures plain = FiguresOf(Column(runPlain, &Sample::Fill));
  PrintRow("run: fill", limit, runs, ours, plain);
  PrintVerdict(ours, plain);
  std::fflush(stdout);
  return true;
}

}  // namespace

// Arguments: the fill probe, the floor probe, the benchmark, the plain build,
// and a scratch folder for the runs' primes files.
int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s FILL_PROBE FILL_FLOOR SIEVEBENCH SIEVEBENCH_PLAIN FOLDER\n", argv[0]);
    return 2;
  }
  const Programs programs{argv[1], argv[2], argv[3], argv[4], argv[5]};
  const unsigned long runs = Setting("SIEVEBENCH_PAGE_RUNS", 40);
  const unsigned long largeRuns = Setting("SIEVEBENCH_PAGE_LARGE_RUNS", 12);
  const unsigned long largestRuns = Setting("SIEVEBENCH_PAGE_LARGEST_RUNS", 6);
  std::printf("\nours against plain pages in fresh processes, interleaved (ms; the fill alone from a us clock,\n"
              "whole runs as they report; %lu runs a size below 10^8, %lu from there, %lu from 10^9)\n"
              "%-12s %10s %4s | %9s %9s %9s | %9s %9s %9s | %7s %7s %7s\n",
              runs, largeRuns, largestRuns, "", "limit", "runs", "median", "p90", "worst", "plain med", "p90", "worst", "median",
              "p90", "worst");
  bool allRan = true;
  for (const unsigned long limit : Limits()) {
    const unsigned long sizeRuns = limit >= 1000000000 ? largestRuns : limit >= 100000000 ? largeRuns : runs;
    allRan = CheckLimit(programs, limit, sizeRuns) && allRan;
  }
  return allRan ? 0 : 1;
}
