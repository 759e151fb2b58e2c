// SPDX-License-Identifier: MIT
// The companions' command lines go through CLI11, and both report the same
// way: --help on standard output and status 0, --version likewise, and any
// mistake as one message on standard error with status 2 (CLI11's own
// statuses are 100 and above).
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>
#include <vector>

// The version of the sievebench tools, set by the build.
extern const char ToolVersion[];

// Now, as the tools date their files: "2026-12-08T21:00:00Z" (UTC).
std::string UtcNow();

// Checks a --chart path for CLI11: it must end in .svg or .png, and it goes
// into a gnuplot script between quotes, so it may hold no quote or line end.
// Returns what is wrong, or "".
std::string ChartPathCheck(const std::string& path);

// Replaces the output file `path` durably with `text` and says so on
// standard output ("wrote PATH"), or says why not on standard error after
// the program's name; false then.
bool WriteOutput(const std::string& program, const std::string& path, const std::string& text);

// Parses `arguments` (without the program's name). Returns -1 when the
// program should go on, or the status it should end with.
int ParseCommandLine(CLI::App& app, std::vector<std::string> arguments, std::ostream& out, std::ostream& err);
