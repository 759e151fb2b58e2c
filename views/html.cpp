// SPDX-License-Identifier: MIT
// The page is meant to be mailed and attached, so it carries everything: its
// styles and charts are inline, and its own policy forbids every load and
// every script. Text from result files goes through HtmlText and nowhere
// else; the tool's own texts are escaped the same way, so no path skips it.
#include "views/html.h"

#include "views/text_safe.h"
#include "views/cell_text.h"

const char PagePolicy[] = "default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'";

std::string HtmlText(const std::string& text) {
  std::string escaped;
  for (const char byte : TerminalSafe(text)) {
    switch (byte) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped += byte;
    }
  }
  return escaped;
}

// Numbers stand right in tabular figures, wide tables scroll inside their
// box instead of widening the page, and print drops the colours' backgrounds
// for borders.
const char PageStyle[] = R"(
body { font: 15px/1.45 system-ui, sans-serif; color: #1a1a1a; margin: 1.5em auto; padding: 0 1em; max-width: 1400px; }
h1 { font-size: 1.5em; margin-bottom: 0.2em; }
h2 { font-size: 1.2em; margin-top: 1.8em; border-bottom: 1px solid #ccc; }
p.made { color: #555; margin-top: 0; }
.scroll { overflow-x: auto; max-width: 100%; }
table { border-collapse: collapse; margin: 0.6em 0; }
th, td { border: 1px solid #d0d0d0; padding: 0.2em 0.5em; vertical-align: top; }
thead th { background: #f0f0f0; position: sticky; top: 0; }
th[scope=row] { text-align: left; font-weight: 600; background: #fafafa; }
td.number { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
td.differs { font-weight: 600; background: #fff3c4; }
td.slower { color: #a8251b; }
td.faster { color: #1e6e41; }
td.same, td.short { color: #666; }
td.baseline { color: #666; font-style: italic; }
figure { margin: 1em 0; }
figure svg { max-width: 100%; height: auto; }
.note { background: #f6f6f6; border-left: 4px solid #999; padding: 0.5em 0.8em; }
@media print {
  body { max-width: none; margin: 0; font-size: 10pt; }
  .scroll { overflow: visible; }
  thead th { position: static; }
  td.differs { background: none; border: 2px solid #333; }
  h2, figure, table { break-inside: avoid; }
}
)";

std::string PageStart(const std::string& title) {
  return std::string("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                     "<meta http-equiv=\"Content-Security-Policy\" content=\"") +
         PagePolicy + "\">\n<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
         HtmlText(title) + "</title>\n<style>" + PageStyle + "</style>\n</head>\n<body>\n";
}

namespace {

std::string Element(const std::string& tag, const std::string& content, const std::string& cssClass = "") {
  return "<" + tag + (cssClass.empty() ? "" : " class=\"" + cssClass + "\"") + ">" + content + "</" + tag + ">";
}

std::string RowHeading(const std::string& text) {
  return "<th scope=\"row\">" + HtmlText(text) + "</th>";
}

// How a change reads at a glance, as a class of its cell.
std::string ChangeClass(const Cell& cell, bool baseline) {
  if (baseline) {
    return "number baseline";
  }
  if (cell.TooShort) {
    return "number short";
  }
  if (!cell.Significant.value_or(false) || !cell.ChangePercent) {
    return "number same";
  }
  return *cell.ChangePercent > 0 ? "number slower" : "number faster";
}

std::string GeomeanClass(const GeomeanCell& cell, bool baseline) {
  if (baseline) {
    return "number baseline";
  }
  if (!cell.Significant || !cell.ChangePercent) {
    return "number same";
  }
  return *cell.ChangePercent > 0 ? "number slower" : "number faster";
}

std::string Heading(const Comparison& comparison, const std::string& date, const std::string& version) {
  const ComparedFile& baseline = comparison.Files[0];
  return "<h1>sievebench comparison against " + HtmlText(baseline.Name) + "</h1>\n" +
         Element("p",
                 "Baseline: <strong>" + HtmlText(baseline.Name) + "</strong> (" + HtmlText(baseline.Path) + "). " +
                     std::to_string(comparison.Files.size()) + " machine" + (comparison.Files.size() == 1 ? "" : "s") +
                     "; made " + HtmlText(date) + " by sievebench-compare " + HtmlText(version) +
                     "; alpha " + HtmlText(PlainNumber(comparison.Alpha)) + ".",
                 "made") +
         "\n";
}

std::string MachineHeadings(const Comparison& comparison, const std::string& first) {
  std::string row = "<tr><th scope=\"col\">" + HtmlText(first) + "</th>";
  for (const ComparedFile& file : comparison.Files) {
    row += "<th scope=\"col\">" + HtmlText(file.Name) + "</th>";
  }
  return row + "</tr>";
}

std::string MachinesSection(const Comparison& comparison) {
  std::vector<std::string> labels = MachineFieldLabels();
  labels.insert(labels.begin(), {"label", "sweep date", "file"});
  std::vector<std::vector<std::string>> values;
  for (const ComparedFile& file : comparison.Files) {
    std::vector<std::string> own = MachineFieldValues(file.Result);
    own.insert(own.begin(), {file.Result.Label, file.Result.Date, file.Path});
    values.push_back(std::move(own));
  }
  std::string rows;
  for (size_t field = 0; field < labels.size(); ++field) {
    // The label, date and file name every machine apart: only what it is and
    // how it ran is marked.
    const bool marks = field >= 3;
    rows += "<tr>" + RowHeading(labels[field]);
    for (const auto& own : values) {
      rows += Element("td", HtmlText(own[field]), marks && own[field] != values[0][field] ? "differs" : "");
    }
    rows += "</tr>\n";
  }
  return "<h2 id=\"machines\">Machines and conditions</h2>\n"
         "<p>Marked cells differ from the baseline's.</p>\n<div class=\"scroll\"><table id=\"machines-table\">\n<thead>" +
         MachineHeadings(comparison, "machine") + "</thead>\n<tbody>\n" + rows + "</tbody></table></div>\n";
}

std::string ComparisonSection(const Comparison& comparison) {
  std::string names = "<tr><th scope=\"col\" rowspan=\"2\">limit</th><th scope=\"col\" rowspan=\"2\">phase</th>";
  std::string parts = "<tr>";
  for (const ComparedFile& file : comparison.Files) {
    names += "<th scope=\"colgroup\" colspan=\"3\">" + HtmlText(file.Name) + "</th>";
    parts += "<th scope=\"col\">median</th><th scope=\"col\">95% interval</th><th scope=\"col\">change</th>";
  }
  std::string rows;
  for (const ComparisonRow& row : comparison.Rows) {
    rows += "<tr>" + RowHeading(std::to_string(row.Limit)) + RowHeading(PhaseName(row.Phase));
    for (size_t file = 0; file < row.Cells.size(); ++file) {
      const Cell& cell = row.Cells[file];
      rows += Element("td", HtmlText(MedianText(cell)), "number") + Element("td", HtmlText(IntervalText(cell)), "number") +
              Element("td", HtmlText(ChangeText(cell, file == 0)), ChangeClass(cell, file == 0));
    }
    rows += "</tr>\n";
  }
  return "<h2 id=\"comparison\">Per limit and phase</h2>\n<div class=\"scroll\"><table id=\"comparison-table\">\n<thead>" +
         names + "</tr>" + parts + "</tr></thead>\n<tbody>\n" + rows + "</tbody></table></div>\n";
}

std::string Figure(const std::string& svg, const std::string& caption) {
  return "<figure>" + svg + Element("figcaption", HtmlText(caption)) + "</figure>\n";
}

std::string GeomeanSection(const Comparison& comparison, const PageCharts& charts) {
  std::string rows;
  for (const GeomeanRow& row : comparison.Geomeans) {
    rows += "<tr>" + RowHeading(PhaseName(row.Phase));
    for (size_t file = 0; file < row.Cells.size(); ++file) {
      rows += Element("td", HtmlText(GeomeanText(row.Cells[file], file == 0)), GeomeanClass(row.Cells[file], file == 0));
    }
    rows += "</tr>\n";
  }
  std::string section = "<h2 id=\"geomean\">Geometric mean over the limits</h2>\n<div class=\"scroll\"><table id=\"geomean-table\">\n<thead>" +
                        MachineHeadings(comparison, "phase") + "</thead>\n<tbody>\n" + rows + "</tbody></table></div>\n";
  if (!charts.Geomean.empty()) {
    section += Figure(charts.Geomean, "Each machine's total against the baseline, fastest first; grey bars are not "
                                      "significant.");
  }
  return section;
}

std::string ChartsSection(const PageCharts& charts) {
  std::string section = "<h2 id=\"charts\">Time against N</h2>\n";
  if (!charts.Missing.empty()) {
    return section + Element("p", "The charts need gnuplot, which was not found when this page was made (" +
                                      HtmlText(charts.Missing) + "). The tables hold every figure.",
                             "note") +
           "\n";
  }
  if (!charts.Problem.empty()) {
    section += Element("p", "A chart could not be drawn: " + HtmlText(charts.Problem), "note") + "\n";
  }
  if (charts.Phases.empty() && charts.Problem.empty()) {
    section += Element("p", "Every time was 0 ms: a log axis has nothing to show.", "note") + "\n";
  }
  for (const auto& [phase, svg] : charts.Phases) {
    section += Figure(svg, std::string(PhaseName(phase)) + ": median time against N, log-log, each point with the "
                                                           "range from the fastest to the slowest run.");
  }
  return section;
}

std::string ListSection(const std::string& id, const std::string& heading, const std::vector<std::string>& items) {
  if (items.empty()) {
    return "";
  }
  std::string list = "<h2 id=\"" + id + "\">" + HtmlText(heading) + "</h2>\n<ul>\n";
  for (const std::string& item : items) {
    list += Element("li", HtmlText(item)) + "\n";
  }
  return list + "</ul>\n";
}

std::string ReadingNote(const Comparison& comparison) {
  return "<h2 id=\"reading\">How to read this</h2>\n<ul>\n"
         "<li>Each run times three phases in milliseconds: <em>init</em> fills the array, <em>sieve</em> strikes "
         "out the composites, <em>count</em> counts the primes while writing each odd prime to primes.txt; "
         "<em>total</em> is their sum.</li>\n"
         "<li>Lower is better. A change is the machine's median against the baseline's: +10% is 10% slower.</li>\n"
         "<li>~ marks a change that is not significant: the runs cannot tell it from noise.</li>\n"
         "<li><em>too short</em>: a median under " + FewestTicksText() + " ticks of its timer is not compared, since one tick is 10% "
         "or more.</li>\n" +
         Element("li", HtmlText(LegendParagraph(comparison))) + "\n</ul>\n";
}

}  // namespace

// What changes the reading comes first (the warnings, the summary), the
// detail after it.
std::string ComparisonHtml(const Comparison& comparison, const PageCharts& charts, const std::string& date,
                           const std::string& version) {
  return PageStart("sievebench comparison against " + comparison.Files[0].Name) + Heading(comparison, date, version) +
         ListSection("warnings", "Warnings", comparison.Warnings) + GeomeanSection(comparison, charts) +
         ComparisonSection(comparison) + MachinesSection(comparison) + ChartsSection(charts) +
         ListSection("invalid", "Invalid runs", comparison.InvalidRuns) + ReadingNote(comparison) + "</body>\n</html>\n";
}
