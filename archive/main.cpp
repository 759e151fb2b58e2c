// SPDX-License-Identifier: MIT
// sievebench-archive: every sweep of every machine in one SQLite file, and
// when each machine changed. add imports result files, checked as compare
// checks them; machines lists what is archived; history shows each series
// over time with its steps; check gates cron and CI on the latest step;
// export writes a sweep back as a result file. The exit statuses are listed
// in ExitStatus below.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "archive/options.h"
#include "archive/store.h"
#include "cli/charts.h"
#include "cli/command_line.h"
#include "host/digest.h"
#include "host/files.h"
#include "host/system.h"
#include "results/comparison.h"
#include "results/history.h"
#include "results/result_file.h"
#include "results/statistics.h"
#include "views/cell_text.h"
#include "views/history.h"
#include "views/text_safe.h"

namespace {

constexpr char Program[] = "sievebench-archive";

enum ExitStatus {
  Done = 0,
  Refused = 1,         // a file was tampered with, or an output could not be written
  Malformed = 2,       // a file was malformed or unreadable, the archive is none or corrupt, or an option was wrong
  SlowerThanGate = 3   // check: a machine's latest level is significantly slower by more than the gate
};

void Complain(const std::string& what, const std::string& problem) {
  std::cerr << Program << ": " << TerminalSafe(what) << ": " << TerminalSafe(problem) << "\n";
}

// --- add -------------------------------------------------------------------------

// One file read, checked and imported; the status it leaves the run with.
ExitStatus AddOne(Archive& archive, const std::string& path) {
  std::string text;
  if (const std::string problem = ReadWholeFile(path, text); !problem.empty()) {
    Complain(path, problem);
    return Malformed;
  }
  const std::optional<std::string> digest = Sha256Hex(text);
  bool held = false;
  if (!digest) {
    Complain(path, "cannot compute its digest");
    return Refused;
  }
  if (const std::string problem = archive.Holds(*digest, held); !problem.empty()) {
    Complain(path, problem);
    return Malformed;  // the archive's fault, not the file's: it is corrupt
  }
  if (held) {
    std::cout << TerminalSafe(path) << ": archived already; nothing added\n";
    return Done;
  }
  SweepResult result;
  std::string problem = ReadResultText(text, result);
  if (problem.empty() && !UtcSeconds(result.Date)) {
    problem = "date: '" + result.Date + "' is not a UTC date as a sweep writes it (2026-12-08T21:00:00Z)";
  }
  if (!problem.empty()) {
    Complain(path, "malformed: " + problem);
    return Malformed;
  }
  const std::vector<std::string> tampering = FindTampering(result);
  for (const std::string& run : tampering) {
    Complain(path, "tampered: " + run);
  }
  if (!tampering.empty()) {
    return Refused;
  }
  Imported outcome = Imported::Added;
  if (problem = archive.Add(result, *digest, outcome); !problem.empty()) {
    Complain(path, problem);
    return Malformed;
  }
  const std::string sweep = TerminalSafe(result.Label) + " at " + TerminalSafe(result.Date);
  switch (outcome) {
    case Imported::Added: std::cout << "added " << TerminalSafe(path) << ": " << sweep << (result.Complete ? "" : " (incomplete)") << "\n"; break;
    case Imported::Completed: std::cout << "added " << TerminalSafe(path) << ": " << sweep << ", in place of its incomplete checkpoint\n"; break;
    case Imported::AlreadyThere: std::cout << TerminalSafe(path) << ": archived already; nothing added\n"; break;
    case Imported::Superseded: std::cout << TerminalSafe(path) << ": the archive holds " << sweep << " whole already; nothing added\n"; break;
  }
  return Done;
}

// Every file goes in on its own: one malformed or tampered file keeps none
// of the others out. A malformed file outranks a tampered one in the status.
int Add(Archive& archive, const ArchiveOptions& options) {
  bool malformed = false;
  bool refused = false;
  for (const std::string& path : options.Files) {
    const ExitStatus status = AddOne(archive, path);
    malformed = malformed || status == Malformed;
    refused = refused || status == Refused;
  }
  return malformed ? Malformed : refused ? Refused : Done;
}

// --- machines --------------------------------------------------------------------

int ListMachines(Archive& archive, const ArchiveOptions& options) {
  std::vector<MachineEntry> machines;
  if (const std::string problem = archive.Machines(machines); !problem.empty()) {
    Complain(options.Database, problem);
    return Malformed;
  }
  nlohmann::json list = nlohmann::json::array();
  for (const MachineEntry& machine : machines) {
    std::cout << TerminalSafe(machine.Identity.Label) << "  " << TerminalSafe(machine.Identity.Cpu) << "  "
              << machine.Identity.Cores << " cores  " << TerminalSafe(machine.Identity.Arch) << "  " << machine.Sweeps
              << (machine.Sweeps == 1 ? " sweep  " : " sweeps  ") << TerminalSafe(machine.First) << " to "
              << TerminalSafe(machine.Last) << "\n";
    list.push_back({{"label", machine.Identity.Label}, {"cpu", machine.Identity.Cpu}, {"cores", machine.Identity.Cores},
                    {"arch", machine.Identity.Arch}, {"sweeps", machine.Sweeps}, {"first", machine.First},
                    {"last", machine.Last}});
  }
  if (machines.empty()) {
    std::cout << "no sweeps archived\n";
  }
  if (!options.JsonPath.empty()) {
    const nlohmann::json document = {{"format", "sievebench-machines/1"}, {"machines", list}};
    return WriteOutput(Program, options.JsonPath, document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n")
               ? Done
               : Refused;
  }
  return Done;
}

// --- history and check -------------------------------------------------------------

// The whole history the query needs, its steps found; false after a message.
bool ReadHistory(Archive& archive, const ArchiveOptions& options, const HistoryQuery& query, History& history) {
  std::vector<ArchivedMachine> machines;
  std::vector<std::vector<ArchivedSweep>> sweeps;
  std::vector<SeriesInput> series;
  if (const std::string problem = archive.HistoryInputs(query, machines, sweeps, series); !problem.empty()) {
    Complain(options.Database, problem);
    return false;
  }
  history = BuildHistory(std::move(machines), std::move(sweeps), std::move(series), options.Alpha);
  return true;
}

// Only the series the query names stay to be shown; the others served the fleet.
void KeepAsked(History& history, const HistoryQuery& query) {
  std::erase_if(history.Series, [&](const HistorySeries& series) {
    return (query.Label && history.Machines[series.Input.Machine].Label != *query.Label) ||
           (query.Phase && series.Input.Phase != *query.Phase);
  });
}

int ShowHistory(Archive& archive, const ArchiveOptions& options) {
  const HistoryQuery query{options.Machine, options.Limit, options.Phase};
  History history;
  if (!ReadHistory(archive, options, query, history)) {
    return Malformed;
  }
  KeepAsked(history, query);
  if (history.Series.empty()) {
    std::cout << "no sweeps archived" << (options.Machine || options.Limit ? " that match" : "") << "\n";
  }
  std::cout << HistoryText(history);
  bool written = true;
  if (!options.JsonPath.empty()) {
    written = WriteOutput(Program, options.JsonPath, HistoryJson(history, ToolVersion)) && written;
  }
  if (!options.MarkdownPath.empty()) {
    written = WriteOutput(Program, options.MarkdownPath, HistoryMarkdown(history)) && written;
  }
  if (!options.HtmlPath.empty()) {
    const HistoryCharts charts = DrawHistoryCharts(history);
    if (!charts.Problem.empty()) {
      std::cerr << Program << ": " << charts.Problem << "\n";
    }
    written = WriteOutput(Program, options.HtmlPath, HistoryHtml(history, charts.Svgs, charts.Missing, UtcNow(), ToolVersion)) &&
              written;
  }
  return written ? Done : Refused;
}

// Each machine whose latest total level at some limit stepped up by more
// than the gate, named with the step; true when there is one.
int Check(Archive& archive, const ArchiveOptions& options) {
  const HistoryQuery query{options.Machine, std::nullopt, TimedPhase::Total};
  History history;
  if (!ReadHistory(archive, options, query, history)) {
    return Malformed;
  }
  KeepAsked(history, query);
  bool slower = false;
  for (const HistorySeries& series : history.Series) {
    if (series.Changes.empty()) {
      continue;
    }
    const HistoryChange& latest = series.Changes.back();
    if (latest.Found.ChangePercent > options.FailSlowerPercent) {
      slower = true;
      std::cerr << Program << ": " << TerminalSafe(MachineTitle(history.Machines[series.Input.Machine]))
                << " at N = " << series.Input.Limit << ": the total has been slower since "
                << TerminalSafe(latest.Date) << ", " << StepText(latest.Found) << ", past the gate of "
                << PlainNumber(options.FailSlowerPercent) << "%\n";
    }
  }
  if (!slower) {
    std::cout << "no machine's latest level is significantly slower by more than "
              << PlainNumber(options.FailSlowerPercent) << "%\n";
  }
  return slower ? SlowerThanGate : Done;
}

// --- export ------------------------------------------------------------------------

int Export(Archive& archive, const ArchiveOptions& options) {
  SweepResult result;
  if (const std::string problem = archive.Export(*options.Machine, options.Date, result); !problem.empty()) {
    Complain(options.Database, problem);
    return Malformed;
  }
  result.Summaries = Summarize(result.Runs);
  const std::string text = ResultFileText(result);
  if (options.OutputPath.empty()) {
    std::cout << text;
    return std::cout.flush() ? Done : Refused;
  }
  return WriteOutput(Program, options.OutputPath, text) ? Done : Refused;
}

int Run(int argc, char** argv) {
  PrepareConsole();
  ArchiveOptions options;
  const int status = ParseArchiveOptions(std::vector<std::string>(argv + 1, argv + argc), options, std::cout, std::cerr);
  if (status >= 0) {
    return status;
  }
  Archive archive;
  const OpenMode mode = options.Command == ArchiveCommand::Add ? OpenMode::CreateIfMissing : OpenMode::Existing;
  if (const std::string problem = archive.Open(options.Database, mode); !problem.empty()) {
    Complain(options.Database, problem);
    return Malformed;
  }
  switch (options.Command) {
    case ArchiveCommand::Add: return Add(archive, options);
    case ArchiveCommand::Machines: return ListMachines(archive, options);
    case ArchiveCommand::History: return ShowHistory(archive, options);
    case ArchiveCommand::Check: return Check(archive, options);
    case ArchiveCommand::Export: return Export(archive, options);
  }
  return Malformed;
}

}  // namespace

int main(int argc, char** argv) {
  // Whatever a file or the archive holds is checked before use; what is
  // left to throw is the machine itself (memory), which ends with a message.
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << Program << ": " << error.what() << "\n";
    return Refused;
  }
}
