// SPDX-License-Identifier: MIT
// Text from result files comes from other people's machines. Before any of
// it reaches a terminal or a Markdown file, what those would interpret
// (escape sequences, bells, line ends, Markdown's punctuation) is shown as
// visible escapes instead.
#pragma once

#include <cstddef>
#include <string>

// `text` with every control character (C0, DEL, C1), every invisible
// direction or width control, and every byte that is not UTF-8 written as a
// visible escape: \n, \r, \t, \xNN or \u{NNNN}.
std::string TerminalSafe(const std::string& text);
// The columns `text` takes on a terminal: a wide (East Asian) character two,
// any other character one.
size_t TerminalColumns(const std::string& text);
// The longest start of `text` that takes at most `columns` columns.
std::string LeadingColumns(const std::string& text, size_t columns);
// `text` cut to at most `columns` columns, ending in "…" where it was cut.
std::string Truncated(const std::string& text, size_t columns);
// Untrusted text for Markdown: made terminal-safe, then every ASCII
// punctuation character escaped with a backslash, so nothing of it becomes
// markup, a link, HTML or the end of a table cell.
std::string MarkdownText(const std::string& text);
