// SPDX-License-Identifier: MIT
// Text laid out in columns and lines for a terminal of a given width; every
// view for people that prints to a terminal goes through these.
#pragma once

#include <string>
#include <vector>

// The widest terminal line any text view prints.
inline constexpr size_t TerminalWidth = 160;

// Rows of terminal-safe cells, padded into columns two spaces apart; a
// column marked in `right` stands right, the others left. Trailing blanks
// are dropped.
std::string AlignColumns(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& right);
// The widest line of `text`, in terminal columns.
size_t WidestLine(const std::string& text);
// `text` broken at spaces into lines of at most `width` columns, each line
// after the first indented by `indent` spaces; a word longer than a line is cut.
std::string Wrapped(const std::string& text, size_t width, size_t indent);
