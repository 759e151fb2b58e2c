// Summaries and output formats of the sweep.
#include "tools/sweep/results.h"

#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

static Spread SpreadOf(std::vector<double> values) {
  Spread spread;
  if (values.empty()) {
    return spread;
  }
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  spread.Median = values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
  spread.Min = values.front();
  spread.Max = values.back();
  return spread;
}

static LimitSummary SummarizeLimit(uint32_t limit, const std::vector<RunRecord>& runs) {
  LimitSummary summary;
  summary.Limit = limit;
  std::vector<double> init, sieve, count, total;
  uint32_t marks = 0;
  uint32_t primes = 0;
  for (const RunRecord& run : runs) {
    if (run.Limit != limit) {
      continue;
    }
    ++summary.Runs;
    summary.ValidRuns += run.Valid ? 1 : 0;
    if (run.Parsed) {
      init.push_back(run.Values.InitMs);
      sieve.push_back(run.Values.SieveMs);
      count.push_back(run.Values.CountMs);
      total.push_back(run.Values.TotalMs);
      marks = run.Values.LoopCounter;
      primes = run.Values.Primes;
    }
  }
  summary.Init = SpreadOf(init);
  summary.Sieve = SpreadOf(sieve);
  summary.Count = SpreadOf(count);
  summary.Total = SpreadOf(total);
  if (summary.Sieve.Median > 0) {
    summary.MarksPerSecond = marks / (summary.Sieve.Median / 1000);
  }
  if (summary.Count.Median > 0 && primes > 1) {
    summary.RecordsPerSecond = (primes - 1) / (summary.Count.Median / 1000);
  }
  return summary;
}

std::vector<LimitSummary> Summarize(const std::vector<RunRecord>& runs) {
  std::vector<uint32_t> limits;
  for (const RunRecord& run : runs) {
    if (std::find(limits.begin(), limits.end(), run.Limit) == limits.end()) {
      limits.push_back(run.Limit);
    }
  }
  std::vector<LimitSummary> summaries;
  summaries.reserve(limits.size());
  for (const uint32_t limit : limits) {
    summaries.push_back(SummarizeLimit(limit, runs));
  }
  return summaries;
}

Machine DescribeMachine() {
  Machine machine;
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0 && line.find(':') != std::string::npos) {
      machine.Cpu = line.substr(line.find(':') + 2);
      break;
    }
  }
  machine.Cores = std::thread::hardware_concurrency();
  utsname names{};
  if (uname(&names) == 0) {
    machine.Kernel = std::string(names.sysname) + " " + names.release;
  }
  return machine;
}

static std::string Cell(const Spread& spread) {
  char text[64];
  std::snprintf(text, sizeof text, "%.0f (%.0f-%.0f)", spread.Median, spread.Min, spread.Max);
  return text;
}

static std::string Rate(double perSecond) {
  char text[32];
  if (perSecond <= 0) {
    return "-";
  }
  if (perSecond >= 1e9) {
    std::snprintf(text, sizeof text, "%.2fG", perSecond / 1e9);
  } else if (perSecond >= 1e6) {
    std::snprintf(text, sizeof text, "%.1fM", perSecond / 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.0fk", perSecond / 1e3);
  }
  return text;
}

void PrintTable(std::FILE* out, const std::vector<LimitSummary>& summaries) {
  std::fprintf(out, "%12s %6s  %-18s %-18s %-18s %-18s %9s %9s\n", "limit", "valid", "init ms",
               "sieve ms", "count ms", "total ms", "marks/s", "records/s");
  for (const LimitSummary& row : summaries) {
    const std::string valid = std::to_string(row.ValidRuns) + "/" + std::to_string(row.Runs);
    std::fprintf(out, "%12u %6s  %-18s %-18s %-18s %-18s %9s %9s\n", row.Limit, valid.c_str(),
                 Cell(row.Init).c_str(), Cell(row.Sieve).c_str(), Cell(row.Count).c_str(),
                 Cell(row.Total).c_str(), Rate(row.MarksPerSecond).c_str(), Rate(row.RecordsPerSecond).c_str());
  }
  std::fprintf(out, "times: median (min-max) over the runs of each limit\n");
}

static std::string Written(std::ofstream& file, const std::string& path) {
  file.close();
  return file.fail() ? "cannot write " + path : "";
}

std::string WriteCsv(const std::string& path, const std::vector<RunRecord>& runs) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    return "cannot create " + path;
  }
  file << "limit,run,init_ms,sieve_ms,count_ms,total_ms,primes,loop_counter,valid\n";
  for (const RunRecord& run : runs) {
    file << run.Limit << ',' << run.Run << ',';
    if (run.Parsed) {
      const Report& values = run.Values;
      file << values.InitMs << ',' << values.SieveMs << ',' << values.CountMs << ',' << values.TotalMs
           << ',' << values.Primes << ',' << values.LoopCounter;
    } else {
      file << ",,,,,";
    }
    file << ',' << (run.Valid ? "true" : "false") << '\n';
  }
  return Written(file, path);
}

static std::string JsonText(const std::string& text) {
  std::string quoted = "\"";
  for (const char byte : text) {
    if (byte == '"' || byte == '\\') {
      quoted += '\\';
      quoted += byte;
    } else if (static_cast<unsigned char>(byte) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(byte)));
      quoted += escape;
    } else {
      quoted += byte;
    }
  }
  return quoted + "\"";
}

static std::string JsonSpread(const Spread& spread) {
  std::ostringstream text;
  text << "{\"median\": " << spread.Median << ", \"min\": " << spread.Min << ", \"max\": " << spread.Max << "}";
  return text.str();
}

std::string WriteJson(const std::string& path, const Machine& machine, const std::vector<RunRecord>& runs,
                      const std::vector<LimitSummary>& summaries) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    return "cannot create " + path;
  }
  file << "{\n  \"machine\": {\"cpu\": " << JsonText(machine.Cpu) << ", \"cores\": " << machine.Cores
       << ", \"kernel\": " << JsonText(machine.Kernel) << "},\n  \"runs\": [";
  for (size_t index = 0; index < runs.size(); ++index) {
    const RunRecord& run = runs[index];
    file << (index == 0 ? "\n" : ",\n") << "    {\"limit\": " << run.Limit << ", \"run\": " << run.Run;
    if (run.Parsed) {
      const Report& values = run.Values;
      file << ", \"init_ms\": " << values.InitMs << ", \"sieve_ms\": " << values.SieveMs
           << ", \"count_ms\": " << values.CountMs << ", \"total_ms\": " << values.TotalMs
           << ", \"primes\": " << values.Primes << ", \"loop_counter\": " << values.LoopCounter;
    }
    file << ", \"valid\": " << (run.Valid ? "true" : "false") << ", \"problems\": " << JsonText(run.Problems)
         << "}";
  }
  file << "\n  ],\n  \"summaries\": [";
  for (size_t index = 0; index < summaries.size(); ++index) {
    const LimitSummary& row = summaries[index];
    file << (index == 0 ? "\n" : ",\n") << "    {\"limit\": " << row.Limit << ", \"runs\": " << row.Runs
         << ", \"valid_runs\": " << row.ValidRuns << ", \"init_ms\": " << JsonSpread(row.Init)
         << ", \"sieve_ms\": " << JsonSpread(row.Sieve) << ", \"count_ms\": " << JsonSpread(row.Count)
         << ", \"total_ms\": " << JsonSpread(row.Total) << ", \"marks_per_second\": " << row.MarksPerSecond
         << ", \"records_per_second\": " << row.RecordsPerSecond << "}";
  }
  file << "\n  ]\n}\n";
  return Written(file, path);
}

static bool GnuplotInstalled() {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path == nullptr ? "" : path);
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (!folder.empty() && access((folder + "/gnuplot").c_str(), X_OK) == 0) {
      return true;
    }
  }
  return false;
}

// A log axis cannot show 0 ms: such points are left out (NaN).
static std::string Positive(double value) {
  return value > 0 ? std::to_string(value) : "NaN";
}

// One line per phase that has a time above 0 ms somewhere; "" when none has.
static std::string PlotClauses(const std::string& data, const std::vector<LimitSummary>& summaries) {
  static const char* const Titles[] = {"initialize", "sieve", "count", "total"};
  std::string clauses;
  for (int phase = 0; phase < 4; ++phase) {
    bool shown = false;
    for (const LimitSummary& row : summaries) {
      const Spread* spreads[] = {&row.Init, &row.Sieve, &row.Count, &row.Total};
      shown = shown || spreads[phase]->Max > 0;
    }
    if (shown) {
      const int column = 2 + 3 * phase;
      clauses += std::string(clauses.empty() ? "'" + data + "'" : ", ''") + " using 1:" + std::to_string(column) +
                 ":" + std::to_string(column + 1) + ":" + std::to_string(column + 2) +
                 " with yerrorlines title '" + Titles[phase] + "'";
    }
  }
  return clauses;
}

static std::string ChartScript(const std::string& path, const std::string& plot) {
  const bool svg = path.ends_with(".svg");
  std::ostringstream script;
  script << "set terminal " << (svg ? "svg size 800,560 dynamic" : "png size 800,560") << "\n"
         << "set output '" << path << "'\n"
         << "set title 'sievebench: time per phase against N (median, min-max)'\n"
         << "set logscale xy\nset xlabel 'N'\nset ylabel 'ms'\nset key top left\nset grid\n"
         << "set format x '10^{%L}'\n"
         << "plot " << plot << "\n";
  return script.str();
}

std::string DrawChart(const std::string& path, const std::vector<LimitSummary>& summaries, std::string& skipped) {
  skipped.clear();
  if (!GnuplotInstalled()) {
    skipped = "no chart: gnuplot is not installed (Debian: apt-get install gnuplot-nox)";
    return "";
  }
  if (PlotClauses("", summaries).empty()) {
    skipped = "no chart: every time was 0 ms, which a log axis cannot show";
    return "";
  }
  char folder[] = "/tmp/sievebench-chart-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    return "cannot make a folder for the chart's data";
  }
  const std::string data = std::string(folder) + "/phases.dat";
  const std::string script = std::string(folder) + "/chart.gp";
  {
    std::ofstream table(data);
    for (const LimitSummary& row : summaries) {
      table << row.Limit;
      for (const Spread* spread : {&row.Init, &row.Sieve, &row.Count, &row.Total}) {
        table << ' ' << Positive(spread->Median) << ' ' << Positive(spread->Min) << ' ' << Positive(spread->Max);
      }
      table << '\n';
    }
    std::ofstream(script) << ChartScript(path, PlotClauses(data, summaries));
  }
  const pid_t child = fork();
  if (child == 0) {
    execlp("gnuplot", "gnuplot", script.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  unlink(data.c_str());
  unlink(script.c_str());
  rmdir(folder);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return "gnuplot could not draw " + path;
  }
  return "";
}
