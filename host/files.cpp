// SPDX-License-Identifier: MIT
// Standard streams serve every system here; only the path needs care, as
// Windows takes a narrow path in its own code page unless told it is UTF-8.
#include "host/files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/system.h"
#include "results/conditions.h"
#include "results/result_file.h"

std::string ReadWholeFile(const std::string& path, std::string& text) {
  std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
  if (!file) {
    return std::string("cannot read it: ") + std::strerror(errno);
  }
  std::ostringstream bytes;
  bytes << file.rdbuf();
  if (file.bad()) {
    return std::string("cannot read it: ") + std::strerror(errno);
  }
  text = bytes.str();
  return "";
}

std::optional<std::string> ProgramPagePolicy(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes).empty()) {
    return std::nullopt;
  }
  return PagePolicyOf(bytes, PageBytes());
}

std::string ReadResultFile(const std::string& path, SweepResult& result) {
  std::string text;
  std::string unreadable = ReadWholeFile(path, text);
  if (!unreadable.empty()) {
    return unreadable;
  }
  const std::string problem = ReadResultText(text, result);
  return problem.empty() ? "" : "malformed: " + problem;
}
