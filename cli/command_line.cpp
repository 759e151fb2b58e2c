// SPDX-License-Identifier: MIT
// What the companions' command lines share: the one place that maps CLI11's
// outcomes to their exit statuses, their version, and the date they write.
#include "cli/command_line.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "host/system.h"
#include "views/text_safe.h"

#ifndef SIEVEBENCH_VERSION
#error "the build sets SIEVEBENCH_VERSION"
#endif
const char ToolVersion[] = SIEVEBENCH_VERSION;

std::string ChartPathCheck(const std::string& path) {
  if (path.size() <= 4 || !(path.ends_with(".svg") || path.ends_with(".png"))) {
    return "'" + path + "' must end in .svg or .png";
  }
  return path.find_first_of("'\n") == std::string::npos ? "" : "the file name may not hold a quote or a line end";
}

int ParseCommandLine(CLI::App& app, std::vector<std::string> arguments, std::ostream& out, std::ostream& err) {
  app.set_version_flag("--version", app.get_name() + " " + ToolVersion);
  std::reverse(arguments.begin(), arguments.end());  // CLI11 takes them last first
  try {
    app.parse(arguments);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return 0;
  } catch (const CLI::CallForVersion& version) {
    out << version.what() << "\n";
    return 0;
  } catch (const CLI::ParseError& error) {
    err << app.get_name() << ": " << error.what() << "\n(see " << app.get_name() << " --help)\n";
    return 2;
  }
  return -1;
}

// "2026-12-08T21:00:00Z": the civil date of the system clock's days since
// 1970, computed here so no time zone or C library enters it.
std::string UtcNow() {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
  const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{seconds / 86400}}};
  const long long inDay = seconds % 86400;
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02lld:%02lld:%02lldZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), inDay / 3600,
                inDay / 60 % 60, inDay % 60);
  return text;
}

bool WriteOutput(const std::string& program, const std::string& path, const std::string& text) {
  if (const std::string problem = ReplaceFileDurably(path, text); !problem.empty()) {
    std::cerr << program << ": " << TerminalSafe(problem) << "\n";
    return false;
  }
  std::cout << "wrote " << TerminalSafe(path) << "\n";
  return true;
}
