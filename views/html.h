// SPDX-License-Identifier: MIT
// The comparison as one page to share: a self-contained HTML file with
// inline CSS and inline SVG charts, which loads nothing and runs nothing.
#pragma once

#include <string>

#include "results/comparison.h"
#include "views/chart.h"

// The policy the page sets for itself: nothing may be loaded or run; its own
// inline styles are the one thing allowed.
extern const char PagePolicy[];

// Text as HTML text or attribute value: control bytes shown escaped as on a
// terminal, and & < > " ' as character references.
std::string HtmlText(const std::string& text);

// The styles every page shares, and a page's opening up to its body: the
// policy, the styles and the title (escaped here).
extern const char PageStyle[];
std::string PageStart(const std::string& title);

// The whole page; `date` is when it was made, `version` the tool's that made it.
std::string ComparisonHtml(const Comparison& comparison, const PageCharts& charts, const std::string& date,
                           const std::string& version);
