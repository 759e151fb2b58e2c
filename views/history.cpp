// SPDX-License-Identifier: MIT
// The history as text, Markdown and JSON: the fleet's steps first, then each
// machine's series with its sweeps and its own steps. Labels, processors,
// dates and the facts of a step come from files and are escaped everywhere.
#include "views/history.h"

#include <nlohmann/json.hpp>

#include "views/cell_text.h"
#include "views/text_safe.h"

const char HistoryFormat[] = "sievebench-history/1";

std::string StepText(const FoundChange& change) {
  return PercentText(change.ChangePercent) + " " + PercentInterval(change.LowPercent, change.HighPercent) + " (" +
         PValueText(change.P) + ")";
}

std::string MachineTitle(const ArchivedMachine& machine) {
  return machine.Label + " (" + machine.Cpu + ", " + std::to_string(machine.Cores) + " cores, " + machine.Arch + ")";
}

namespace {

// The day of a sweep's date, as the tables show it.
std::string Day(const std::string& date) {
  return date.substr(0, 10);
}

std::string LevelText(const SeriesPoint& point) {
  return Milliseconds(point.MedianMs) + " ms" + (point.MedianIntervalMs ? " [" + RangeText(*point.MedianIntervalMs) + "]" : "");
}

// Each series in order, its machine's heading before the first of its
// series: the walk the text and the Markdown share.
template <typename Heading, typename Block>
std::string BySeries(const History& history, const Heading& heading, const Block& block) {
  std::string text;
  size_t shown = history.Machines.size();
  for (const HistorySeries& series : history.Series) {
    if (series.Input.Machine != shown) {
      shown = series.Input.Machine;
      text += heading(history.Machines[shown]);
    }
    text += block(series, history.Sweeps[shown]);
  }
  return text;
}

std::string SeriesTitle(const HistorySeries& series) {
  return std::string("limit ") + std::to_string(series.Input.Limit) + ", " + PhaseName(series.Input.Phase) + " (" +
         std::to_string(series.Input.Points.size()) + " sweeps)";
}

// "+8.1% [+6.2, +10.0] (p<0.001), 200 → 216 ms; kernel 6.1 → 6.8": the
// tool's own words through `own`, the facts from files through `escape`.
template <typename Own, typename Escape>
std::string StepLine(const HistoryChange& change, const Own& own, const Escape& escape) {
  std::string line = own(StepText(change.Found)) + ", " + Milliseconds(change.Found.BeforeMs) + " \u2192 " +
                     Milliseconds(change.Found.AfterMs) + " ms";
  std::string facts;
  for (const std::string& fact : change.ConditionsChanged) {
    facts += (facts.empty() ? "" : ", ") + escape(fact);
  }
  return line + (facts.empty() ? "" : "; " + facts);
}

std::string FleetMachines(const History& history, const FleetChange& fleet, std::string (*escape)(const std::string&)) {
  std::string names;
  for (const size_t machine : fleet.Machines) {
    names += (names.empty() ? "" : ", ") + escape(history.Machines[machine].Label);
  }
  return names;
}

std::string Alone(const std::string& text) {
  return TerminalSafe(text);
}

std::string AsItIs(const std::string& text) {
  return text;
}

// The tool's own brackets, which Markdown would read as a link's.
std::string UnlinkedBrackets(const std::string& text) {
  std::string escaped;
  for (const char byte : text) {
    escaped += byte == '[' || byte == ']' ? std::string("\\") + byte : std::string(1, byte);
  }
  return escaped;
}

}  // namespace

std::string HistoryText(const History& history) {
  std::string text = "steps called where p < " + PlainNumber(history.Alpha) + ", at least " +
                     std::to_string(LeastSegment) + " sweeps on each side\n";
  if (!history.Fleet.empty()) {
    text += "\nsteps of the fleet (most machines within a day):\n";
    for (const FleetChange& fleet : history.Fleet) {
      text += "  " + Alone(Day(fleet.Date)) + "  " + PercentText(fleet.ChangePercent) + "  " +
              FleetMachines(history, fleet, Alone) + "\n";
    }
  }
  return text + BySeries(
                    history,
                    [](const ArchivedMachine& machine) { return "\n" + TerminalSafe(MachineTitle(machine)) + "\n"; },
                    [](const HistorySeries& series, const std::vector<ArchivedSweep>& sweeps) {
                      std::string block = "  " + SeriesTitle(series) + "\n";
                      for (size_t index = 0; index < series.Input.Points.size(); ++index) {
                        const ArchivedSweep& sweep = sweeps[series.Input.Sweeps[index]];
                        block += "    " + TerminalSafe(Day(sweep.Date)) + "  " + LevelText(series.Input.Points[index]) +
                                 "  n=" + std::to_string(series.Input.Points[index].Runs) +
                                 (sweep.Complete ? "" : "  (incomplete)") + "\n";
                      }
                      for (const HistoryChange* change : OwnChanges(series)) {
                        block += "    step at " + TerminalSafe(Day(change->Date)) + ": " + StepLine(*change, AsItIs, Alone) + "\n";
                      }
                      return block;
                    });
}

std::string HistoryMarkdown(const History& history) {
  std::string text = "# sievebench history\n\nSteps called where p < " + PlainNumber(history.Alpha) +
                     ", at least " + std::to_string(LeastSegment) + " sweeps on each side.\n";
  if (!history.Fleet.empty()) {
    text += "\n## Steps of the fleet\n\n| date | change | machines |\n|---|---:|---|\n";
    for (const FleetChange& fleet : history.Fleet) {
      text += "| " + MarkdownText(Day(fleet.Date)) + " | " + PercentText(fleet.ChangePercent) + " | " +
              FleetMachines(history, fleet, MarkdownText) + " |\n";
    }
  }
  return text + BySeries(
                    history,
                    [](const ArchivedMachine& machine) { return "\n## " + MarkdownText(MachineTitle(machine)) + "\n"; },
                    [](const HistorySeries& series, const std::vector<ArchivedSweep>& sweeps) {
                      std::string block = "\n### " + SeriesTitle(series) +
                                          "\n\n| date | median ms | 95% interval | n |\n|---|---:|---:|---:|\n";
                      for (size_t index = 0; index < series.Input.Points.size(); ++index) {
                        const SeriesPoint& point = series.Input.Points[index];
                        block += "| " + MarkdownText(Day(sweeps[series.Input.Sweeps[index]].Date)) + " | " +
                                 Milliseconds(point.MedianMs) + " | " +
                                 (point.MedianIntervalMs ? RangeText(*point.MedianIntervalMs) : "") + " | " +
                                 std::to_string(point.Runs) + " |\n";
                      }
                      for (const HistoryChange* change : OwnChanges(series)) {
                        block += "\n**Step at " + MarkdownText(Day(change->Date)) + "**: " +
                                 StepLine(*change, UnlinkedBrackets, MarkdownText) + "\n";
                      }
                      return block;
                    });
}

namespace {

nlohmann::json OrNull(const std::optional<double>& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

nlohmann::json SeriesJson(const History& history, const HistorySeries& series) {
  const ArchivedMachine& machine = history.Machines[series.Input.Machine];
  const std::vector<ArchivedSweep>& sweeps = history.Sweeps[series.Input.Machine];
  nlohmann::json points = nlohmann::json::array();
  for (size_t index = 0; index < series.Input.Points.size(); ++index) {
    const SeriesPoint& point = series.Input.Points[index];
    const ArchivedSweep& sweep = sweeps[series.Input.Sweeps[index]];
    points.push_back({{"date", sweep.Date},
                      {"median_ms", point.MedianMs},
                      {"ci_low_ms", OrNull(point.MedianIntervalMs ? std::optional(point.MedianIntervalMs->Low) : std::nullopt)},
                      {"ci_high_ms", OrNull(point.MedianIntervalMs ? std::optional(point.MedianIntervalMs->High) : std::nullopt)},
                      {"n", point.Runs},
                      {"complete", sweep.Complete}});
  }
  nlohmann::json changes = nlohmann::json::array();
  for (const HistoryChange* change : OwnChanges(series)) {
    changes.push_back({{"date", change->Date},
                       {"before_ms", change->Found.BeforeMs},
                       {"after_ms", change->Found.AfterMs},
                       {"change_percent", change->Found.ChangePercent},
                       {"change_low_percent", change->Found.LowPercent},
                       {"change_high_percent", change->Found.HighPercent},
                       {"p_value", change->Found.P},
                       {"conditions_changed", change->ConditionsChanged}});
  }
  return {{"machine", machine.Label}, {"cpu", machine.Cpu},       {"cores", machine.Cores},
          {"arch", machine.Arch},     {"limit", series.Input.Limit}, {"phase", PhaseName(series.Input.Phase)},
          {"points", points},         {"changes", changes}};
}

}  // namespace

std::string HistoryJson(const History& history, const std::string& version) {
  nlohmann::json series = nlohmann::json::array();
  for (const HistorySeries& one : history.Series) {
    series.push_back(SeriesJson(history, one));
  }
  nlohmann::json fleet = nlohmann::json::array();
  for (const FleetChange& change : history.Fleet) {
    nlohmann::json machines = nlohmann::json::array();
    for (const size_t machine : change.Machines) {
      machines.push_back(history.Machines[machine].Label);
    }
    fleet.push_back({{"date", change.Date}, {"machines", machines}, {"change_percent", change.ChangePercent}});
  }
  const nlohmann::json document = {{"format", HistoryFormat}, {"version", version}, {"alpha", history.Alpha},
                                   {"least_segment", LeastSegment}, {"series", series}, {"fleet_changes", fleet}};
  return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}
