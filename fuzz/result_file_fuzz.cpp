// SPDX-License-Identifier: MIT
// Any bytes as a result file: the reader either takes the file or says what
// is wrong with it; it never crashes, throws or reads out of bounds. What it
// takes, written again and read back, is the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "results/result_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  SweepResult result;
  const std::string problem = ReadResultText(text, result);
  if (!problem.empty()) {
    return 0;
  }
  SweepResult again;
  if (!ReadResultText(ResultFileText(result), again).empty() || !(again == result)) {
    std::abort();
  }
  return 0;
}
