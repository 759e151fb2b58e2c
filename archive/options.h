// SPDX-License-Identifier: MIT
// The archive's command line: a subcommand, the database, and what each
// subcommand takes.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "results/changes.h"
#include "results/phases.h"

enum class ArchiveCommand { Add, Machines, History, Check, Export };

struct ArchiveOptions {
  ArchiveCommand Command = ArchiveCommand::Machines;
  std::string Database;
  std::vector<std::string> Files;      // add: result files
  std::optional<std::string> Machine;  // a machine's label
  std::optional<uint32_t> Limit;
  std::optional<TimedPhase> Phase;
  std::string JsonPath;
  std::string MarkdownPath;
  std::string HtmlPath;
  double FailSlowerPercent = 0;  // check
  std::string Date;              // export: a sweep's date, whole or its day
  std::string OutputPath;        // export: the file written; empty: standard output
  double Alpha = ChangeAlpha;
};

// Fills `options` from the arguments (without the program's name). Returns
// -1 to go on, or the exit status: 0 after --help or --version, 2 for a
// mistake, whose message has gone to `err`.
int ParseArchiveOptions(const std::vector<std::string>& arguments, ArchiveOptions& options, std::ostream& out,
                        std::ostream& err);
