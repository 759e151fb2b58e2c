// SPDX-License-Identifier: MIT
// The comparison's JSON: nlohmann writes the strings, so text from a file
// stays JSON text, with its control characters as \u escapes.
#include "views/json.h"

#include "results/result_json.h"

using nlohmann::json;

const char ComparisonFormat[] = "sievebench-compare/1";

namespace {

template <typename Value>
json OrNull(const std::optional<Value>& value) {
  return value ? json(*value) : json(nullptr);
}

json RowJson(const ComparisonRow& row, size_t file, const std::string& machine) {
  const Cell& cell = row.Cells[file];
  const bool measured = cell.Runs > 0;
  return {{"limit", row.Limit},
          {"phase", PhaseName(row.Phase)},
          {"machine", machine},
          {"n", cell.Runs},
          {"median_ms", measured ? json(cell.MedianMs) : json(nullptr)},
          {"ci_low_ms", cell.MedianInterval ? json(cell.MedianInterval->Low) : json(nullptr)},
          {"ci_high_ms", cell.MedianInterval ? json(cell.MedianInterval->High) : json(nullptr)},
          {"change_percent", OrNull(cell.ChangePercent)},
          {"change_low_percent", OrNull(cell.ChangeLowPercent)},
          {"change_high_percent", OrNull(cell.ChangeHighPercent)},
          {"test", cell.Test.empty() ? json(nullptr) : json(cell.Test)},
          {"pairs", cell.Test.empty() ? json(nullptr) : json(cell.Pairs)},
          {"between_sweeps_percent", OrNull(cell.BetweenSweepsPercent)},
          {"p_value", OrNull(cell.PValue)},
          {"significant", OrNull(cell.Significant)},
          {"note", cell.Note}};
}

}  // namespace

std::string ComparisonJson(const Comparison& comparison, const std::string& version) {
  json document = {{"format", std::string(ComparisonFormat)},
                   {"version", version},
                   {"alpha", comparison.Alpha},
                   {"baseline", comparison.Files[0].Name},
                   {"machines", json::array()},
                   {"rows", json::array()},
                   {"geomean", json::array()},
                   {"warnings", comparison.Warnings},
                   {"invalid_runs", comparison.InvalidRuns}};
  for (const ComparedFile& file : comparison.Files) {
    document["machines"].push_back({{"name", file.Name},
                                    {"file", file.Path},
                                    {"label", file.Result.Label},
                                    {"machine", MachineJson(file.Result.Host)},
                                    {"conditions", ConditionsJson(file.Result.Conditions)}});
  }
  for (const ComparisonRow& row : comparison.Rows) {
    for (size_t file = 0; file < row.Cells.size(); ++file) {
      document["rows"].push_back(RowJson(row, file, comparison.Files[file].Name));
    }
  }
  for (const GeomeanRow& row : comparison.Geomeans) {
    for (size_t file = 1; file < row.Cells.size(); ++file) {
      const GeomeanCell& cell = row.Cells[file];
      document["geomean"].push_back({{"phase", PhaseName(row.Phase)},
                                     {"machine", comparison.Files[file].Name},
                                     {"change_percent", OrNull(cell.ChangePercent)},
                                     {"significant", cell.Significant},
                                     {"limits", cell.Limits}});
    }
  }
  return JsonText(document);
}
