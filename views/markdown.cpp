// SPDX-License-Identifier: MIT
// Markdown tables have no width, but a page of hundreds of columns reads no
// better than a terminal's: a fleet gets the ranking here too.
#include "views/markdown.h"

#include "views/text_safe.h"
#include "views/cell_text.h"
#include "views/table.h"
#include "views/text.h"

namespace {

// The tool's own cell texts hold nothing of a file, but "~" and brackets
// would still be read as markup.
std::string OwnText(const std::string& text) {
  std::string escaped;
  for (const char byte : text) {
    if (byte == '~' || byte == '[' || byte == ']' || byte == '|' || byte == '*' || byte == '_') {
      escaped += '\\';
    }
    escaped += byte;
  }
  return escaped;
}

std::string Row(const std::vector<std::string>& cells) {
  std::string row = "|";
  for (const std::string& cell : cells) {
    row += " " + cell + " |";
  }
  return row + "\n";
}

std::string Rule(size_t columns, size_t rightAligned) {
  std::string rule = "|";
  for (size_t column = 0; column < columns; ++column) {
    rule += column < rightAligned ? "---:|" : "---|";
  }
  return rule + "\n";
}

std::string Name(const ComparedFile& file) {
  return MarkdownText(Truncated(file.Name, 80));
}

std::string SideBySideTable(const Comparison& comparison) {
  std::vector<std::string> heading = {"limit", "phase"};
  for (const ComparedFile& file : comparison.Files) {
    heading.push_back(Name(file));
  }
  std::string table = Row(heading) + Rule(heading.size(), 1);
  for (const TableRow& row : SideBySideRows(comparison)) {
    std::vector<std::string> cells = {row.Limit, row.Phase};
    for (const TableCell& cell : row.Cells) {
      std::string text = cell.Median;
      for (const std::string& part : {cell.Interval, cell.Change}) {
        text += part.empty() ? "" : " " + part;
      }
      cells.push_back(OwnText(text));
    }
    table += Row(cells);
  }
  return table;
}

std::string RankedTable(const Comparison& comparison) {
  std::string table = std::to_string(comparison.Files.size()) +
                      " machines, ranked by the geometric mean of their total time (fastest first):\n\n" +
                      Row({"rank", "machine", "total, geomean against the baseline", "cpu"}) + Rule(4, 1);
  for (const RankedRow& ranked : RankedRows(comparison)) {
    table += Row({std::to_string(ranked.Rank), Name(comparison.Files[ranked.File]), OwnText(ranked.Total),
                  MarkdownText(Truncated(comparison.Files[ranked.File].Result.Host.Cpu, 60))});
  }
  return table;
}

std::string MachinesTable(const Comparison& comparison, bool sideBySide) {
  const std::vector<std::string> labels = MachineFieldLabels();
  const std::vector<std::string> baseline = MachineFieldValues(comparison.Files[0].Result);
  if (!sideBySide) {
    std::string list;
    const std::vector<ValueCounts> counts = MachineFieldCounts(comparison.Files);
    for (size_t field = 0; field < labels.size(); ++field) {
      std::string line = "- " + labels[field] + ":";
      size_t shown = 0;
      for (const auto& [value, machines] : counts[field]) {
        line += shown++ < 4 ? " " + MarkdownText(Truncated(value, 40)) + " \\(" + std::to_string(machines) + "\\)" : "";
      }
      list += line + (counts[field].size() > 4 ? ", and " + std::to_string(counts[field].size() - 4) + " other values" : "") +
              "\n";
    }
    return list;
  }
  std::vector<std::string> heading = {"machine"};
  for (const ComparedFile& file : comparison.Files) {
    heading.push_back(Name(file));
  }
  std::string table = Row(heading) + Rule(heading.size(), 0);
  std::vector<std::vector<std::string>> values;
  for (const ComparedFile& file : comparison.Files) {
    values.push_back(MachineFieldValues(file.Result));
  }
  for (size_t field = 0; field < labels.size(); ++field) {
    std::vector<std::string> cells = {labels[field]};
    for (const auto& own : values) {
      const std::string value = MarkdownText(Truncated(own[field], 60));
      cells.push_back(own[field] != baseline[field] ? "**" + value + "**" : value);
    }
    table += Row(cells);
  }
  return table + "\nValues in bold differ from the baseline's.\n";
}

std::string List(const std::string& heading, const std::vector<std::string>& items) {
  if (items.empty()) {
    return "";
  }
  std::string list = "\n## " + heading + "\n\n";
  for (const std::string& item : items) {
    list += "- " + MarkdownText(item) + "\n";
  }
  return list;
}

}  // namespace

std::string ComparisonMarkdown(const Comparison& comparison) {
  const bool sideBySide = SideBySide(comparison);
  std::string markdown = "# sievebench comparison\n\nBaseline: " + Name(comparison.Files[0]) + " \\(" +
                         MarkdownText(comparison.Files[0].Path) + "\\)\n\n";
  markdown += sideBySide ? SideBySideTable(comparison) : RankedTable(comparison);
  markdown += "\n" + OwnText(LegendParagraph(comparison)) + "\n\n## Machines and conditions\n\n" + MachinesTable(comparison, sideBySide);
  markdown += List("Warnings", comparison.Warnings);
  markdown += List("Invalid runs", comparison.InvalidRuns);
  return markdown;
}
