// SPDX-License-Identifier: MIT
// The history's decisions: the steps of each series, what changed with
// them, and which of them the fleet took together.
#include "results/history.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <set>

#include "results/result_json.h"
#include "results/statistics.h"

std::optional<int64_t> UtcSeconds(const std::string& date) {
  static constexpr char Shape[] = "dddd-dd-ddTdd:dd:ddZ";  // d: a digit
  if (date.size() != sizeof Shape - 1) {
    return std::nullopt;
  }
  for (size_t at = 0; at < date.size(); ++at) {
    const bool digit = date[at] >= '0' && date[at] <= '9';
    if (Shape[at] == 'd' ? !digit : date[at] != Shape[at]) {
      return std::nullopt;
    }
  }
  auto number = [&](size_t from, size_t length) {
    int64_t value = 0;
    for (size_t at = from; at < from + length; ++at) {
      value = value * 10 + (date[at] - '0');
    }
    return value;
  };
  const int64_t year = number(0, 4);
  const int64_t hour = number(11, 2);
  const int64_t minute = number(14, 2);
  const int64_t second = number(17, 2);
  const std::chrono::year_month_day civil{std::chrono::year(static_cast<int>(year)),
                                         std::chrono::month(static_cast<unsigned>(number(5, 2))),
                                         std::chrono::day(static_cast<unsigned>(number(8, 2)))};
  if (year < 1970 || !civil.ok() || hour > 23 || minute > 59 || second > 59) {
    return std::nullopt;
  }
  const int64_t days = std::chrono::sys_days(civil).time_since_epoch().count();
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

namespace {

std::string FactText(const nlohmann::json& value) {
  return value.is_string() ? value.get<std::string>() : value.dump();
}

// What a machine's sweeps say of it and its conditions, by the result
// file's keys; the identity and the load of the moment left out.
nlohmann::json Facts(const ArchivedSweep& sweep) {
  nlohmann::json facts = MachineJson(sweep.Host);
  for (const char* identity : {"cpu", "cores", "arch"}) {
    facts.erase(identity);
  }
  facts.update(ConditionsJson(sweep.Conditions));
  facts.erase("load_average_start");
  facts.erase("load_average_end");
  if (sweep.ProgramSha256) {
    facts["program_sha256"] = sweep.ProgramSha256->substr(0, 12);
  }
  return facts;
}

}  // namespace

std::vector<std::string> ChangedFacts(const ArchivedSweep& was, const ArchivedSweep& is) {
  const nlohmann::json before = Facts(was);
  const nlohmann::json after = Facts(is);
  std::vector<std::string> changed;
  for (const auto& [key, value] : after.items()) {
    const auto old = before.find(key);
    if (old != before.end() && !old->is_null() && !value.is_null() && *old != value) {
      changed.push_back(key + " " + FactText(*old) + " \u2192 " + FactText(value));
    }
  }
  return changed;
}

namespace {

constexpr int64_t Day = 86400;

// One machine's total steps, by date, each with its size.
struct MachineStep {
  size_t Machine = 0;
  int64_t When = 0;
  std::string Date;
  double Percent = 0;
};

// Whether a machine's sweeps lie on both sides of `when`.
bool Spans(const std::vector<ArchivedSweep>& sweeps, int64_t when) {
  if (sweeps.empty()) {
    return false;
  }
  return UtcSeconds(sweeps.front().Date).value_or(when) < when && UtcSeconds(sweeps.back().Date).value_or(0) >= when;
}

std::vector<MachineStep> TotalSteps(const History& history) {
  std::vector<MachineStep> steps;
  for (const HistorySeries& series : history.Series) {
    if (series.Input.Phase != TimedPhase::Total) {
      continue;
    }
    for (const HistoryChange& change : series.Changes) {
      steps.push_back({series.Input.Machine, UtcSeconds(change.Date).value_or(0), change.Date,
                       change.Found.ChangePercent});
    }
  }
  std::sort(steps.begin(), steps.end(), [](const MachineStep& a, const MachineStep& b) { return a.When < b.When; });
  return steps;
}

// Marks each step of a member machine within the fleet step's day as the fleet's.
void MarkMembers(History& history, size_t fleet, int64_t from) {
  const std::set<size_t> members(history.Fleet[fleet].Machines.begin(), history.Fleet[fleet].Machines.end());
  for (HistorySeries& series : history.Series) {
    if (members.count(series.Input.Machine) == 0) {
      continue;
    }
    for (HistoryChange& change : series.Changes) {
      const int64_t when = UtcSeconds(change.Date).value_or(0);
      if (!change.Fleet && when >= from && when <= from + Day) {
        change.Fleet = fleet;
      }
    }
  }
}

void GatherFleet(History& history) {
  const std::vector<MachineStep> steps = TotalSteps(history);
  for (size_t first = 0; first < steps.size();) {
    size_t end = first;
    std::map<size_t, std::vector<double>> byMachine;
    while (end < steps.size() && steps[end].When <= steps[first].When + Day) {
      byMachine[steps[end].Machine].push_back(steps[end].Percent);
      ++end;
    }
    size_t spanning = 0;
    for (const std::vector<ArchivedSweep>& sweeps : history.Sweeps) {
      spanning += Spans(sweeps, steps[first].When) ? 1u : 0u;
    }
    if (byMachine.size() >= 2 && 2 * byMachine.size() > spanning) {
      FleetChange fleet{steps[first].Date, {}, 0};
      std::vector<double> percents;
      for (const auto& [machine, machinePercents] : byMachine) {
        fleet.Machines.push_back(machine);
        percents.push_back(Median(machinePercents));
      }
      fleet.ChangePercent = Median(percents);
      history.Fleet.push_back(fleet);
      MarkMembers(history, history.Fleet.size() - 1, steps[first].When);
    }
    first = end;
  }
}

}  // namespace

History BuildHistory(std::vector<ArchivedMachine> machines, std::vector<std::vector<ArchivedSweep>> sweeps,
                     std::vector<SeriesInput> series, double alpha) {
  History history;
  history.Alpha = alpha;
  history.Machines = std::move(machines);
  history.Sweeps = std::move(sweeps);
  for (SeriesInput& input : series) {
    HistorySeries found{std::move(input), {}};
    const std::vector<ArchivedSweep>& own = history.Sweeps[found.Input.Machine];
    for (const FoundChange& change : FindChanges(found.Input.Points, alpha)) {
      const ArchivedSweep& before = own[found.Input.Sweeps[change.At - 1]];
      const ArchivedSweep& after = own[found.Input.Sweeps[change.At]];
      found.Changes.push_back({change, after.Date, ChangedFacts(before, after), std::nullopt});
    }
    history.Series.push_back(std::move(found));
  }
  GatherFleet(history);
  return history;
}

std::vector<const HistoryChange*> OwnChanges(const HistorySeries& series) {
  std::vector<const HistoryChange*> own;
  for (const HistoryChange& change : series.Changes) {
    if (!change.Fleet) {
      own.push_back(&change);
    }
  }
  return own;
}
