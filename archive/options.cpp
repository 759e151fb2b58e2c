// SPDX-License-Identifier: MIT
// CLI11 subcommands, one per job; what they mean is main's business.
#include "archive/options.h"

#include "cli/command_line.h"

namespace {

CLI::Option* AddDatabase(CLI::App& command, ArchiveOptions& options) {
  return command.add_option("database", options.Database, "the archive: one SQLite file")->required();
}

void AddMachine(CLI::App& command, ArchiveOptions& options) {
  command.add_option("--machine", options.Machine, "only the machine of this label");
}

void AddAlpha(CLI::App& command, ArchiveOptions& options) {
  command.add_option("--alpha", options.Alpha, "a step is called when its p-value is below this")
      ->check(CLI::Range(1e-9, 0.5))
      ->capture_default_str();
}

void AddHistory(CLI::App& app, ArchiveOptions& options, std::string& phase) {
  CLI::App* history = app.add_subcommand("history", "each sweep's median per limit and phase over time, with the "
                                                    "steps found in them and the fleet's");
  AddDatabase(*history, options);
  AddMachine(*history, options);
  history->add_option("--limit", options.Limit, "only this limit");
  history->add_option("--phase", phase, "only this phase")
      ->check(CLI::IsMember({"init", "sieve", "count", "total"}));
  history->add_option("--json", options.JsonPath, "the history as JSON (sievebench-history/1)");
  history->add_option("--markdown", options.MarkdownPath, "the history as Markdown");
  history->add_option("--html", options.HtmlPath, "the history as one self-contained page, charts inline");
  AddAlpha(*history, options);
  history->callback([&options] { options.Command = ArchiveCommand::History; });
}

void AddOthers(CLI::App& app, ArchiveOptions& options) {
  CLI::App* add = app.add_subcommand("add", "import result files; a file archived already adds nothing");
  AddDatabase(*add, options);
  add->add_option("files", options.Files, "result files (sievebench-sweep --json)")->required();
  add->callback([&options] { options.Command = ArchiveCommand::Add; });

  CLI::App* machines = app.add_subcommand("machines", "one line per machine: its sweeps and their first and last date");
  AddDatabase(*machines, options);
  machines->add_option("--json", options.JsonPath, "the machines as JSON");
  machines->callback([&options] { options.Command = ArchiveCommand::Machines; });

  CLI::App* check = app.add_subcommand("check", "exit with 3 when a machine's latest level is significantly "
                                                "slower than its level before by more than a gate");
  AddDatabase(*check, options);
  check->add_option("--fail-slower", options.FailSlowerPercent, "the gate, in percent")
      ->required()
      ->check(CLI::NonNegativeNumber);
  AddMachine(*check, options);
  AddAlpha(*check, options);
  check->callback([&options] { options.Command = ArchiveCommand::Check; });

  CLI::App* exported = app.add_subcommand("export", "write one sweep back as a result file");
  AddDatabase(*exported, options);
  exported->add_option("--machine", options.Machine, "the machine's label")->required();
  exported->add_option("--date", options.Date, "the sweep's date, whole or its day (2026-03-02)")->required();
  exported->add_option("-o,--output", options.OutputPath, "the file to write (default: standard output)");
  exported->callback([&options] { options.Command = ArchiveCommand::Export; });
}

}  // namespace

int ParseArchiveOptions(const std::vector<std::string>& arguments, ArchiveOptions& options, std::ostream& out,
                        std::ostream& err) {
  CLI::App app("Keeps every sweep of every machine in one SQLite file, and finds when a machine's times\n"
               "changed: steps that stand out of the noise between its sweeps, and the fleet's steps.",
               "sievebench-archive");
  app.require_subcommand(1);
  std::string phase;
  AddOthers(app, options);
  AddHistory(app, options, phase);
  const int status = ParseCommandLine(app, arguments, out, err);
  if (status >= 0) {
    return status;
  }
  for (const TimedPhase candidate : AllPhases) {
    if (phase == PhaseName(candidate)) {
      options.Phase = candidate;
    }
  }
  return -1;
}
