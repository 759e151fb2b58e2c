// SPDX-License-Identifier: MIT
// Result files through nlohmann-json. The reader checks every value before
// taking it: nlohmann's get<uint32_t>() would wrap -1 and cut 3.7 in silence.
#include "results/result_file.h"
#include "results/variants.h"

#include "results/phases.h"
#include "results/result_json.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

using nlohmann::json;

const char ResultFormat[] = "sievebench-sweep/4";

static json SpreadJson(const Spread& spread) {
  return {{"median", spread.Median}, {"mean", spread.Mean}, {"stddev", spread.StdDev},
          {"min", spread.Min},       {"max", spread.Max}};
}

static json RunJson(const RunRecord& run) {
  json entry = {{"limit", run.Limit}, {"run", run.Run},           {"warmup", run.Warmup},
                {"round", run.Round}, {"sequence", run.Sequence}, {"variant", run.Variant}};
  // A run whose output was no report has no numbers: they are null.
  for (const TimedPhase phase : AllPhases) {
    entry[PhaseKey(phase)] = run.Parsed ? json(PhaseMs(run.Values, phase)) : json(nullptr);
  }
  for (const auto& [key, value] : {std::pair{"primes", run.Values.Primes}, {"loop_counter", run.Values.LoopCounter}}) {
    entry[key] = run.Parsed ? json(value) : json(nullptr);
  }
  entry["valid"] = run.Valid;
  entry["outlier"] = run.Outlier;
  entry["problems"] = run.Problems;
  return entry;
}

static json SummaryJson(const LimitSummary& row) {
  json entry = {{"limit", row.Limit},
                {"variant", row.Variant},
                {"runs", row.Runs},
                {"valid_runs", row.ValidRuns},
                {"outliers", row.Outliers},
                {"marks_per_second", row.MarksPerSecond},
                {"records_per_second", row.RecordsPerSecond}};
  for (const TimedPhase phase : AllPhases) {
    entry[PhaseKey(phase)] = SpreadJson(PhaseSpread(row, phase));
  }
  return entry;
}

std::string JsonText(const json& value) {
  return value.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

// An unknown value is written as null.
template <typename Value>
static json OrNull(const std::optional<Value>& value) {
  return value ? json(*value) : json(nullptr);
}

json ConditionsJson(const RunConditions& conditions) {
  return {{"file_system", OrNull(conditions.FileSystem)},
          {"priority", OrNull(conditions.Priority)},
          {"governor", OrNull(conditions.Governor)},
          {"boost", OrNull(conditions.Boost)},
          {"virtualization", OrNull(conditions.Virtualization)},
          {"load_average_start", OrNull(conditions.LoadAverageStart)},
          {"load_average_end", OrNull(conditions.LoadAverageEnd)},
          {"power_source", OrNull(conditions.PowerSource)},
          {"cpu_affinity", OrNull(conditions.CpuAffinity)},
          {"timer_resolution_ms", OrNull(conditions.TimerResolutionMs)},
          {"page_policy", OrNull(conditions.PagePolicy)}};
}

json MachineJson(const Machine& host) {
  json machine = {{"cpu", host.Cpu}, {"cores", host.Cores},   {"arch", host.Arch},
                  {"os", host.Os},   {"kernel", host.Kernel}, {"memory_bytes", host.MemoryBytes}};
  if (host.HugePages) {
    machine["huge_pages"] = *host.HugePages;
  }
  return machine;
}

static json SettingsJson(const SweepSettings& settings) {
  return {{"limits", settings.Limits}, {"repeat", settings.Repeat},   {"warmup", settings.Warmup},
          {"label", settings.Label},   {"program", settings.Program}, {"cpu", OrNull(settings.Cpu)},
          {"dir", settings.Dir},       {"timeout", settings.TimeoutSeconds}};
}

static json VariantJson(const Variant& variant) {
  return {{"name", variant.Name},
          {"program", variant.Program},
          {"sha256", OrNull(variant.Sha256)},
          {"dir", variant.Dir},
          {"cpu", OrNull(variant.Cpu)}};
}

std::string ResultFileText(const SweepResult& result) {
  json file = {{"format", result.Format},
               {"version", result.Version},
               {"label", result.Label},
               {"date", result.Date},
               {"machine", MachineJson(result.Host)},
               {"conditions", ConditionsJson(result.Conditions)},
               {"program",
                {{"path", result.Program.Path},
                 {"size_bytes", result.Program.SizeBytes},
                 {"sha256", OrNull(result.Program.Sha256)}}},
               {"options", result.Options ? SettingsJson(*result.Options) : json(nullptr)},
               {"seed", result.Options ? OrNull(result.Options->Seed) : json(nullptr)},
               {"variants", json::array()},
               {"complete", result.Complete},
               {"runs", json::array()},
               {"summaries", json::array()}};
  for (const Variant& variant : result.Variants) {
    file["variants"].push_back(VariantJson(variant));
  }
  for (const RunRecord& run : result.Runs) {
    file["runs"].push_back(RunJson(run));
  }
  for (const LimitSummary& row : result.Summaries) {
    file["summaries"].push_back(SummaryJson(row));
  }
  return JsonText(file);
}

// --- reading -----------------------------------------------------------------
// Each reader takes the object and the key, and names the key's path in its
// message; the first problem found ends the reading.

struct Problem {
  std::string What;
};

static const json& Member(const json& object, const std::string& where, const char* key) {
  const auto found = object.find(key);
  if (found == object.end()) {
    throw Problem{where + key + ": missing"};
  }
  return *found;
}

static uint64_t Unsigned(const json& object, const std::string& where, const char* key, uint64_t largest) {
  const json& value = Member(object, where, key);
  if (!value.is_number_unsigned() || value.get<uint64_t>() > largest) {
    throw Problem{where + key + ": not a whole number from 0 to " + std::to_string(largest) + ": " +
                  value.dump(-1, ' ', false, json::error_handler_t::replace)};
  }
  return value.get<uint64_t>();
}

static uint32_t Unsigned32(const json& object, const std::string& where, const char* key) {
  return static_cast<uint32_t>(Unsigned(object, where, key, std::numeric_limits<uint32_t>::max()));
}

// A limit the benchmark can run: a larger one could only ever fail, so a
// file that asks for it (to be resumed, say) is refused here.
static uint32_t LimitOf(const json& value, const std::string& name) {
  if (!value.is_number_unsigned() || value.get<uint64_t>() == 0 || value.get<uint64_t>() > LargestLimit) {
    throw Problem{name + ": not a limit from 1 to " + std::to_string(LargestLimit) +
                  ", the largest the benchmark runs: " + value.dump(-1, ' ', false, json::error_handler_t::replace)};
  }
  return value.get<uint32_t>();
}

static uint32_t Limit(const json& object, const std::string& where, const char* key) {
  return LimitOf(Member(object, where, key), where + key);
}

static double NonNegative(const json& object, const std::string& where, const char* key) {
  const json& value = Member(object, where, key);
  if (!value.is_number() || !std::isfinite(value.get<double>()) || value.get<double>() < 0) {
    throw Problem{where + key + ": not a number of 0 or more"};
  }
  return value.get<double>();
}

// The member `key`, which must pass the test `is` (json::is_string and the
// like); `what` says what it must be.
static const json& Typed(const json& object, const std::string& where, const char* key,
                         bool (json::*is)() const noexcept, const char* what) {
  const json& value = Member(object, where, key);
  if (!(value.*is)()) {
    throw Problem{where + key + ": not " + what};
  }
  return value;
}

static std::string Text(const json& object, const std::string& where, const char* key) {
  return Typed(object, where, key, &json::is_string, "a text").get<std::string>();
}

static bool Flag(const json& object, const std::string& where, const char* key) {
  return Typed(object, where, key, &json::is_boolean, "true or false").get<bool>();
}

static const json& Object(const json& object, const std::string& where, const char* key) {
  return Typed(object, where, key, &json::is_object, "an object");
}

static const json& Array(const json& object, const std::string& where, const char* key) {
  return Typed(object, where, key, &json::is_array, "an array");
}

// A member that may be missing or null, both meaning "unknown".
static const json* Known(const json& object, const char* key) {
  const auto found = object.find(key);
  return found == object.end() || found->is_null() ? nullptr : &*found;
}

static std::optional<std::string> OptionalText(const json& object, const std::string& where, const char* key) {
  return Known(object, key) != nullptr ? std::optional(Text(object, where, key)) : std::nullopt;
}

static std::optional<bool> OptionalFlag(const json& object, const std::string& where, const char* key) {
  return Known(object, key) != nullptr ? std::optional(Flag(object, where, key)) : std::nullopt;
}

static std::optional<double> OptionalNumber(const json& object, const std::string& where, const char* key) {
  return Known(object, key) != nullptr ? std::optional(NonNegative(object, where, key)) : std::nullopt;
}

// The place of element `index` of the array `name`, as messages name it;
// the element must be an object.
static std::string ElementWhere(const char* name, size_t index, const json& entry) {
  const std::string place = std::string(name) + "[" + std::to_string(index) + "]";
  if (!entry.is_object()) {
    throw Problem{place + ": not an object"};
  }
  return place + ".";
}

static Machine ReadMachine(const json& entry) {
  const std::string where = "machine.";
  Machine machine;
  machine.Cpu = Text(entry, where, "cpu");
  machine.Cores = Unsigned32(entry, where, "cores");
  machine.Arch = Text(entry, where, "arch");
  machine.Os = Text(entry, where, "os");
  machine.Kernel = Text(entry, where, "kernel");
  machine.MemoryBytes = Unsigned(entry, where, "memory_bytes", std::numeric_limits<uint64_t>::max());
  if (entry.contains("huge_pages")) {
    machine.HugePages = Text(entry, where, "huge_pages");
  }
  return machine;
}

// Files of format 2 have no conditions: all of them are unknown.
static RunConditions ReadConditions(const json& file) {
  RunConditions conditions;
  if (Known(file, "conditions") == nullptr) {
    return conditions;
  }
  const json& entry = Object(file, "", "conditions");
  const std::string where = "conditions.";
  conditions.FileSystem = OptionalText(entry, where, "file_system");
  conditions.Priority = OptionalText(entry, where, "priority");
  conditions.Governor = OptionalText(entry, where, "governor");
  conditions.Boost = OptionalFlag(entry, where, "boost");
  conditions.Virtualization = OptionalText(entry, where, "virtualization");
  conditions.LoadAverageStart = OptionalNumber(entry, where, "load_average_start");
  conditions.LoadAverageEnd = OptionalNumber(entry, where, "load_average_end");
  conditions.PowerSource = OptionalText(entry, where, "power_source");
  conditions.CpuAffinity = OptionalText(entry, where, "cpu_affinity");
  conditions.TimerResolutionMs = OptionalNumber(entry, where, "timer_resolution_ms");
  conditions.PagePolicy = OptionalText(entry, where, "page_policy");
  if (conditions.TimerResolutionMs && (*conditions.TimerResolutionMs <= 0 || *conditions.TimerResolutionMs > 1000)) {
    throw Problem{where + "timer_resolution_ms: not a step from above 0 to 1000 ms"};
  }
  return conditions;
}

// Files before resumable sweeps have no options: they cannot be resumed.
static std::optional<SweepSettings> ReadSettings(const json& file) {
  if (Known(file, "options") == nullptr) {
    return std::nullopt;
  }
  const json& entry = Object(file, "", "options");
  const std::string where = "options.";
  SweepSettings settings;
  const json& limits = Array(entry, where, "limits");
  for (size_t index = 0; index < limits.size(); ++index) {
    settings.Limits.push_back(LimitOf(limits[index], where + "limits[" + std::to_string(index) + "]"));
  }
  settings.Repeat = Unsigned32(entry, where, "repeat");
  settings.Warmup = Unsigned32(entry, where, "warmup");
  settings.Label = Text(entry, where, "label");
  settings.Program = Text(entry, where, "program");
  settings.Dir = Text(entry, where, "dir");
  if (Known(entry, "cpu") != nullptr) {
    settings.Cpu = Unsigned32(entry, where, "cpu");
  }
  settings.TimeoutSeconds = NonNegative(entry, where, "timeout");
  return settings;
}

// Files from format 4 on run in rounds, each run of a named variant.
static RunRecord ReadRun(const json& entry, size_t index, bool rounds) {
  const std::string where = ElementWhere("runs", index, entry);
  RunRecord run;
  run.Limit = Limit(entry, where, "limit");
  run.Run = Unsigned32(entry, where, "run");
  run.Warmup = Flag(entry, where, "warmup");
  if (rounds) {
    run.Round = Unsigned32(entry, where, "round");
    run.Sequence = Unsigned32(entry, where, "sequence");
    run.Variant = Text(entry, where, "variant");
  }
  run.Parsed = !Member(entry, where, "total_ms").is_null();
  if (run.Parsed) {
    run.Values.Limit = run.Limit;
    for (const TimedPhase phase : AllPhases) {
      PhaseMs(run.Values, phase) = Unsigned32(entry, where, PhaseKey(phase).c_str());
    }
    run.Values.Primes = Unsigned32(entry, where, "primes");
    run.Values.LoopCounter = Unsigned32(entry, where, "loop_counter");
  }
  run.Valid = Flag(entry, where, "valid");
  if (run.Valid && !run.Parsed) {
    throw Problem{where + "valid: true for a run with no times"};
  }
  run.Outlier = Flag(entry, where, "outlier");
  run.Problems = Text(entry, where, "problems");
  return run;
}

static Spread ReadSpread(const json& summary, const std::string& where, const char* key) {
  const json& entry = Object(summary, where, key);
  const std::string inner = where + key + ".";
  Spread spread;
  spread.Median = NonNegative(entry, inner, "median");
  spread.Mean = NonNegative(entry, inner, "mean");
  spread.StdDev = NonNegative(entry, inner, "stddev");
  spread.Min = NonNegative(entry, inner, "min");
  spread.Max = NonNegative(entry, inner, "max");
  return spread;
}

static LimitSummary ReadSummary(const json& entry, size_t index, bool variants) {
  const std::string where = ElementWhere("summaries", index, entry);
  LimitSummary row;
  row.Limit = Limit(entry, where, "limit");
  row.Variant = variants ? Text(entry, where, "variant") : std::string(DefaultVariant);
  row.Runs = Unsigned32(entry, where, "runs");
  row.ValidRuns = Unsigned32(entry, where, "valid_runs");
  row.Outliers = Unsigned32(entry, where, "outliers");
  for (const TimedPhase phase : AllPhases) {
    PhaseSpread(row, phase) = ReadSpread(entry, where, PhaseKey(phase).c_str());
  }
  row.MarksPerSecond = NonNegative(entry, where, "marks_per_second");
  row.RecordsPerSecond = NonNegative(entry, where, "records_per_second");
  return row;
}

static std::vector<Variant> ReadVariants(const json& file) {
  std::vector<Variant> variants;
  const json& entries = Array(file, "", "variants");
  for (size_t index = 0; index < entries.size(); ++index) {
    const json& entry = entries[index];
    const std::string where = ElementWhere("variants", index, entry);
    Variant variant{Text(entry, where, "name"), Text(entry, where, "program"), Text(entry, where, "dir"), std::nullopt,
                    OptionalText(entry, where, "sha256")};
    if (const std::string problem = VariantNameProblem(variant.Name); !problem.empty()) {
      throw Problem{std::string(where).append("name: ").append(problem)};
    }
    if (Known(entry, "cpu") != nullptr) {
      variant.Cpu = Unsigned32(entry, where, "cpu");
    }
    for (const Variant& earlier : variants) {
      if (earlier.Name == variant.Name) {
        throw Problem{where + "name: a second variant of that name"};
      }
    }
    variants.push_back(std::move(variant));
  }
  if (variants.empty()) {
    throw Problem{"variants: none; a sweep runs at least one"};
  }
  if (variants.size() > MostVariants) {
    throw Problem{"variants: " + std::to_string(variants.size()) + ", more than the " + std::to_string(MostVariants) +
                  " a sweep runs"};
  }
  return variants;
}

// The number after "sievebench-sweep/", or 0.
static unsigned FormatNumber(const std::string& format) {
  const std::string number = format.substr(std::string("sievebench-sweep/").size());
  return number.size() == 1 && number[0] >= '1' && number[0] <= '9' ? static_cast<unsigned>(number[0] - '0') : 0;
}

// Refuses a run or summary (at `where`) of a variant the file does not list;
// files before variants list none, and have one: DefaultVariant.
static void RequireVariant(const SweepResult& result, const std::string& name, const std::string& where) {
  const bool known = result.Variants.empty()
                         ? name.empty() || name == DefaultVariant
                         : std::any_of(result.Variants.begin(), result.Variants.end(),
                                       [&](const Variant& variant) { return variant.Name == name; });
  if (!known) {
    throw Problem{where + "variant: '" + name + "' is not among the variants"};
  }
}

static SweepResult ReadWhole(const json& file) {
  if (!file.is_object()) {
    throw Problem{"not a result file: the top level is not an object"};
  }
  SweepResult result;
  result.Format = Text(file, "", "format");
  if (result.Format.rfind("sievebench-sweep/", 0) != 0) {
    throw Problem{"format: '" + result.Format + "' is not a sievebench-sweep format"};
  }
  result.Version = Text(file, "", "version");
  result.Label = Text(file, "", "label");
  result.Date = Text(file, "", "date");
  result.Host = ReadMachine(Object(file, "", "machine"));
  result.Conditions = ReadConditions(file);
  const json& program = Object(file, "", "program");
  result.Program.Path = Text(program, "program.", "path");
  result.Program.SizeBytes = Unsigned(program, "program.", "size_bytes", std::numeric_limits<uint64_t>::max());
  result.Program.Sha256 = OptionalText(program, "program.", "sha256");
  result.Options = ReadSettings(file);
  const bool rounds = FormatNumber(result.Format) >= 4;
  if (rounds) {
    result.Variants = ReadVariants(file);
    if (result.Options && Known(file, "seed") != nullptr) {
      result.Options->Seed = Unsigned(file, "", "seed", std::numeric_limits<uint64_t>::max());
    }
  }
  // Files before checkpoints were written once, at the end.
  result.Complete = Known(file, "complete") == nullptr || Flag(file, "", "complete");
  const json& runs = Array(file, "", "runs");
  for (size_t index = 0; index < runs.size(); ++index) {
    result.Runs.push_back(ReadRun(runs[index], index, rounds));
    RequireVariant(result, result.Runs.back().Variant, ElementWhere("runs", index, runs[index]));
  }
  const json& summaries = Array(file, "", "summaries");
  for (size_t index = 0; index < summaries.size(); ++index) {
    result.Summaries.push_back(ReadSummary(summaries[index], index, rounds));
    RequireVariant(result, result.Summaries.back().Variant, ElementWhere("summaries", index, summaries[index]));
  }
  return result;
}

std::string ReadResultText(const std::string& text, SweepResult& result) {
  json file;
  try {
    file = json::parse(text);
  } catch (const json::exception& error) {  // a syntax error, or a number beyond a double
    return std::string("not JSON: ") + error.what();
  }
  try {
    result = ReadWhole(file);
  } catch (const Problem& problem) {
    return problem.What;
  }
  return "";
}
