// Parsing of the sweep's options. Every mistake gets a message naming the
// option and what it takes.
#include "tools/sweep/options.h"

#include <cmath>
#include <cstdlib>

const char SweepUsage[] =
    "usage: sievebench-sweep [options]\n"
    "Runs sievebench for each limit, several times, validates every run, and\n"
    "reports the median and spread of each phase.\n"
    "\n"
    "  --limits LIST   comma-separated limits: a number (500000, 1e6) or a range\n"
    "                  A..B of the powers of ten from A to B (default 1e3..1e8)\n"
    "  --repeat K      runs per limit (default 5)\n"
    "  --csv FILE      one row per run\n"
    "  --json FILE     the machine, the runs and the summaries\n"
    "  --chart FILE    log-log chart of the phase times (.svg or .png; needs gnuplot)\n"
    "  --program PATH  the benchmark to run (default: sievebench beside this program)\n"
    "  --dir DIR       where the runs write primes.txt, one folder per run, kept\n"
    "                  (default: a temporary folder, removed afterwards)\n"
    "  --timeout S     seconds a run may take before it is stopped (default 3600)\n"
    "  --help          this text\n";

static constexpr double LargestLimit = 2147483647.0;

// A whole number from 1 to 2147483647, written plainly or as MeE (1e6, 2.5e3).
static bool ParseNumber(const std::string& text, double& value) {
  if (text.empty() || text.find_first_not_of("0123456789.eE+") != std::string::npos) {
    return false;
  }
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return *end == 0 && value >= 1 && value <= LargestLimit && value == std::floor(value);
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
        return "--limits: '" + item + "' is not a whole number from 1 to 2147483647";
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

static bool ParsePositive(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == 0 && value > 0 && std::isfinite(value);
}

std::string ParseOptions(const std::vector<std::string>& arguments, SweepOptions& options) {
  std::string problem = ParseLimits("1e3..1e8", options.Limits);
  for (size_t index = 0; index < arguments.size() && problem.empty(); ++index) {
    const std::string& name = arguments[index];
    if (name == "--help" || name == "-h") {
      options.Help = true;
      continue;
    }
    std::string* path = name == "--csv"       ? &options.CsvPath
                        : name == "--json"    ? &options.JsonPath
                        : name == "--chart"   ? &options.ChartPath
                        : name == "--program" ? &options.Program
                        : name == "--dir"     ? &options.Dir
                                              : nullptr;
    const bool takesValue = path != nullptr || name == "--limits" || name == "--repeat" || name == "--timeout";
    if (!takesValue) {
      return "unknown option '" + name + "'";
    }
    if (index + 1 >= arguments.size() || arguments[index + 1].empty()) {
      return name + " needs a value";
    }
    const std::string& value = arguments[++index];
    double number = 0;
    if (path != nullptr) {
      *path = value;
    } else if (name == "--limits") {
      problem = ParseLimits(value, options.Limits);
    } else if (name == "--repeat") {
      if (!ParsePositive(value, number) || number != std::floor(number) || number > 1000) {
        return "--repeat takes a whole number from 1 to 1000, not '" + value + "'";
      }
      options.Repeat = static_cast<int>(number);
    } else if (!ParsePositive(value, options.TimeoutSeconds)) {
      return "--timeout takes a number of seconds above 0, not '" + value + "'";
    }
  }
  if (problem.empty() && !options.ChartPath.empty()) {
    const std::string& chart = options.ChartPath;
    const bool known = chart.size() > 4 && (chart.ends_with(".svg") || chart.ends_with(".png"));
    if (!known) {
      problem = "--chart: '" + chart + "' must end in .svg or .png";
    } else if (chart.find_first_of("'\n") != std::string::npos) {
      problem = "--chart: the file name may not hold a quote or a line end";
    }
  }
  return problem;
}
