// SPDX-License-Identifier: MIT
// sievebench-archive end to end: the statuses of add, imports at once and
// imports killed outright, hostile text in every output, the gate of check,
// a sweep exported for compare, and the sweep's --archive.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "results/result_file.h"
#include "tests/support/made_up_history.h"
#include "tests/support/test_files.h"

namespace {

class ArchiveRun : public testing::Test {
 protected:
  void SetUp() override { folder_ = MakeTempDir(); }
  void TearDown() override { RemoveTree(folder_); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(folder_ + "/" + name, std::ios::binary) << text;
    return name;
  }
  // Writes each sweep of `machines` machines over `weeks` weeks; returns their names.
  std::vector<std::string> WriteFleet(size_t machines, size_t weeks, const std::string& prefix = "m") const {
    std::vector<std::string> names;
    for (size_t machine = 0; machine < machines; ++machine) {
      HistoryShape shape;
      shape.Sweeps = weeks;
      shape.Seed = machine + 1;
      const std::vector<std::vector<double>> times = MadeUpTimes(shape);
      for (size_t week = 0; week < weeks; ++week) {
        const std::string label = prefix + std::to_string(machine);
        names.push_back(Write(label + "-" + std::to_string(week) + ".json",
                              ResultFileText(MadeUpSweep(label, WeeklyDate(week), {{100000, times[week]}}))));
      }
    }
    return names;
  }
  int Run(const std::string& program, const std::string& arguments) const {
    const std::string command = "cd '" + folder_ + "' && '" + program + "' " + arguments + " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int Archive(const std::string& arguments) const { return Run(SIEVEBENCH_ARCHIVE_PROGRAM, arguments); }
  std::string Read(const std::string& name) const { return ReadWholeFile(folder_ + "/" + name); }
  // The sweeps in the archive, read as any SQLite client would; -1 when it cannot be read.
  int64_t SweepCount() const {
    sqlite3* db = nullptr;
    int64_t count = -1;
    if (sqlite3_open_v2((folder_ + "/a.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_busy_timeout(db, 10000);
      sqlite3_stmt* statement = nullptr;
      if (sqlite3_prepare_v2(db, "SELECT count(*) FROM sweeps", -1, &statement, nullptr) == SQLITE_OK &&
          sqlite3_step(statement) == SQLITE_ROW) {
        count = sqlite3_column_int64(statement, 0);
      }
      sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
  }
  std::string IntegrityCheck() const {
    sqlite3* db = nullptr;
    std::string verdict;
    if (sqlite3_open((folder_ + "/a.db").c_str(), &db) == SQLITE_OK) {
      sqlite3_stmt* statement = nullptr;
      if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
          sqlite3_step(statement) == SQLITE_ROW) {
        verdict = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
      }
      sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return verdict;
  }
  static std::string Words(const std::vector<std::string>& names) {
    std::string words;
    for (const std::string& name : names) {
      words += " " + name;
    }
    return words;
  }
  std::string folder_;
};

}  // namespace

TEST_F(ArchiveRun, EachFileIsCheckedAndWhatImportsStillImports) {
  const std::string good = ResultFileText(MadeUpSweep("lab", WeeklyDate(0), {{100000, {100, 101, 99}}}));
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    return text.replace(text.find(from), from.size(), to);
  };
  Write("sound.json", good);
  Write("tampered.json", replaced("\"primes\": 9592", "\"primes\": 9593"));
  Write("truncated.json", good.substr(0, good.size() / 2));
  Write("undated.json", replaced(WeeklyDate(0), "last Tuesday"));
  struct Case {
    std::string Files;
    int Status;
    std::vector<std::string> Says;  // on standard error
  };
  const Case cases[] = {
      {"tampered.json sound.json", 1, {"tampered.json: tampered: limit 100000, run 1: found 9593 primes"}},
      {"truncated.json undated.json tampered.json", 2,
       {"truncated.json: malformed: not JSON", "undated.json: malformed: date: 'last Tuesday' is not a UTC date",
        "tampered.json: tampered"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Archive("add a.db " + c.Files), c.Status) << c.Files;
    for (const std::string& says : c.Says) {
      EXPECT_NE(Read("err.txt").find(says), std::string::npos) << Read("err.txt");
    }
  }
  EXPECT_EQ(SweepCount(), 1);  // the sound file went in beside the tampered one
  EXPECT_EQ(Archive("add a.db sound.json"), 0);
  EXPECT_EQ(Read("out.txt"), "sound.json: archived already; nothing added\n");
  EXPECT_EQ(SweepCount(), 1);
  // An archive that is none is refused by every command, with 2.
  Write("text.db", "not a database, and much longer than a page header would be\n");
  for (const char* command : {"add text.db sound.json", "machines text.db", "history text.db",
                                     "check text.db --fail-slower 5", "export text.db --machine lab --date 2026"}) {
    EXPECT_EQ(Archive(command), 2) << command;
    EXPECT_NE(Read("err.txt").find("text.db: not a sievebench archive"), std::string::npos) << Read("err.txt");
  }
}

TEST_F(ArchiveRun, ImportsAtOnceLoseNothing) {
  const std::vector<std::string> first = WriteFleet(3, 10, "a");
  const std::vector<std::string> second = WriteFleet(3, 10, "b");
  // Both sets at once, and the first again beside them: each file once.
  const std::string program = SIEVEBENCH_ARCHIVE_PROGRAM;
  const std::string command = "cd '" + folder_ + "' && ('" + program + "' add a.db" + Words(first) +
                              " >one.txt 2>&1 & '" + program + "' add a.db" + Words(second) + " >two.txt 2>&1 & '" +
                              program + "' add a.db" + Words(first) + " >three.txt 2>&1 & wait)";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(SweepCount(), 60) << Read("one.txt") << Read("two.txt") << Read("three.txt");
  EXPECT_EQ(IntegrityCheck(), "ok");
  EXPECT_EQ(Archive("machines a.db"), 0);
  EXPECT_NE(Read("out.txt").find("a0  Made-up CPU  4 cores  x86_64  10 sweeps"), std::string::npos) << Read("out.txt");
}

TEST_F(ArchiveRun, AnImportKilledOutrightLeavesTheArchiveWholeAndAgainCompletesIt) {
  const std::vector<std::string> names = WriteFleet(4, 50);
  std::vector<std::string> arguments = {SIEVEBENCH_ARCHIVE_PROGRAM, "add", "a.db"};
  arguments.insert(arguments.end(), names.begin(), names.end());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
      argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    if (chdir(folder_.c_str()) == 0 && freopen("/dev/null", "w", stdout) != nullptr) {
      execv(argv[0], argv.data());
    }
    _exit(127);
  }
  // Killed once some sweeps are in, in the middle of the rest.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (SweepCount() < 10 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  const int64_t before = SweepCount();
  EXPECT_GE(before, 10);
  EXPECT_EQ(IntegrityCheck(), "ok");
  EXPECT_EQ(Archive("add a.db" + Words(names)), 0) << Read("err.txt");
  EXPECT_EQ(SweepCount(), 200);
  EXPECT_EQ(IntegrityCheck(), "ok");
}

TEST_F(ArchiveRun, TextFromFilesIsInertInEveryOutput) {
  const std::string hostile = "\x1b]0;owned\x07<script>alert(1)</script>|*_[x](y)\n";
  for (size_t week = 0; week < 6; ++week) {
    SweepResult result = MadeUpSweep(hostile, WeeklyDate(week), {{100000, {100, 101, 99, 100}}});
    result.Host.Cpu = "<img src=x onerror=alert(2)>";
    Write("h" + std::to_string(week) + ".json", ResultFileText(result));
  }
  ASSERT_EQ(Archive("add a.db h0.json h1.json h2.json h3.json h4.json h5.json"), 0) << Read("err.txt");
  ASSERT_EQ(Archive("history a.db --json h.json --markdown h.md --html h.html"), 0) << Read("err.txt");
  for (const std::string& output : {Read("out.txt"), Read("h.md")}) {
    EXPECT_EQ(output.find('\x1b'), std::string::npos);
    EXPECT_EQ(output.find('\x07'), std::string::npos);
  }
  EXPECT_EQ(Archive("machines a.db"), 0);
  EXPECT_EQ(Read("out.txt").find('\x1b'), std::string::npos);
  EXPECT_EQ(Read("h.md").find("<script>"), std::string::npos);
  const std::string page = Read("h.html");
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("<img"), std::string::npos);
  EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);
  EXPECT_NE(page.find("Content-Security-Policy"), std::string::npos);
  const nlohmann::json history = nlohmann::json::parse(Read("h.json"));
  EXPECT_EQ(history["format"], "sievebench-history/1");
  EXPECT_EQ(history["series"][0]["machine"], hostile);  // JSON keeps the text, escaped by its own rules
}

TEST_F(ArchiveRun, CheckGatesTheLatestStepAndExportFeedsCompare) {
  HistoryShape shape;
  shape.Sweeps = 12;
  shape.Steps = {{8, 1.10}};
  const std::vector<std::vector<double>> times = MadeUpTimes(shape);
  std::string files;
  for (size_t week = 0; week < times.size(); ++week) {
    files += " " + Write("s" + std::to_string(week) + ".json",
                         ResultFileText(MadeUpSweep("lab", WeeklyDate(week), {{100000, times[week]}})));
  }
  ASSERT_EQ(Archive("add a.db" + files), 0) << Read("err.txt");
  struct Case {
    std::string Arguments;
    int Status;
  };
  const Case cases[] = {{"check a.db --fail-slower 5", 3},
                        {"check a.db --fail-slower 25", 0},
                        {"check a.db --fail-slower 5 --machine other", 0},
                        {"check a.db", 2},
                        {"check missing.db --fail-slower 5", 2},
                        {"export a.db --machine lab --date 2026-01-05 -o back.json", 0},
                        {"export a.db --machine lab --date 1999-01-01", 2}};
  for (const Case& c : cases) {
    EXPECT_EQ(Archive(c.Arguments), c.Status) << c.Arguments << ": " << Read("err.txt");
  }
  EXPECT_EQ(Run(SIEVEBENCH_COMPARE_PROGRAM, "back.json s0.json"), 0) << Read("err.txt");
}

TEST_F(ArchiveRun, TheSweepAddsItsFileWhenItEnds) {
  ASSERT_EQ(Run(SIEVEBENCH_SWEEP_PROGRAM, "--program '" SIEVEBENCH_PROGRAM "' --limits 1000 --repeat 2 --warmup 0 "
                                          "--label lab --json r.json --archive a.db"),
            0)
      << Read("err.txt");
  EXPECT_NE(Read("out.txt").find("added r.json: lab at"), std::string::npos) << Read("out.txt");
  EXPECT_EQ(SweepCount(), 1);
  EXPECT_EQ(Run(SIEVEBENCH_SWEEP_PROGRAM, "--limits 1000 --archive a.db"), 2);
  EXPECT_NE(Read("err.txt").find("--archive needs --json"), std::string::npos) << Read("err.txt");
}
