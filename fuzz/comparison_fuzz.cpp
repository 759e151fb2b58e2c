// SPDX-License-Identifier: MIT
// Any two result files, as bytes split at the first NUL: whatever the reader
// takes, the comparison of the two and every view of it are made without a
// crash, no control byte of the files reaches the terminal text, the
// Markdown or the page, no markup of theirs becomes a tag of the page, and no
// terminal line passes 160 columns.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "results/comparison.h"
#include "results/result_file.h"
#include "views/columns.h"
#include "views/html.h"
#include "views/json.h"
#include "views/markdown.h"
#include "views/text.h"

static bool HasControlBytes(const std::string& text) {
  for (const char byte : text) {
    const auto value = static_cast<unsigned char>(byte);
    if ((value < 0x20 && byte != '\n') || value == 0x7F) {
      return true;
    }
  }
  return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const size_t split = bytes.find('\0');
  if (split == std::string::npos) {
    return 0;
  }
  std::vector<ComparedFile> files(2);
  files[0].Path = "a.json";
  files[1].Path = "b.json";
  if (!ReadResultText(bytes.substr(0, split), files[0].Result).empty() ||
      !ReadResultText(bytes.substr(split + 1), files[1].Result).empty()) {
    return 0;
  }
  NameFiles(files);
  const Comparison comparison = CompareFiles(files, 0.05);
  const std::string text = ComparisonText(comparison);
  const std::string markdown = ComparisonMarkdown(comparison);
  if (HasControlBytes(text) || HasControlBytes(markdown) || WidestLine(text) > TerminalWidth) {
    std::abort();
  }
  const std::string page = ComparisonHtml(comparison, PageCharts{"no charts", "", "", {}}, "2026-12-09T10:00:00Z", "0");
  for (const char* tag : {"<script", "<img", "<a ", "<iframe", "<svg", "<object", "<link"}) {
    if (page.find(tag) != std::string::npos) {
      std::abort();
    }
  }
  if (HasControlBytes(page)) {
    std::abort();
  }
  (void)ComparisonJson(comparison, "0");  // only that it is made
  return 0;
}
