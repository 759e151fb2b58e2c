// SPDX-License-Identifier: MIT
// The comparison's page: escaping (text and attribute values), a scan of
// every tag and attribute the page holds so nothing from a file becomes
// markup, the same decisions as the text table, a page without gnuplot, one
// machine alone, and gnuplot's charts inline with ids of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "cli/charts.h"
#include "views/html.h"
#include "views/text.h"
#include "tests/support/made_up_sweeps.h"

namespace {

struct Markup {
  std::set<std::string> Tags;
  std::set<std::string> Attributes;
  std::vector<std::string> Ids;
};

// Every tag name and attribute name of `page`, and every id, read as a
// browser's tokenizer would; text between tags is skipped. <style> holds CSS.
Markup ScanMarkup(const std::string& page) {
  Markup markup;
  for (size_t at = page.find('<'); at != std::string::npos; at = page.find('<', at + 1)) {
    size_t end = at + 1;
    if (page.compare(end, 1, "/") == 0 || page.compare(end, 1, "!") == 0) {
      ++end;
    }
    size_t name = end;
    while (name < page.size() && (std::isalnum(static_cast<unsigned char>(page[name])) || page[name] == '-')) {
      ++name;
    }
    std::string tag = page.substr(end, name - end);
    std::transform(tag.begin(), tag.end(), tag.begin(), [](unsigned char c) { return std::tolower(c); });
    if (tag.empty()) {
      ADD_FAILURE() << "a '<' that opens no tag, at " << page.substr(at, 40);
      continue;
    }
    markup.Tags.insert(tag);
    size_t cursor = name;
    while (cursor < page.size() && page[cursor] != '>') {
      if (std::isspace(static_cast<unsigned char>(page[cursor])) || page[cursor] == '/') {
        ++cursor;
        continue;
      }
      const size_t attribute = cursor;
      while (cursor < page.size() && page[cursor] != '=' && page[cursor] != '>' &&
             !std::isspace(static_cast<unsigned char>(page[cursor]))) {
        ++cursor;
      }
      const std::string attributeName = page.substr(attribute, cursor - attribute);
      markup.Attributes.insert(attributeName);
      if (cursor < page.size() && page[cursor] == '=') {
        const char quote = page[++cursor];
        const size_t close = page.find(quote, cursor + 1);
        if (attributeName == "id") {
          markup.Ids.push_back(page.substr(cursor + 1, close - cursor - 1));
        }
        cursor = close + 1;
      }
    }
    if (tag == "style") {
      at = page.find("</style>", at);
    }
  }
  return markup;
}

const std::set<std::string> PageTags = {"doctype", "html", "head", "meta", "title", "style", "body", "h1",
                                        "h2", "p", "strong", "em", "div", "table", "thead", "tbody", "tr", "th",
                                        "td", "ul", "li", "figure", "figcaption"};
const std::set<std::string> PageAttributes = {"html", "lang", "charset", "http-equiv", "content", "name",
                                              "class", "id", "scope", "rowspan", "colspan"};

std::vector<std::string> NotIn(const std::set<std::string>& found, const std::set<std::string>& allowed) {
  std::vector<std::string> extra;
  std::set_difference(found.begin(), found.end(), allowed.begin(), allowed.end(), std::back_inserter(extra));
  return extra;
}

// The <td> elements of the comparison table's row for this limit and phase,
// each as its class and its text.
std::vector<std::pair<std::string, std::string>> RowCells(const std::string& page, uint32_t limit, const char* phase) {
  const std::string opening =
      "<tr><th scope=\"row\">" + std::to_string(limit) + "</th><th scope=\"row\">" + phase + "</th>";
  const size_t start = page.find(opening, page.find("id=\"comparison-table\""));
  std::vector<std::pair<std::string, std::string>> cells;
  if (start == std::string::npos) {
    return cells;
  }
  const size_t end = page.find("</tr>", start);
  for (size_t at = page.find("<td", start); at < end; at = page.find("<td", at + 1)) {
    const size_t classStart = page.find("class=\"", at) + 7;
    const size_t textStart = page.find('>', at) + 1;
    cells.emplace_back(page.substr(classStart, page.find('"', classStart) - classStart),
                       page.substr(textStart, page.find("</td>", textStart) - textStart));
  }
  return cells;
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

const PageCharts NoGnuplot{.Missing = "no gnuplot on the PATH", .Problem = "", .Geomean = "", .Phases = {}};

}  // namespace

TEST(PageText, MarkupCharactersBecomeReferencesAndControlsVisibleEscapes) {
  struct Case {
    const char* Text;
    const char* Html;
  };
  const Case cases[] = {
      {"<script>alert(\"x\")</script>", "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;"},
      {"\"><img src=x onerror=alert(1)>", "&quot;&gt;&lt;img src=x onerror=alert(1)&gt;"},
      {"' onmouseover='steal()", "&#39; onmouseover=&#39;steal()"},
      {"R&D &amp; more", "R&amp;D &amp;amp; more"},  // a reference in a file stays those characters
      {"evil\x1b[2J\r\n", "evil\\x1B[2J\\r\\n"},
      {"\xff<", "\\xFF&lt;"},
      {"Intel(R) Core(TM) i7 \u00b1 \u2013", "Intel(R) Core(TM) i7 \u00b1 \u2013"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HtmlText(c.Text), c.Html) << c.Text;
  }
}

TEST(ComparisonPage, TextFromFilesNeverBecomesMarkup) {
  SweepResult hostile = SweepOf("<script>document.documentElement.dataset.pwned=1</script>\"' onclick='x'",
                                {{100000, Base}});
  hostile.Host.Cpu = "<img src=x onerror=\"document.documentElement.dataset.pwned=2\">";
  hostile.Host.Os = "</td></tr></table><h1>fake";
  hostile.Conditions.FileSystem = "\"><style>body{display:none}</style>";
  hostile.Runs[0].Valid = false;
  hostile.Runs[0].Problems = "<iframe src=//x>";
  std::vector<ComparedFile> files = Named({SweepOf("base", {{100000, Base}}), hostile});
  files[1].Path = "dir/\"><a href=javascript:x>.json";
  const Comparison comparison = CompareFiles(files, 0.05);

  std::vector<std::pair<std::string, PageCharts>> pages = {{"without charts", NoGnuplot}};
  if (GnuplotMissing().empty()) {
    pages.emplace_back("with gnuplot's charts", DrawPageCharts(comparison));
  }
  for (const auto& [name, charts] : pages) {
    const std::string page = ComparisonHtml(comparison, charts, "2026-12-09T10:00:00Z", SIEVEBENCH_VERSION);
    const Markup markup = ScanMarkup(page);
    const std::set<std::string> svgTags = {"svg", "g", "path", "text", "tspan", "title", "desc", "defs", "rect",
                                           "circle", "line", "polyline", "polygon", "use", "clippath", "font",
                                           "filter", "feflood", "fecomposite"};
    std::set<std::string> allowed = PageTags;
    allowed.insert(svgTags.begin(), svgTags.end());
    EXPECT_EQ(NotIn(markup.Tags, allowed), std::vector<std::string>()) << name;
    for (const std::string& attribute : markup.Attributes) {
      EXPECT_FALSE(attribute.starts_with("on") || attribute == "href" || attribute == "src") << name << ": " << attribute;
    }
    EXPECT_EQ(Occurrences(page, "<style"), 1u) << name;
    EXPECT_NE(page.find("&lt;script&gt;document.documentElement.dataset.pwned=1&lt;/script&gt;&quot;&#39; onclick"),
              std::string::npos)
        << name;
    EXPECT_NE(page.find("&lt;img src=x onerror=&quot;"), std::string::npos) << name;
  }
}

TEST(ComparisonPage, DecidesEachCellAsTheTextTableDoes) {
  const std::vector<uint32_t> tiny = {1, 2, 1, 1, 2, 1};
  const std::vector<SweepResult> sweeps = {SweepOf("base", {{1000, tiny}, {100000, Base}}),
                                           SweepOf("same", {{1000, tiny}, {100000, {101, 100, 100, 99, 101, 100}}}),
                                           SweepOf("slow", {{1000, tiny}, {100000, {120, 121, 119, 122, 120, 121}}}),
                                           SweepOf("few", {{1000, {1, 1}}, {100000, {80, 81}}})};
  const Comparison comparison = CompareFiles(Named(sweeps), 0.05);
  const std::string page = ComparisonHtml(comparison, NoGnuplot, "2026-12-09T10:00:00Z", SIEVEBENCH_VERSION);
  // Four machines' cells with intervals are wider than a terminal, whose
  // table then ranks them: the first three stand side by side.
  const std::string text = ComparisonText(CompareFiles(Named({sweeps[0], sweeps[1], sweeps[2]}), 0.05));

  const auto total = RowCells(page, 100000, "total");
  ASSERT_EQ(total.size(), 12u);  // median, interval and change for each of four machines
  struct Expected {
    size_t Cell;
    const char* Class;
    const char* Text;
  };
  // All six of "slow" lie above all six of the baseline: p = 2 / C(12, 6) = 2/924.
  const Expected expected[] = {
      {0, "number", "100 ms"},
      {1, "number", "[99\u2013102]"},
      {2, "number baseline", "n=6"},
      {5, "number same", "~ (p="},
      {6, "number", "120.5 ms"},
      {8, "number slower", "+20.0% [+18.6, +22.0] (p=0.002 n=6)"},
      {10, "number", ""},  // two runs give no interval
      {11, "number same", "~ (p="},  // 20 % faster, but 2 runs against 6 reach p = 2/28 at best
  };
  for (const Expected& cell : expected) {
    EXPECT_EQ(total[cell.Cell].first, cell.Class) << cell.Cell;
    EXPECT_TRUE(total[cell.Cell].second.starts_with(cell.Text)) << cell.Cell << ": " << total[cell.Cell].second;
    // The text table says the same words (the page escapes nothing in them).
    if (cell.Cell < 9) {
      EXPECT_NE(text.find(total[cell.Cell].second), std::string::npos) << total[cell.Cell].second;
    }
  }
  const auto tooShort = RowCells(page, 1000, "total");
  ASSERT_EQ(tooShort.size(), 12u);
  for (const size_t change : {size_t{5}, size_t{8}}) {
    EXPECT_EQ(tooShort[change].first, "number short");
    EXPECT_EQ(tooShort[change].second, "too short");
  }
  // Two limits times four phases, each a row of its own; one geomean row per phase.
  const size_t table = page.find("id=\"comparison-table\"");
  EXPECT_EQ(Occurrences(page.substr(table, page.find("</table>", table) - table), "<tr><th scope=\"row\">"), 8u);
  const size_t geomean = page.find("id=\"geomean-table\"");
  EXPECT_EQ(Occurrences(page.substr(geomean, page.find("</table>", geomean) - geomean), "<tr><th scope=\"row\">"), 4u);
  for (const std::string& warning : comparison.Warnings) {
    EXPECT_NE(page.find("<li>" + HtmlText(warning) + "</li>"), std::string::npos) << warning;
  }
}

TEST(ComparisonPage, WithoutGnuplotItSaysSoAndIsOtherwiseWhole) {
  const Comparison comparison =
      CompareFiles(Named({SweepOf("base", {{100000, Base}}), SweepOf("other", {{100000, Base}})}), 0.05);
  const std::string page = ComparisonHtml(comparison, NoGnuplot, "2026-12-09T10:00:00Z", SIEVEBENCH_VERSION);
  EXPECT_NE(page.find("The charts need gnuplot, which was not found when this page was made (no gnuplot on the PATH)"),
            std::string::npos);
  EXPECT_EQ(page.find("<svg"), std::string::npos);
  for (const char* part : {"id=\"machines-table\"", "id=\"comparison-table\"", "id=\"geomean-table\"",
                           "How to read this", "</html>\n"}) {
    EXPECT_NE(page.find(part), std::string::npos) << part;
  }
}

TEST(ComparisonPage, OneMachineIsItsOwnBaseline) {
  const Comparison comparison = CompareFiles(Named({SweepOf("alone", {{100000, Base}})}), 0.05);
  const std::string page = ComparisonHtml(comparison, NoGnuplot, "2026-12-09T10:00:00Z", SIEVEBENCH_VERSION);
  EXPECT_NE(page.find("<h1>sievebench comparison against alone</h1>"), std::string::npos);
  EXPECT_NE(page.find("1 machine;"), std::string::npos);
  const size_t machines = page.find("id=\"machines-table\"");
  EXPECT_EQ(Occurrences(page.substr(machines, page.find("</thead>", machines) - machines), "<th scope=\"col\">"), 2u);
  EXPECT_EQ(Occurrences(page, "class=\"differs\""), 0u);
  EXPECT_EQ(RowCells(page, 100000, "total").at(2).second, "n=6");
}

TEST(ComparisonPage, GnuplotChartsStandInlineWithIdsOfTheirOwn) {
  if (!GnuplotMissing().empty()) {
    GTEST_SKIP() << GnuplotMissing();
  }
  SweepResult other = SweepOf("other", {{1000, {20, 21, 22}}, {100000, {120, 121, 119, 122, 120, 121}}});
  const Comparison comparison =
      CompareFiles(Named({SweepOf("base", {{1000, {19, 20, 20}}, {100000, Base}}), other}), 0.05);
  const PageCharts charts = DrawPageCharts(comparison);
  EXPECT_EQ(charts.Problem, "");
  EXPECT_TRUE(charts.Geomean.starts_with("<svg"));
  // Only the count (and so the total) is above 0 ms in these sweeps.
  ASSERT_EQ(charts.Phases.size(), 2u);
  const std::string page = ComparisonHtml(comparison, charts, "2026-12-09T10:00:00Z", SIEVEBENCH_VERSION);
  EXPECT_EQ(page.find("<?xml"), std::string::npos);
  EXPECT_EQ(Occurrences(page, "<svg"), 3u);
  std::vector<std::string> ids = ScanMarkup(page).Ids;
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "an id twice in one page";
}
