// The program's stroke font: 190 glyphs drawn as pen moves and lines.
// Glyphs 1 to 95 are character set 1, the printable characters " " (code 32)
// to "~" (code 126) in code order; glyphs 96 to 190 are character set 2 in
// the same order, with Greek letters in the places of the Latin letters (the
// place of "D" holds a capital delta, "S" a capital sigma, "W" a capital
// omega, "a" alpha, "d" delta, "l" lambda, "p" pi) and the other characters
// as in set 1.
//
// Glyph grid: x 0 to 96 is one character width; y 32 is the base line, 72 the
// top of a small letter, 96 the top of a capital, 8 the foot of a descender.
//
// Packing: LCHRS(g) is the first word of glyph g in LCHSET.  Each 32-bit word
// holds two points of two bytes each, low bytes first; for each point the
// first byte is x (bits 0 to 6) with bit 7 set when the pen is down (a line to
// the point) and clear for a move, the second byte y (bits 0 to 6) with bit 7
// set on the glyph's last point.  Every glyph ends with a pen-up move to
// (127, 0) carrying the end flag, which leaves the pen right of and below the
// cell.  A glyph is read for at most 20 words.
//
// The glyph shapes are written in stroke_font.cpp, one line of strokes per
// glyph, and packed at compile time.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/table.h"

namespace spindra {

inline constexpr int kGlyphs = 190;        // two sets of 95
inline constexpr int kGlyphsPerSet = 95;   // codes 32 to 126
inline constexpr int kFontWords = 1100;    // room in LCHSET
inline constexpr int kMaxGlyphWords = 20;  // a glyph is read for at most this many words
inline constexpr int kGlyphWidth = 96;     // one character width in grid units
inline constexpr int kGlyphBase = 32;      // base line
inline constexpr int kGlyphCapTop = 96;    // top of a capital
inline constexpr int kGlyphHeight = kGlyphCapTop - kGlyphBase;
inline constexpr int kClosingX = 127;  // the closing pen-up move
inline constexpr int kClosingY = 0;

// The packed font.
extern const Table<int32_t, 1, kFontWords> LCHSET;
extern const Table<int32_t, 1, kGlyphs> LCHRS;

// Number of words of LCHSET the font occupies.
int font_words_used();

// One glyph as written in the font's source: the character whose place it
// holds, a name (for the Greek set), and its strokes.
//
// Notation of the strokes: polylines separated by ";", each a list of "x,y"
// grid points separated by blanks.  The first point of a polyline is reached
// with the pen up; the pen is down to each further point.  The closing move is
// not written; the packer adds it.  The blank's strokes are empty.
struct GlyphSource {
  char place;             // the character of set 1 in this position
  std::string_view name;  // for set 2: the Greek letter; empty otherwise
  std::string_view strokes;
};
// Source of glyph g, 1 to 190.
const GlyphSource& glyph_source(int g);

// One point of a packed glyph.
struct GlyphPoint {
  int x = 0;
  int y = 0;
  bool pen_down = false;
  bool last = false;
  bool operator==(const GlyphPoint&) const = default;
};

// Point `half` (0 = low half, 1 = high half) of a packed word.
constexpr GlyphPoint unpack_point(int32_t word, int half) {
  const uint32_t bits = static_cast<uint32_t>(word) >> (half == 0 ? 0 : 16);
  const uint32_t xb = bits & 0xFFu;
  const uint32_t yb = (bits >> 8) & 0xFFu;
  return {static_cast<int>(xb & 0x7Fu), static_cast<int>(yb & 0x7Fu), (xb & 0x80u) != 0,
          (yb & 0x80u) != 0};
}

// The two bytes of one point, x byte low.
constexpr uint32_t pack_point(const GlyphPoint& p) {
  const uint32_t xb = static_cast<uint32_t>(p.x & 0x7F) | (p.pen_down ? 0x80u : 0u);
  const uint32_t yb = static_cast<uint32_t>(p.y & 0x7F) | (p.last ? 0x80u : 0u);
  return xb | (yb << 8);
}

}  // namespace spindra
