// SPDX-License-Identifier: MIT
// Cell texts are the tool's own words and numbers, never text from a file,
// so they need no escaping in any view.
#include "views/cell_text.h"

#include <cmath>
#include <cstdio>

static std::string Formatted(const char* format, double value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Milliseconds(double value) {
  return Formatted(value == std::floor(value) ? "%.0f" : "%.1f", value);
}

std::string MedianText(const Cell& cell) {
  return cell.Runs == 0 ? "\u2013" : Milliseconds(cell.MedianMs) + " ms";
}

std::string IntervalText(const Cell& cell) {
  if (!cell.MedianInterval) {
    return "";
  }
  return "[" + RangeText(*cell.MedianInterval) + "]";
}

std::string RangeText(const Interval& interval) {
  return Milliseconds(interval.Low) + "\u2013" + Milliseconds(interval.High);
}

std::string PValueText(double p) {
  return p < 0.001 ? "p<0.001" : Formatted(p < 0.1 ? "p=%.3f" : "p=%.2f", p);
}

std::string PercentText(double percent) {
  return Formatted("%+.1f%%", percent);
}

std::string PercentInterval(double low, double high) {
  return "[" + Formatted("%+.1f", low) + ", " + Formatted("%+.1f", high) + "]";
}

std::string PlainNumber(double value) {
  return Formatted("%g", value);
}

std::string ChangeText(const Cell& cell, bool baseline) {
  if (cell.Runs == 0) {
    return "";
  }
  // A paired cell counts its pairs, the rounds both variants ran.
  std::string runs = "n=" + std::to_string(cell.Test == "signed-rank" ? cell.Pairs : cell.Runs);
  if (cell.TooShort) {
    return "too short";
  }
  if (baseline) {
    return runs;
  }
  if (!cell.ChangePercent) {
    return "no baseline";
  }
  const std::string test = "(" + PValueText(*cell.PValue) + " " + runs + ")";
  if (!*cell.Significant) {
    return "~ " + test;
  }
  std::string change = PercentText(*cell.ChangePercent);
  if (cell.ChangeLowPercent && cell.ChangeHighPercent) {
    change += " " + PercentInterval(*cell.ChangeLowPercent, *cell.ChangeHighPercent);
  }
  return change + " " + test;
}

std::string GeomeanText(const GeomeanCell& cell, bool baseline) {
  if (baseline) {
    return "baseline";
  }
  if (!cell.ChangePercent) {
    return "\u2013";
  }
  const bool slower = *cell.ChangePercent > 0;
  const size_t with = slower ? cell.SlowerLimits : cell.FasterLimits;
  const size_t against = slower ? cell.FasterLimits : cell.SlowerLimits;
  const std::string limits = std::to_string(cell.Limits.size());
  std::string text = (cell.Significant ? "" : "~ ") + PercentText(*cell.ChangePercent) + " (";
  if (with == 0 && against == 0) {
    return text + "none of " + limits + " significant)";
  }
  text += std::string(slower ? "slower" : "faster") + " at " + std::to_string(with) + " of " + limits;
  if (against != 0) {
    text += std::string(", ") + (slower ? "faster" : "slower") + " at " + std::to_string(against);
  }
  return text + ")";
}

std::string Legend(const Comparison& comparison) {
  std::string legend =
      "medians over the measured valid runs, [their 95% interval]; change against the baseline: the Hodges-Lehmann\n"
      "ratio [its 95% interval], with the two-sided p and n; variants of one sweep pair their rounds (Wilcoxon\n"
      "signed-rank, n pairs), separate sweeps are Mann-Whitney (n runs) held against the noise between sweeps that\n"
      "each file's own halves show; ~: not significant at alpha " + PlainNumber(comparison.Alpha) +
      "; too short: a median under " + FewestTicksText() + " timer ticks, not compared\n"
      "geomean: the geometric mean of the ratios of medians over the limits both compare; significant when more than\n"
      "half of them changed significantly its way and none the other way\n";
  if (comparison.IntervalsMissing) {
    legend += "no interval where a machine has fewer than 6 runs of a limit: the median's 95% interval needs 6\n";
  }
  return legend;
}

std::string LegendParagraph(const Comparison& comparison) {
  std::string legend = Legend(comparison);
  for (char& byte : legend) {
    byte = byte == '\n' ? ' ' : byte;
  }
  return legend;
}
