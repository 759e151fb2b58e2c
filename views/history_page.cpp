// SPDX-License-Identifier: MIT
// The history as one page to share, built as the comparison's is: inline
// styles and SVG, the same policy, every file's text through HtmlText. The
// charts' scripts carry no text of a file: machines are numbered there and
// named in the page's own key, and only dates that read as dates enter them.
#include <algorithm>
#include <sstream>

#include "views/cell_text.h"
#include "views/chart.h"
#include "views/gnuplot.h"
#include "views/history.h"
#include "views/html.h"

namespace {

// The phase the charts draw: the total where the history has it.
TimedPhase ChartPhase(const History& history) {
  for (const HistorySeries& series : history.Series) {
    if (series.Input.Phase == TimedPhase::Total) {
      return TimedPhase::Total;
    }
  }
  return history.Series.empty() ? TimedPhase::Total : history.Series.front().Input.Phase;
}

// A chart of more lines than this has no key of its own: a fleet's would
// cover the chart, and the page's key names every machine anyway.
constexpr std::ptrdiff_t MostKeyedLines = 10;

bool Charted(const HistorySeries& series, TimedPhase phase, uint32_t limit) {
  return series.Input.Phase == phase && series.Input.Limit == limit;
}

}  // namespace

std::vector<uint32_t> ChartedLimits(const History& history) {
  std::vector<uint32_t> limits;
  const TimedPhase phase = ChartPhase(history);
  for (const HistorySeries& series : history.Series) {
    if (series.Input.Phase == phase && std::find(limits.begin(), limits.end(), series.Input.Limit) == limits.end()) {
      limits.push_back(series.Input.Limit);
    }
  }
  std::sort(limits.begin(), limits.end());
  return limits;
}

std::string HistoryChartScript(const std::string& path, const History& history, uint32_t limit) {
  const TimedPhase phase = ChartPhase(history);
  std::ostringstream script;
  script << "set terminal svg size 900,420 dynamic\nset output '" << GnuplotText(path) << "'\n"
         << "set title 'N = " << limit << ", " << PhaseName(phase) << "' noenhanced\n"
         << "set xdata time\nset timefmt '%Y-%m-%dT%H:%M:%SZ'\nset format x '%Y-%m-%d'\nset xtics rotate by -30\n"
         << "set ylabel 'ms'\nset key outside right\nset grid\n";
  const auto lines = std::count_if(history.Series.begin(), history.Series.end(),
                                   [&](const HistorySeries& series) { return Charted(series, phase, limit); });
  if (lines > MostKeyedLines) {
    script << "set key off\n";  // the page's own key names the machines
  }
  std::string clauses;
  for (const HistorySeries& series : history.Series) {
    if (!Charted(series, phase, limit)) {
      continue;
    }
    const std::vector<ArchivedSweep>& sweeps = history.Sweeps[series.Input.Machine];
    const std::string block = "$m" + std::to_string(series.Input.Machine);
    script << block << " << EOD\n";
    for (size_t index = 0; index < series.Input.Points.size(); ++index) {
      const std::string& date = sweeps[series.Input.Sweeps[index]].Date;
      const SeriesPoint& point = series.Input.Points[index];
      if (UtcSeconds(date)) {
        const Interval interval = point.MedianIntervalMs.value_or(Interval{point.MedianMs, point.MedianMs});
        script << date << ' ' << point.MedianMs << ' ' << interval.Low << ' ' << interval.High << '\n';
      }
    }
    script << "EOD\n";
    for (const HistoryChange& change : series.Changes) {
      if (UtcSeconds(change.Date)) {
        script << "set arrow from '" << change.Date << "', graph 0 to '" << change.Date
               << "', graph 1 nohead dashtype 2 linecolor rgb '" << (change.Fleet ? "#555555" : "#a8251b") << "'\n";
      }
    }
    clauses += std::string(clauses.empty() ? "" : ", ") + block + " using 1:2:3:4 with yerrorlines title 'm" +
               std::to_string(series.Input.Machine + 1) + "'";
  }
  return WithPlot(script.str(), clauses);
}

namespace {

std::string Cell(const std::string& content, const std::string& cssClass = "") {
  return "<td" + (cssClass.empty() ? std::string() : " class=\"" + cssClass + "\"") + ">" + content + "</td>";
}

std::string FleetSection(const History& history) {
  if (history.Fleet.empty()) {
    return "";
  }
  std::string html = "<h2 id=\"fleet\">Steps of the fleet</h2>\n<p>Most machines stepped within a day of each other: "
                     "told once here, not under each machine.</p>\n<table><thead><tr><th>date</th><th>change</th>"
                     "<th>machines</th></tr></thead><tbody>\n";
  for (const FleetChange& fleet : history.Fleet) {
    std::string names;
    for (const size_t machine : fleet.Machines) {
      names += (names.empty() ? "" : ", ") + HtmlText(history.Machines[machine].Label);
    }
    html += "<tr>" + Cell(HtmlText(fleet.Date.substr(0, 10))) +
            Cell(HtmlText(PercentText(fleet.ChangePercent)), std::string("number ") + (fleet.ChangePercent > 0 ? "slower" : "faster")) +
            Cell(names) + "</tr>\n";
  }
  return html + "</tbody></table>\n";
}

std::string StepsTable(const History& history) {
  std::string rows;
  for (const HistorySeries& series : history.Series) {
    for (const HistoryChange* change : OwnChanges(series)) {
      std::string facts;
      for (const std::string& fact : change->ConditionsChanged) {
        facts += (facts.empty() ? "" : "<br>") + HtmlText(fact);
      }
      rows += "<tr><th scope=\"row\">" + HtmlText(history.Machines[series.Input.Machine].Label) + "</th>" +
              Cell(std::to_string(series.Input.Limit), "number") + Cell(PhaseName(series.Input.Phase)) +
              Cell(HtmlText(change->Date.substr(0, 10))) +
              Cell(HtmlText(StepText(change->Found)), std::string("number ") + (change->Found.ChangePercent > 0 ? "slower" : "faster")) +
              Cell(HtmlText(Milliseconds(change->Found.BeforeMs) + " \u2192 " + Milliseconds(change->Found.AfterMs) + " ms"), "number") +
              Cell(facts) + "</tr>\n";
    }
  }
  if (rows.empty()) {
    return "<h2 id=\"steps\">Steps of single machines</h2>\n<p>None.</p>\n";
  }
  return "<h2 id=\"steps\">Steps of single machines</h2>\n<div class=\"scroll\"><table><thead><tr><th>machine</th>"
         "<th>limit</th><th>phase</th><th>date</th><th>change [95% interval] (p)</th><th>level</th>"
         "<th>what changed</th></tr></thead><tbody>\n" + rows + "</tbody></table></div>\n";
}

std::string ChartsSection(const History& history, const std::vector<std::pair<uint32_t, std::string>>& charts,
                          const std::string& missing) {
  std::string html = "<h2 id=\"charts\">Over time</h2>\n";
  if (!missing.empty()) {
    return html + "<p class=\"note\">" + HtmlText(missing) + "</p>\n";
  }
  std::string key;
  for (size_t machine = 0; machine < history.Machines.size(); ++machine) {
    key += "<li>m" + std::to_string(machine + 1) + ": " + HtmlText(MachineTitle(history.Machines[machine])) + "</li>";
  }
  html += "<p>Each line is a machine's median per sweep, its bars the median's 95% interval; a dashed line marks a "
          "step (grey: the fleet's).</p>\n<ul>" + key + "</ul>\n";
  for (const auto& [limit, svg] : charts) {
    if (!svg.empty()) {
      html += "<figure>" + svg + "<figcaption>N = " + std::to_string(limit) + "</figcaption></figure>\n";
    }
  }
  return html;
}

std::string MachinesSection(const History& history) {
  std::string rows;
  for (size_t machine = 0; machine < history.Machines.size(); ++machine) {
    const std::vector<ArchivedSweep>& sweeps = history.Sweeps[machine];
    rows += "<tr><th scope=\"row\">m" + std::to_string(machine + 1) + "</th>" + Cell(HtmlText(history.Machines[machine].Label)) +
            Cell(HtmlText(history.Machines[machine].Cpu)) + Cell(std::to_string(history.Machines[machine].Cores), "number") +
            Cell(HtmlText(history.Machines[machine].Arch)) + Cell(std::to_string(sweeps.size()), "number") +
            Cell(sweeps.empty() ? "" : HtmlText(sweeps.front().Date.substr(0, 10))) +
            Cell(sweeps.empty() ? "" : HtmlText(sweeps.back().Date.substr(0, 10))) + "</tr>\n";
  }
  return "<h2 id=\"machines\">Machines</h2>\n<div class=\"scroll\"><table><thead><tr><th></th><th>label</th><th>cpu</th>"
         "<th>cores</th><th>arch</th><th>sweeps</th><th>first</th><th>last</th></tr></thead><tbody>\n" + rows +
         "</tbody></table></div>\n";
}

}  // namespace

std::string HistoryHtml(const History& history, const std::vector<std::pair<uint32_t, std::string>>& charts,
                        const std::string& chartsMissing, const std::string& date, const std::string& version) {
  return PageStart("sievebench history") + "<h1>sievebench history</h1>\n<p class=\"made\">" +
         HtmlText("Made " + date + " by sievebench-archive " + version + "; steps called where p < " +
                  PlainNumber(history.Alpha) + ", at least " + std::to_string(LeastSegment) + " sweeps on each side.") +
         "</p>\n" + FleetSection(history) + StepsTable(history) + ChartsSection(history, charts, chartsMissing) +
         MachinesSection(history) + "</body>\n</html>\n";
}
