// SPDX-License-Identifier: MIT
// The one place that starts gnuplot.
#include "results/views/gnuplot.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

std::string GnuplotMissing() {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path == nullptr ? "" : path);
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (!folder.empty() && access((folder + "/gnuplot").c_str(), X_OK) == 0) {
      return "";
    }
  }
  return "no chart: gnuplot is not installed (Debian: apt-get install gnuplot-nox)";
}

std::string PlotValue(double milliseconds) {
  return milliseconds > 0 ? std::to_string(milliseconds) : "NaN";
}

std::string ChartOpening(const std::string& path, const std::string& title) {
  const bool svg = path.ends_with(".svg");
  std::ostringstream script;
  script << "set terminal " << (svg ? "svg size 800,560 dynamic" : "png size 800,560") << "\n"
         << "set output '" << path << "'\n"
         << "set title '" << title << "'\n"
         << "set logscale xy\nset xlabel 'N'\nset ylabel 'ms'\nset key top left\nset grid\n"
         << "set format x '10^{%L}'\n";
  return script.str();
}

static std::string RunGnuplot(const std::string& script, const std::string& path) {
  char scriptPath[] = "/tmp/sievebench-chart-XXXXXX";
  const int file = mkstemp(scriptPath);
  if (file < 0) {
    return "cannot write the chart's script";
  }
  close(file);
  std::ofstream(scriptPath) << script;
  const pid_t child = fork();
  if (child == 0) {
    execlp("gnuplot", "gnuplot", scriptPath, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (child > 0) {
    waitpid(child, &status, 0);
  }
  unlink(scriptPath);
  if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return "gnuplot could not draw " + path;
  }
  return "";
}

std::string Plot(const std::string& script, const std::string& clauses, const std::string& path, std::string& skipped) {
  if (clauses.empty()) {
    skipped = "no chart: every time was 0 ms, which a log axis cannot show";
    return "";
  }
  return RunGnuplot(script + "plot " + clauses + "\n", path);
}
