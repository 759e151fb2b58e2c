// SPDX-License-Identifier: MIT
// Widths count terminal columns, not bytes: "±", "–" and "…" are one
// column each in UTF-8's two or three bytes.
#include "views/columns.h"

#include <algorithm>
#include <sstream>

#include "views/text_safe.h"

std::string AlignColumns(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& right) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (size_t column = 0; column < row.size(); ++column) {
      widths[column] = std::max(widths[column], TerminalColumns(row[column]));
    }
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (size_t column = 0; column < row.size(); ++column) {
      const std::string padding(widths[column] - TerminalColumns(row[column]), ' ');
      const bool rightAligned = column < right.size() && right[column];
      line += (column == 0 ? "" : "  ") + (rightAligned ? padding + row[column] : row[column] + padding);
    }
    line.erase(line.find_last_not_of(' ') + 1);
    text += line + "\n";
  }
  return text;
}

size_t WidestLine(const std::string& text) {
  size_t widest = 0;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    widest = std::max(widest, TerminalColumns(line));
  }
  return widest;
}

std::string Wrapped(const std::string& text, size_t width, size_t indent) {
  std::vector<std::string> lines;
  std::string line;
  auto room = [&] { return lines.empty() ? width : width - indent; };
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    if (!line.empty() && TerminalColumns(line) + 1 + TerminalColumns(word) > room()) {
      lines.push_back(line);
      line.clear();
    }
    while (line.empty() && TerminalColumns(word) > room()) {
      const std::string piece = LeadingColumns(word, room());
      lines.push_back(piece);
      word.erase(0, piece.size());
    }
    line += (line.empty() ? "" : " ") + word;
  }
  if (!line.empty() || lines.empty()) {
    lines.push_back(line);
  }
  std::string wrapped;
  for (size_t index = 0; index < lines.size(); ++index) {
    wrapped += (index == 0 ? "" : std::string(indent, ' ')) + lines[index] + "\n";
  }
  return wrapped;
}
