// SPDX-License-Identifier: MIT
// Tallies comparisons for the noise check: for each sievebench-compare
// JSON file, how many cells were compared and how many of them were called
// significant, and whether every cell named by --find (phase:limit) was
// called significantly slower. One line per file: "SIGNIFICANT COMPARED
// FOUND", FOUND being 1, 0, or - without --find.
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

using json = nlohmann::json;

namespace {

// "count:1000000" as a phase and a limit.
bool ParseCell(const std::string& text, std::pair<std::string, uint64_t>& cell) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon + 1 == text.size()) {
    return false;
  }
  cell = {text.substr(0, colon), std::stoull(text.substr(colon + 1))};
  return true;
}

int Tally(const std::string& path, const std::vector<std::pair<std::string, uint64_t>>& find) {
  std::ifstream stream(path);
  const json document = json::parse(stream, nullptr, false);
  if (document.is_discarded() || !document.contains("rows")) {
    std::fprintf(stderr, "aa_tally: %s is not a comparison\n", path.c_str());
    return 1;
  }
  size_t significant = 0;
  size_t compared = 0;
  size_t found = 0;
  for (const json& row : document["rows"]) {
    if (!row["significant"].is_boolean()) {
      continue;
    }
    ++compared;
    const bool called = row["significant"].get<bool>();
    significant += called ? 1 : 0;
    for (const auto& [phase, limit] : find) {
      found += called && row["phase"] == phase && row["limit"] == limit && row["change_percent"].get<double>() > 0;
    }
  }
  std::printf("%zu %zu %s\n", significant, compared,
              find.empty() ? "-" : (found == find.size() ? "1" : "0"));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::pair<std::string, uint64_t>> find;
  int first = 1;
  for (; first + 1 < argc && std::string(argv[first]) == "--find"; first += 2) {
    std::pair<std::string, uint64_t> cell;
    if (!ParseCell(argv[first + 1], cell)) {
      std::fprintf(stderr, "aa_tally: --find takes PHASE:LIMIT, not '%s'\n", argv[first + 1]);
      return 2;
    }
    find.push_back(cell);
  }
  int status = 0;
  for (int index = first; index < argc; ++index) {
    status |= Tally(argv[index], find);
  }
  return status;
}
