// SPDX-License-Identifier: MIT
// The durable replacement a checkpoint relies on: a new file is whole, and a
// failed one keeps what was there.
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
#include <vector>

#include "results/result_file.h"
#include "host/system.h"
#include "sweep/capacity.h"
#include "sweep/options.h"
#include "sweep/plan.h"
#include "sweep/progress.h"
#include "tests/support/child_process.h"

namespace fs = std::filesystem;

class Checkpoint : public testing::Test {
 protected:
  void SetUp() override { folder_ = MakeTempDir(); }
  void TearDown() override { RemoveTree(folder_); }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string folder_;
};

TEST_F(Checkpoint, AReplacementIsWholeAndAFailedOneKeepsWhatWasThere) {
  const std::string file = folder_ + "/runs.json";
  ASSERT_EQ(ReplaceFileDurably(file, "first"), "");
  ASSERT_EQ(ReplaceFileDurably(file, "second, longer"), "");
  EXPECT_EQ(ReadWholeFile(file), "second, longer");
  // A folder in the file's place: the new text is written, the rename fails.
  fs::create_directories(folder_ + "/taken.json");
  std::ofstream(folder_ + "/taken.json/kept") << "kept";
  const std::string problem = ReplaceFileDurably(folder_ + "/taken.json", "new");
  EXPECT_NE(problem.find("cannot write " + folder_ + "/taken.json: "), std::string::npos) << problem;
  EXPECT_EQ(ReadWholeFile(folder_ + "/taken.json/kept"), "kept");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"runs.json", "taken.json"}));  // no temporary file left
  EXPECT_NE(ReplaceFileDurably(folder_ + "/missing/runs.json", "x"), "");
  EXPECT_EQ(ReadWholeFile(file), "second, longer");
}
