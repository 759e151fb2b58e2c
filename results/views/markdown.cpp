// SPDX-License-Identifier: MIT
// Markdown tables have no width, but a page of hundreds of columns reads no
// better than a terminal's: a fleet gets the ranking here too.
#include "results/views/markdown.h"

#include "results/text_safe.h"
#include "results/views/cell_text.h"
#include "results/views/text.h"

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
  for (const ComparisonRow& row : comparison.Rows) {
    std::vector<std::string> cells = {std::to_string(row.Limit), PhaseName(row.Phase)};
    for (size_t file = 0; file < row.Cells.size(); ++file) {
      const Cell& cell = row.Cells[file];
      std::string text = MedianText(cell);
      for (const std::string& part : {IntervalText(cell), ChangeText(cell, file == 0)}) {
        text += part.empty() ? "" : " " + part;
      }
      cells.push_back(OwnText(text));
    }
    table += Row(cells);
  }
  for (const GeomeanRow& row : comparison.Geomeans) {
    std::vector<std::string> cells = {"geomean", PhaseName(row.Phase)};
    for (size_t file = 0; file < row.Cells.size(); ++file) {
      cells.push_back(OwnText(GeomeanText(row.Cells[file], file == 0)));
    }
    table += Row(cells);
  }
  return table;
}

std::string RankedTable(const Comparison& comparison) {
  std::string table = std::to_string(comparison.Files.size()) +
                      " machines, ranked by the geometric mean of their total time (fastest first):\n\n" +
                      Row({"rank", "machine", "total, geomean against the baseline", "cpu"}) + Rule(4, 1);
  size_t rank = 0;
  for (const size_t file : RankedByTotal(comparison)) {
    table += Row({std::to_string(++rank), Name(comparison.Files[file]),
                  OwnText(GeomeanText(*TotalGeomean(comparison, file), file == 0)),
                  MarkdownText(Truncated(comparison.Files[file].Result.Host.Cpu, 60))});
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
