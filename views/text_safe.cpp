// SPDX-License-Identifier: MIT
// The escapes work on decoded UTF-8, so a multi-byte control (a C1 control,
// a right-to-left override) is caught as surely as a single byte.
#include "views/text_safe.h"

#include <cstdint>
#include <cstdio>

namespace {

// The code point starting at `at` and its length in bytes; length 0 for a
// byte that starts no valid UTF-8 sequence.
struct Decoded {
  uint32_t Point = 0;
  size_t Length = 0;
};

Decoded Decode(const std::string& text, size_t at) {
  const auto byte = [&](size_t index) { return static_cast<unsigned char>(text[index]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    return {lead, 1};
  }
  size_t length = 0;
  uint32_t point = 0;
  uint32_t smallest = 0;  // overlong forms are not UTF-8
  if ((lead & 0xE0) == 0xC0) {
    length = 2, point = lead & 0x1Fu, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, point = lead & 0x0Fu, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, point = lead & 0x07u, smallest = 0x10000;
  } else {
    return {};
  }
  if (at + length > text.size()) {
    return {};
  }
  for (size_t index = 1; index < length; ++index) {
    if ((byte(at + index) & 0xC0) != 0x80) {
      return {};
    }
    point = point << 6 | (byte(at + index) & 0x3Fu);
  }
  if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
    return {};
  }
  return {point, length};
}

// Characters that change how a terminal shows the text around them.
bool Invisible(uint32_t point) {
  return point < 0x20 || (point >= 0x7F && point <= 0x9F) || (point >= 0x200B && point <= 0x200F) ||
         (point >= 0x2028 && point <= 0x202E) || (point >= 0x2060 && point <= 0x2069) || point == 0xFEFF;
}

bool Wide(uint32_t point) {
  return (point >= 0x1100 && point <= 0x115F) || (point >= 0x2E80 && point <= 0xA4CF) ||
         (point >= 0xAC00 && point <= 0xD7A3) || (point >= 0xF900 && point <= 0xFAFF) ||
         (point >= 0xFE30 && point <= 0xFE4F) || (point >= 0xFF00 && point <= 0xFF60) ||
         (point >= 0xFFE0 && point <= 0xFFE6) || (point >= 0x1F300 && point <= 0x1F64F) ||
         (point >= 0x1F900 && point <= 0x1F9FF) || (point >= 0x20000 && point <= 0x3FFFD);
}

// The columns of a decoded character; a byte that is no UTF-8 shows as one.
size_t Width(const Decoded& decoded) {
  return decoded.Length != 0 && Wide(decoded.Point) ? size_t{2} : size_t{1};
}

std::string Escape(uint32_t point, bool byte) {
  switch (byte ? 0xFFFFFFFF : point) {
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    default: break;
  }
  char text[16];
  std::snprintf(text, sizeof text, byte || point < 0x80 ? "\\x%02X" : "\\u{%04X}", point);
  return text;
}

}  // namespace

std::string TerminalSafe(const std::string& text) {
  std::string safe;
  safe.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const Decoded decoded = Decode(text, at);
    if (decoded.Length == 0) {
      safe += Escape(static_cast<unsigned char>(text[at]), true);
      ++at;
      continue;
    }
    safe += Invisible(decoded.Point) ? Escape(decoded.Point, false) : text.substr(at, decoded.Length);
    at += decoded.Length;
  }
  return safe;
}

size_t TerminalColumns(const std::string& text) {
  size_t columns = 0;
  for (size_t at = 0; at < text.size();) {
    const Decoded decoded = Decode(text, at);
    columns += Width(decoded);
    at += decoded.Length == 0 ? 1 : decoded.Length;
  }
  return columns;
}

std::string LeadingColumns(const std::string& text, size_t columns) {
  size_t used = 0;
  size_t at = 0;
  while (at < text.size()) {
    const Decoded decoded = Decode(text, at);
    const size_t width = Width(decoded);
    if (used + width > columns) {
      break;
    }
    used += width;
    at += decoded.Length == 0 ? 1 : decoded.Length;
  }
  return text.substr(0, at);
}

std::string Truncated(const std::string& text, size_t columns) {
  if (TerminalColumns(text) <= columns) {
    return text;
  }
  return columns == 0 ? "" : LeadingColumns(text, columns - 1) + "\u2026";
}

std::string MarkdownText(const std::string& text) {
  std::string markdown;
  for (const char byte : TerminalSafe(text)) {
    const bool punctuation = (byte >= '!' && byte <= '/') || (byte >= ':' && byte <= '@') ||
                             (byte >= '[' && byte <= '`') || (byte >= '{' && byte <= '~');
    if (punctuation) {
      markdown += '\\';
    }
    markdown += byte;
  }
  return markdown;
}
