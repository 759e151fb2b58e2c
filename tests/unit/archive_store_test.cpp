// SPDX-License-Identifier: MIT
// The archive's database: imports once per file, checkpoints completed,
// machines told apart by their identity, the first schema migrated, files
// that are no archive refused, a sweep exported as it was imported; and the
// made-up archives whose steps are known, found through the whole store.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "archive/store.h"
#include "host/digest.h"
#include "results/comparison.h"
#include "results/history.h"
#include "results/result_file.h"
#include "results/sweep_noise.h"
#include "tests/support/made_up_history.h"
#include "tests/support/test_files.h"

namespace {

class ArchiveStore : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTempDir();
    path_ = folder_ + "/archive.db";
  }
  void TearDown() override { RemoveTree(folder_); }

  // Imports `result` into the open archive, as add does after its checks.
  Imported Add(Archive& archive, const SweepResult& result) {
    const std::string text = ResultFileText(result);
    Imported outcome = Imported::Added;
    EXPECT_EQ(archive.Add(result, *Sha256Hex(text), outcome), "");
    return outcome;
  }
  History Read(Archive& archive, const HistoryQuery& query = {}) {
    std::vector<ArchivedMachine> machines;
    std::vector<std::vector<ArchivedSweep>> sweeps;
    std::vector<SeriesInput> series;
    EXPECT_EQ(archive.HistoryInputs(query, machines, sweeps, series), "");
    return BuildHistory(machines, sweeps, series, ChangeAlpha);
  }
  std::string folder_;
  std::string path_;
};

SweepResult Sweep(const std::string& label, size_t week, std::vector<double> times) {
  return MadeUpSweep(label, WeeklyDate(week), {{100000, std::move(times)}});
}

const std::vector<double> Steady = {100, 101, 99, 100, 102, 100, 101, 99};

}  // namespace

TEST_F(ArchiveStore, AFileImportsOnceAndACheckpointGivesWayToItsWholeSweep) {
  Archive archive;
  ASSERT_EQ(archive.Open(path_, OpenMode::CreateIfMissing), "");
  EXPECT_EQ(archive.UserVersion(), SchemaVersion);
  const SweepResult whole = Sweep("lab", 0, Steady);
  SweepResult checkpoint = whole;
  checkpoint.Complete = false;
  checkpoint.Runs.resize(3);
  EXPECT_EQ(Add(archive, checkpoint), Imported::Added);
  EXPECT_EQ(Add(archive, checkpoint), Imported::AlreadyThere);
  EXPECT_EQ(Add(archive, whole), Imported::Completed);
  EXPECT_EQ(Add(archive, whole), Imported::AlreadyThere);
  EXPECT_EQ(Add(archive, checkpoint), Imported::Superseded);  // a whole sweep stays whole
  std::vector<MachineEntry> machines;
  ASSERT_EQ(archive.Machines(machines), "");
  ASSERT_EQ(machines.size(), 1u);
  EXPECT_EQ(machines[0].Sweeps, 1u);
  SweepResult exported;
  ASSERT_EQ(archive.Export("lab", "2026-01-05", exported), "");
  EXPECT_EQ(exported.Runs, whole.Runs);
  EXPECT_TRUE(exported.Complete);
  EXPECT_TRUE(FindTampering(exported).empty());
}

TEST_F(ArchiveStore, AMachineIsItsLabelWithItsProcessorCoresAndArchitecture) {
  Archive archive;
  ASSERT_EQ(archive.Open(path_, OpenMode::CreateIfMissing), "");
  SweepResult base = Sweep("lab", 0, Steady);
  auto changed = [&](size_t week, auto change) {
    SweepResult result = Sweep("lab", week, Steady);
    change(result);
    return result;
  };
  Add(archive, base);
  Add(archive, changed(1, [](SweepResult&) {}));                                  // the same machine
  Add(archive, changed(2, [](SweepResult& r) { r.Host.Kernel = "6.8.0"; }));      // still the same
  Add(archive, changed(3, [](SweepResult& r) { r.Label = "lab2"; }));             // relabelled
  Add(archive, changed(4, [](SweepResult& r) { r.Host.Cores = 8; }));             // replaced
  Add(archive, changed(5, [](SweepResult& r) { r.Host.Cpu = "Another CPU"; }));  // replaced
  Add(archive, changed(6, [](SweepResult& r) { r.Host.Arch = "aarch64"; }));      // replaced
  std::vector<MachineEntry> machines;
  ASSERT_EQ(archive.Machines(machines), "");
  ASSERT_EQ(machines.size(), 5u);
  EXPECT_EQ(machines[0].Identity.Label, "lab");
  EXPECT_EQ(machines[0].Sweeps, 3u);
  EXPECT_EQ(machines[0].First, WeeklyDate(0));
  EXPECT_EQ(machines[0].Last, WeeklyDate(2));
}

TEST_F(ArchiveStore, TheFirstSchemaIsMigratedWithItsSweepsLevels) {
  // An archive as the first schema wrote it: sweeps and runs, no levels.
  const SweepResult result = Sweep("old", 0, Steady);
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    const std::string stamp = "PRAGMA application_id = " + std::to_string(ArchiveApplicationId);
    ASSERT_EQ(sqlite3_exec(db, stamp.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, FirstSchema, nullptr, nullptr, nullptr), SQLITE_OK);
    SweepResult header = result;
    header.Runs.clear();
    std::string sql = "INSERT INTO machines VALUES (1, 'old', 'Made-up CPU', 4, 'x86_64');"
                      "INSERT INTO sweeps VALUES (1, 1, 'digest', '" + result.Date + "', 1, '";
    for (const char c : ResultFileText(header)) {
      sql += c == '\'' ? std::string("''") : std::string(1, c);
    }
    sql += "');";
    for (size_t run = 0; run < result.Runs.size(); ++run) {
      const uint32_t ms = result.Runs[run].Values.CountMs;
      sql += "INSERT INTO runs VALUES (1, " + std::to_string(run) + ", 100000, " + std::to_string(run + 1) + ", 0, " +
             std::to_string(run + 1) + ", " + std::to_string(run + 1) + ", 'default', 1, 0, 0, " + std::to_string(ms) +
             ", " + std::to_string(ms) + ", 9592, " + std::to_string(ExpectedLoopCounter(100000)) + ", 1, 0, '');";
    }
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  Archive archive;
  ASSERT_EQ(archive.Open(path_, OpenMode::Existing), "");
  EXPECT_EQ(archive.UserVersion(), 2);
  const History history = Read(archive);
  ASSERT_EQ(history.Series.size(), 4u);  // one per phase at the one limit
  const HistorySeries& total = history.Series.back();
  EXPECT_EQ(total.Input.Phase, TimedPhase::Total);
  ASSERT_EQ(total.Input.Points.size(), 1u);
  // Steady's 8 times sorted: 99 99 100 100 100 101 101 102, median 100.
  EXPECT_EQ(total.Input.Points[0].MedianMs, 100);
  EXPECT_EQ(total.Input.Points[0].Runs, 8u);
  EXPECT_EQ(total.Input.Points[0].HalvesLogShift, HalvesShift(Steady, 1));
  SweepResult exported;
  ASSERT_EQ(archive.Export("old", result.Date, exported), "");
  EXPECT_EQ(exported.Runs, result.Runs);
}

TEST_F(ArchiveStore, WhatIsNoArchiveIsRefusedWithAReason) {
  struct Case {
    const char* Name;
    std::string Bytes;
    const char* Says;
  };
  std::string corrupt;
  {
    Archive archive;
    ASSERT_EQ(archive.Open(path_, OpenMode::CreateIfMissing), "");
    for (size_t week = 0; week < 40; ++week) {
      Add(archive, Sweep("lab", week, Steady));
    }
  }
  corrupt = ReadWholeFile(path_);
  for (size_t at = 4096; at + 4096 <= corrupt.size(); at += 4096) {
    corrupt.replace(at + 8, 64, std::string(64, '\xA5'));  // every page past the first, its header struck
  }
  const Case cases[] = {
      {"text.db", "hello, I am not a database\n", "not a sievebench archive"},
      {"corrupt.db", corrupt, "corrupt"},
  };
  for (const Case& c : cases) {
    const std::string path = folder_ + "/" + c.Name;
    std::ofstream(path, std::ios::binary) << c.Bytes;
    Archive archive;
    std::string problem = archive.Open(path, OpenMode::Existing);
    if (problem.empty()) {
      std::vector<ArchivedMachine> machines;
      std::vector<std::vector<ArchivedSweep>> sweeps;
      std::vector<SeriesInput> series;
      problem = archive.HistoryInputs({}, machines, sweeps, series);
    }
    EXPECT_NE(problem.find(c.Says), std::string::npos) << c.Name << ": " << problem;
  }
  // Another program's database, and a newer schema than this program's.
  const std::string other = folder_ + "/other.db";
  const std::string newer = folder_ + "/newer.db";
  const std::string later = "PRAGMA application_id = " + std::to_string(ArchiveApplicationId) + "; PRAGMA user_version = 9";
  for (const auto& [path, sql] : {std::pair{other, std::string("CREATE TABLE notes(text)")}, std::pair{newer, later}}) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  Archive first;
  EXPECT_NE(first.Open(other, OpenMode::Existing).find("not a sievebench archive"), std::string::npos);
  Archive second;
  EXPECT_NE(second.Open(newer, OpenMode::Existing).find("newer than this program's"), std::string::npos);
  Archive missing;
  EXPECT_NE(missing.Open(folder_ + "/missing.db", OpenMode::Existing), "");
}

// The made-up archives of the cases, through the store: each step
// at its sweep (within one), with its sign and its size inside its interval,
// and nothing on the steady and the noisy machine.
TEST_F(ArchiveStore, MadeUpArchivesShowTheirKnownSteps) {
  Archive archive;
  ASSERT_EQ(archive.Open(path_, OpenMode::CreateIfMissing), "");
  struct MadeUpMachine {
    std::string Label;
    std::vector<std::pair<size_t, double>> Steps;
    double Spell;
  };
  // Every machine but "noisy" 5 % faster from sweep 8; "slower" 8 % slower
  // again from sweep 14, with a new kernel; "noisy" meets spells of 5 %.
  const std::vector<MadeUpMachine> machines = {{"slower", {{8, 0.95}, {14, 1.08}}, 0.015},
                                         {"fleet1", {{8, 0.95}}, 0.015},
                                         {"fleet2", {{8, 0.95}}, 0.015},
                                         {"fleet3", {{8, 0.95}}, 0.015},
                                         {"steady", {}, 0.015},
                                         {"noisy", {}, 0.05}};
  for (size_t index = 0; index < machines.size(); ++index) {
    HistoryShape shape;
    shape.Sweeps = 20;
    shape.Steps = machines[index].Steps;
    shape.SpellSpread = machines[index].Spell;
    shape.Seed = 7 + index;
    const std::vector<std::vector<double>> times = MadeUpTimes(shape);
    for (size_t week = 0; week < times.size(); ++week) {
      SweepResult result = Sweep(machines[index].Label, week, times[week]);
      if (machines[index].Label == "slower" && week >= 14) {
        result.Host.Kernel = "6.8.0";
      }
      Add(archive, result);
    }
  }
  const History history = Read(archive, {std::nullopt, std::nullopt, TimedPhase::Total});
  ASSERT_EQ(history.Fleet.size(), 1u);
  EXPECT_EQ(history.Fleet[0].Machines.size(), 4u);  // all but the noisy and the steady one
  const int64_t fleetDay = *UtcSeconds(history.Fleet[0].Date);
  EXPECT_LE(std::llabs(fleetDay - *UtcSeconds(WeeklyDate(8))), 7 * 86400);
  EXPECT_NEAR(history.Fleet[0].ChangePercent, -5, 1.5);
  for (const HistorySeries& series : history.Series) {
    const std::string& label = history.Machines[series.Input.Machine].Label;
    if (series.Input.Phase != TimedPhase::Total) {
      continue;
    }
    if (label == "steady" || label == "noisy") {
      EXPECT_TRUE(series.Changes.empty()) << label;
      continue;
    }
    const std::vector<std::pair<size_t, double>>& steps =
        std::find_if(machines.begin(), machines.end(), [&](const MadeUpMachine& m) { return m.Label == label; })->Steps;
    ASSERT_EQ(series.Changes.size(), steps.size()) << label;
    for (size_t index = 0; index < steps.size(); ++index) {
      const HistoryChange& change = series.Changes[index];
      const double percent = (steps[index].second - 1) * 100;
      EXPECT_LE(std::llabs(*UtcSeconds(change.Date) - *UtcSeconds(WeeklyDate(steps[index].first))), 7 * 86400) << label;
      EXPECT_LE(change.Found.LowPercent, percent) << label;
      EXPECT_GE(change.Found.HighPercent, percent) << label;
      EXPECT_EQ(change.Fleet.has_value(), index == 0) << label;  // the first step is the fleet's
    }
  }
  for (const HistorySeries& series : history.Series) {
    if (history.Machines[series.Input.Machine].Label == "slower") {
      ASSERT_EQ(OwnChanges(series).size(), 1u);
      EXPECT_EQ(OwnChanges(series)[0]->ConditionsChanged, std::vector<std::string>{"kernel 6.1.0 \u2192 6.8.0"});
    }
  }
}
