// SPDX-License-Identifier: MIT
// The one place that maps CLI11's outcomes to the companions' exit statuses.
#include "results/command_line.h"

#include <algorithm>

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
