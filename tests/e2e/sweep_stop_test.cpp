// SPDX-License-Identifier: MIT
// Sweeps stopped, killed and resumed end to end: what a signal saves, a
// killed sweep's benchmark, a resume's file and its refusals, a failed
// checkpoint, and progress on a terminal.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "host/files.h"
#include "results/result_file.h"
#include "host/system.h"
#include "sweep/capacity.h"
#include "sweep/options.h"
#include "sweep/plan.h"
#include "sweep/progress.h"
#include "tests/support/child_process.h"

namespace fs = std::filesystem;

// The real sweep, with a stand-in benchmark that runs the real one until
// the run named in hang-at, where it waits in `sleep` with its pid in hanging.pid.
class StoppedSweep : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTempDir();
    fs::create_directories(folder_ + "/tmp");
    program_ = folder_ + "/bench";
    std::ofstream(program_) << "#!/bin/sh\n"
                            << "d='" << folder_ << "'\n"
                            << "n=$(( $(cat \"$d/count\" 2>/dev/null || echo 0) + 1 ))\n"
                            << "echo $n > \"$d/count\"\n"
                            << "if [ -e \"$d/hang-at\" ] && [ $n -ge $(cat \"$d/hang-at\") ]; then\n"
                            << "  echo $$ > \"$d/hanging.pid\"; exec sleep 60\n"
                            << "fi\n"
                            << "exec '" SIEVEBENCH_PROGRAM "'\n";
    chmod(program_.c_str(), 0755);
  }
  void TearDown() override { RemoveTree(folder_); }

  // Starts a sweep in the background; stdout and stderr go to out.txt and err.txt.
  pid_t Start(const std::string& arguments) {
    const std::string command = "cd '" + folder_ + "' && TMPDIR='" + folder_ + "/tmp' exec '" SIEVEBENCH_SWEEP_PROGRAM
                                "' " + arguments + " >out.txt 2>err.txt";
    const pid_t child = fork();
    if (child == 0) {
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return child;
  }
  int Sweep(const std::string& arguments) { return Finish(Start(arguments)); }
  static int Finish(pid_t sweep) {
    int status = 0;
    waitpid(sweep, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // The pid of the stand-in once it hangs in run `run`, or 0 after 30 s.
  pid_t HangingAt(int run) {
    std::ofstream(folder_ + "/hang-at") << run;
    for (int wait = 0; wait < 300; ++wait) {
      const std::string pid = ReadWholeFile(folder_ + "/hanging.pid");
      if (!pid.empty() && pid.back() == '\n') {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // until sleep has replaced the script
        return std::stoi(pid);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return 0;
  }
  // Gone, or a zombie no one reaps (the container's first process may not).
  static bool Dead(pid_t pid) {
    for (int wait = 0; wait < 50; ++wait) {
      const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
      const size_t paren = stat.rfind(')');
      if (stat.empty() || (paren != std::string::npos && stat.compare(paren + 1, 3, " Z ") == 0)) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  SweepResult Result(const std::string& name) const {
    SweepResult result;
    EXPECT_EQ(ReadResultFile(folder_ + "/" + name, result), "");
    return result;
  }
  std::string Read(const std::string& name) const { return ReadWholeFile(folder_ + "/" + name); }
  long Lines(const std::string& name) const {
    const std::string text = Read(name);
    return std::count(text.begin(), text.end(), '\n');
  }
  bool ScratchLeft() const { return !fs::is_empty(folder_ + "/tmp"); }
  std::string folder_, program_;
};

static const char FiveRuns[] = "--limits 100 --repeat 5 --warmup 0 --seed 5 --label lab ";

TEST_F(StoppedSweep, ASignalSavesTheFinishedRunsAndLeavesNothingBehind) {
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(signalNumber));
    fs::remove(folder_ + "/count");
    fs::remove(folder_ + "/hanging.pid");
    const pid_t sweep = Start(std::string(FiveRuns) + "--json runs.json --csv runs.csv --program " + program_);
    const pid_t hanging = HangingAt(4);
    ASSERT_NE(hanging, 0) << Read("err.txt");
    kill(sweep, signalNumber);
    EXPECT_EQ(Finish(sweep), 128 + signalNumber);
    EXPECT_TRUE(Dead(hanging));
    EXPECT_FALSE(ScratchLeft());
    const SweepResult result = Result("runs.json");
    EXPECT_FALSE(result.Complete);
    ASSERT_EQ(result.Runs.size(), 3u);
    EXPECT_TRUE(result.Runs[2].Valid);
    EXPECT_EQ(result.Summaries.at(0).ValidRuns, 3u);
    EXPECT_EQ(Lines("runs.csv"), 4);
    EXPECT_NE(Read("out.txt").find("         100    3/3"), std::string::npos) << Read("out.txt");
    const std::string name = signalNumber == SIGINT ? "SIGINT" : signalNumber == SIGTERM ? "SIGTERM" : "SIGHUP";
    EXPECT_NE(Read("err.txt").find("interrupted by " + name +
                                   " after 3 of 5 runs; resume with: sievebench-sweep --resume runs.json\n"),
              std::string::npos)
        << Read("err.txt");
  }
}

TEST_F(StoppedSweep, AKilledSweepTakesItsBenchmarkAlongAndItsCheckpointReads) {
  const pid_t sweep = Start(std::string(FiveRuns) + "--json runs.json --program " + program_);
  const pid_t hanging = HangingAt(3);
  ASSERT_NE(hanging, 0) << Read("err.txt");
  kill(sweep, SIGKILL);
  EXPECT_EQ(Finish(sweep), 128 + SIGKILL);
  EXPECT_TRUE(Dead(hanging));
  const SweepResult result = Result("runs.json");
  EXPECT_FALSE(result.Complete);
  EXPECT_EQ(result.Runs.size(), 2u);
}

TEST_F(StoppedSweep, AResumeEndsWithTheFileAWholeSweepWrites) {
  const pid_t sweep = Start(std::string(FiveRuns) + "--json cut.json --program " + program_);
  ASSERT_NE(HangingAt(3), 0) << Read("err.txt");
  kill(sweep, SIGINT);
  ASSERT_EQ(Finish(sweep), 130);
  const SweepResult cut = Result("cut.json");
  fs::remove(folder_ + "/hang-at");

  ASSERT_EQ(Sweep("--resume cut.json"), 0) << Read("err.txt");
  EXPECT_NE(Read("err.txt").find("run 3 of 5: limit 100\n"), std::string::npos) << Read("err.txt");
  EXPECT_EQ(Read("err.txt").find("run 2 of 5"), std::string::npos) << Read("err.txt");
  const SweepResult resumed = Result("cut.json");
  ASSERT_EQ(Sweep(std::string(FiveRuns) + "--json whole.json --program " + program_), 0) << Read("err.txt");
  const SweepResult whole = Result("whole.json");
  EXPECT_TRUE(resumed.Complete);
  EXPECT_EQ(resumed.Options, whole.Options);
  EXPECT_EQ(resumed.Date, cut.Date);
  ASSERT_EQ(resumed.Runs.size(), whole.Runs.size());
  for (size_t index = 0; index < whole.Runs.size(); ++index) {
    EXPECT_EQ(resumed.Runs[index].Run, whole.Runs[index].Run);
    EXPECT_EQ(resumed.Runs[index].Valid, whole.Runs[index].Valid);
    EXPECT_EQ(resumed.Runs[index].Values.Primes, whole.Runs[index].Values.Primes);
  }
  for (size_t index = 0; index < cut.Runs.size(); ++index) {
    EXPECT_EQ(resumed.Runs[index].Values, cut.Runs[index].Values);  // the first runs as they were
  }
  EXPECT_EQ(resumed.Summaries.size(), whole.Summaries.size());
  EXPECT_EQ(resumed.Summaries.at(0).ValidRuns, 5u);
  EXPECT_FALSE(ScratchLeft());
}

TEST_F(StoppedSweep, AVariantSweepResumesInItsRoundsWithEachVariantsOwnFolder) {
  const std::string variants = "--limits 100,1000 --repeat 3 --warmup 0 --seed 9 --label lab --variant a:program=" +
                               program_ + " --variant b:program=" + program_ + ",dir=runs-b ";
  const pid_t sweep = Start(variants + "--json cut.json");
  ASSERT_NE(HangingAt(5), 0) << Read("err.txt");
  kill(sweep, SIGINT);
  ASSERT_EQ(Finish(sweep), 130);
  fs::remove(folder_ + "/hang-at");
  ASSERT_EQ(Result("cut.json").Runs.size(), 4u);
  ASSERT_EQ(Sweep("--resume cut.json"), 0) << Read("err.txt");
  ASSERT_EQ(Sweep(variants + "--json whole.json"), 0) << Read("err.txt");
  const SweepResult resumed = Result("cut.json");
  const SweepResult whole = Result("whole.json");
  EXPECT_TRUE(resumed.Complete);
  ASSERT_EQ(resumed.Variants.size(), 2u);
  EXPECT_EQ(resumed.Variants, whole.Variants);
  ASSERT_EQ(resumed.Runs.size(), 12u);
  ASSERT_EQ(whole.Runs.size(), 12u);
  for (size_t index = 0; index < whole.Runs.size(); ++index) {
    const RunRecord& a = resumed.Runs[index];
    const RunRecord& b = whole.Runs[index];
    EXPECT_EQ(std::tie(a.Limit, a.Round, a.Variant, a.Sequence), std::tie(b.Limit, b.Round, b.Variant, b.Sequence))
        << index;
    EXPECT_TRUE(a.Valid) << index;
  }
  EXPECT_EQ(resumed.Summaries.size(), 4u);  // each variant's two limits
  // b's runs kept in its own folder, a's in the scratch folder, gone.
  EXPECT_TRUE(fs::exists(folder_ + "/runs-b/b-limit-1000-run-3/primes.txt"));
  EXPECT_FALSE(ScratchLeft());
}

TEST_F(StoppedSweep, AResumeIsRefusedForAnotherBuildAFinishedSweepOrAMixedCommandLine) {
  const pid_t sweep = Start(std::string(FiveRuns) + "--json cut.json --program " + program_);
  ASSERT_NE(HangingAt(2), 0) << Read("err.txt");
  kill(sweep, SIGTERM);
  ASSERT_EQ(Finish(sweep), 128 + SIGTERM);
  const nlohmann::json cut = nlohmann::json::parse(Read("cut.json"));
  struct Case {
    std::string What;
    nlohmann::json File;
    std::string Arguments, Says;
  };
  nlohmann::json rebuilt = cut;
  rebuilt["program"]["sha256"] = std::string(64, '0');
  nlohmann::json moved = cut;
  moved["machine"]["cores"] = 512;
  nlohmann::json done = cut;
  done["complete"] = true;
  const Case cases[] = {
      {"rebuilt", rebuilt, "", "is not the build the sweep began with"},
      {"moved", moved, "", "it was measured on another machine"},
      {"finished", done, "", "the sweep is complete; there is nothing to resume"},
      {"a limit beside it", cut, " --limits 1e3", "--limits excludes --resume"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.What);
    std::ofstream(folder_ + "/other.json") << test.File.dump(2);
    EXPECT_EQ(Sweep("--resume other.json" + test.Arguments), 2);
    EXPECT_NE(Read("err.txt").find(test.Says), std::string::npos) << Read("err.txt");
    EXPECT_EQ(Read("other.json"), test.File.dump(2));  // a refused resume writes nothing
  }
  EXPECT_EQ(Sweep("--resume missing.json"), 2);
  EXPECT_NE(Read("err.txt").find("cannot resume missing.json: cannot read it"), std::string::npos) << Read("err.txt");
}

TEST_F(StoppedSweep, AFailedCheckpointIsReportedAndTheSweepGoesOn) {
  fs::create_directories(folder_ + "/taken.json/inside");
  EXPECT_EQ(Sweep("--limits 100 --repeat 2 --warmup 0 --json taken.json --csv runs.csv"), 1);
  const std::string errors = Read("err.txt");
  EXPECT_NE(errors.find("cannot write taken.json: "), std::string::npos) << errors;
  EXPECT_NE(errors.find("(the previous file is kept)"), std::string::npos) << errors;
  EXPECT_TRUE(fs::is_directory(folder_ + "/taken.json/inside"));
  EXPECT_EQ(Lines("runs.csv"), 3);
}

// On a terminal the status line is redrawn in place, with the time left.
TEST_F(StoppedSweep, ProgressOnATerminalIsOneLineRedrawn) {
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  if (child == 0) {
    if (chdir(folder_.c_str()) != 0) {
      _exit(126);
    }
    execl(SIEVEBENCH_SWEEP_PROGRAM, "sievebench-sweep", "--limits", "100,1000", "--repeat", "2",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(child, 0);
  std::string screen;
  char chunk[4096];
  for (;;) {
    pollfd ready{master, POLLIN, 0};
    if (poll(&ready, 1, 30000) <= 0) {
      break;
    }
    const ssize_t got = read(master, chunk, sizeof chunk);
    if (got <= 0) {
      break;  // EIO once the program has gone
    }
    screen.append(chunk, static_cast<size_t>(got));
  }
  close(master);
  EXPECT_EQ(Finish(child), 0);
  EXPECT_NE(screen.find("\r\033[Krun 1 of 6: limit 100 (warm-up), 0s spent, estimating"), std::string::npos)
      << screen;
  EXPECT_NE(screen.find("\r\033[Krun 2 of 6: limit 1000 (warm-up), "), std::string::npos) << screen;  // warm-ups first
  EXPECT_NE(screen.find(" left"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("run 1 of 6: limit 100 (warm-up)\r\n"), std::string::npos) << screen;  // not a line of its own
}
