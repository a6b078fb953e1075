#pragma once

// A rich-text memo as paragraphs of formatted runs. Text is held in the
// table's single-byte code page (codepage/code_page.h); within a run '\t' is a
// tab and '\n' a line break inside the paragraph.

#include <cstdint>
#include <string>
#include <vector>

namespace rtf {

inline constexpr int kDefaultHalfPoints = 24;  // 12 points
inline constexpr int kMaxHalfPoints = 3276;    // 1638 points

struct CharFormat {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int font = -1;  // index into Document::fonts; -1: the viewer's default font
  int halfPoints = kDefaultHalfPoints;
  int color = 0;  // index into Document::colors; 0 (or no table): the default colour

  bool operator==(const CharFormat&) const = default;
};

struct Run {
  CharFormat format;
  std::string text;

  bool operator==(const Run&) const = default;
};

struct Paragraph {
  std::vector<Run> runs;  // never empty runs, never two neighbours of one format

  bool operator==(const Paragraph&) const = default;
};

struct Font {
  std::string name;

  bool operator==(const Font&) const = default;
};

struct Color {
  bool automatic = true;  // an empty entry: the viewer's default colour
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;

  bool operator==(const Color&) const = default;
};

struct Document {
  std::vector<Font> fonts;
  std::vector<Color> colors;
  std::vector<Paragraph> paragraphs;

  bool operator==(const Document&) const = default;
};

// The text alone: paragraphs joined by CR LF, line breaks as CR LF, tabs kept.
std::string plainText(const Document& document);

}  // namespace rtf
