// SPDX-License-Identifier: MIT
// Reading the one input line from a pipe: where the line ends, how it is
// delivered, and that nothing past it is taken from the input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "text/text.h"

struct LineCase {
  std::vector<std::string> Pieces;  // arrive one by one through the pipe
  std::string Delivered;            // the bytes ReadInput hands over
  std::string Left;                 // what the next reader of the input gets
};

// Feeds the pieces to standard input through a pipe and reads one line of at
// most 128 bytes, as the run does.
static void CheckLine(const LineCase& test) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const int savedInput = dup(STDIN_FILENO);
  dup2(pipeEnds[0], STDIN_FILENO);
  close(pipeEnds[0]);
  std::thread writer([&] {
    for (const std::string& piece : test.Pieces) {
      EXPECT_EQ(write(pipeEnds[1], piece.data(), piece.size()), static_cast<ssize_t>(piece.size()));
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    close(pipeEnds[1]);
  });
  char buffer[130] = {};
  const uint32_t count = ReadInput(buffer, 128);
  writer.join();
  std::string left;
  char chunk[512];
  ssize_t got = 0;
  while ((got = read(STDIN_FILENO, chunk, sizeof chunk)) > 0) {
    left.append(chunk, static_cast<size_t>(got));
  }
  dup2(savedInput, STDIN_FILENO);
  close(savedInput);
  EXPECT_EQ(std::string(buffer, count), test.Delivered);
  EXPECT_EQ(buffer[128], 0);
  EXPECT_EQ(buffer[129], 0);
  EXPECT_EQ(left, test.Left);
}

TEST(ReadInput, DeliversOneLineAsAConsoleDoes) {
  const std::string long128(128, '7');
  const std::string long127(127, '8');
  const LineCase cases[] = {
      {{"100\n"}, "100\r\n", ""},
      {{"100\r\n"}, "100\r\n", ""},
      {{"1", "0", "0", "\n"}, "100\r\n", ""},      // a line in pieces
      {{"12\nnext line\n"}, "12\r\n", "next line\n"},  // nothing past the line feed
      {{"\n"}, "\r\n", ""},
      {{}, "", ""},                                // end of input at once
      {{"42"}, "42", ""},                          // a last line with no end
      {{long128 + "tail of the line\nnext\n"}, long128, "next\n"},  // the rest of the line is dropped
      {{long128 + "\n"}, long128, ""},
      {{long127 + "\n"}, long127 + "\r", ""},      // CR LF would not fit: the return still ends it
      {{std::string(300, '9')}, std::string(128, '9'), ""},
  };
  for (const LineCase& test : cases) {
    SCOPED_TRACE(testing::PrintToString(test.Pieces));
    CheckLine(test);
  }
}
