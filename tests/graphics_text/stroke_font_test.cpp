#include "graphics/text/stroke_font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace spindra {
namespace {

// Decodes glyph g from the packed tables with plain bit operations, for at
// most 20 words, stopping after the point with the end flag.
struct Decoded {
  std::vector<GlyphPoint> points;
  int words = 0;
  bool ended = false;
};

Decoded decode(int g) {
  Decoded d;
  const int first = LCHRS(g);
  for (int w = 0; w < 20 && !d.ended; ++w) {
    const uint32_t word = static_cast<uint32_t>(LCHSET(first + w));
    ++d.words;
    for (int half = 0; half < 2 && !d.ended; ++half) {
      const uint32_t xb = (word >> (16 * half)) & 0xFF;
      const uint32_t yb = (word >> (16 * half + 8)) & 0xFF;
      GlyphPoint p{static_cast<int>(xb % 128), static_cast<int>(yb % 128), xb >= 128, yb >= 128};
      d.points.push_back(p);
      d.ended = p.last;
    }
  }
  return d;
}

// The strokes of a decoded glyph in the source notation, closing move left out.
std::string notation(const Decoded& d) {
  std::string s;
  for (std::size_t i = 0; i + 1 < d.points.size(); ++i) {
    const GlyphPoint& p = d.points[i];
    if (!s.empty()) s += p.pen_down ? " " : "; ";
    s += std::to_string(p.x) + "," + std::to_string(p.y);
  }
  return s;
}

std::string normalised(std::string_view src) {
  std::string s;
  for (std::size_t i = 0; i < src.size(); ++i) {
    const char c = src[i];
    if (c == ' ' && (s.empty() || s.back() == ' ')) continue;
    if (c == ';') {
      while (!s.empty() && s.back() == ' ') s.pop_back();
      s += "; ";
      continue;
    }
    s += c;
  }
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

TEST(StrokeFontPacking, PointsRoundTripThroughTheirTwoBytes) {
  for (int x = 0; x <= 127; ++x) {
    for (int y = 0; y <= 127; ++y) {
      for (int flags = 0; flags < 4; ++flags) {
        const GlyphPoint p{x, y, (flags & 1) != 0, (flags & 2) != 0};
        const uint32_t bytes = pack_point(p);
        ASSERT_LT(bytes, 0x10000u);
        EXPECT_EQ(bytes & 0xFF, static_cast<uint32_t>(x | (p.pen_down ? 128 : 0)));
        EXPECT_EQ(bytes >> 8, static_cast<uint32_t>(y | (p.last ? 128 : 0)));
        const auto word = static_cast<int32_t>(bytes | (bytes << 16));
        EXPECT_EQ(unpack_point(word, 0), p);
        EXPECT_EQ(unpack_point(word, 1), p);
      }
    }
  }
}

TEST(StrokeFontPacking, TablesHoldExactlyTheWrittenStrokes) {
  for (int g = 1; g <= kGlyphs; ++g) {
    const Decoded d = decode(g);
    ASSERT_TRUE(d.ended) << "glyph " << g;
    EXPECT_EQ(notation(d), normalised(glyph_source(g).strokes)) << "glyph " << g;
    // A polyline never stops at its first point.
    for (std::size_t i = 0; i + 1 < d.points.size(); ++i) {
      if (!d.points[i].pen_down) {
        ASSERT_LT(i + 1, d.points.size() - 1) << "glyph " << g;
        EXPECT_TRUE(d.points[i + 1].pen_down) << "glyph " << g << " point " << i;
      }
    }
  }
}

TEST(StrokeFontPacking, GlyphsFollowEachOtherWithinTheLimits) {
  EXPECT_EQ(LCHRS(1), 1);
  for (int g = 1; g <= kGlyphs; ++g) {
    const Decoded d = decode(g);
    EXPECT_LE(d.words, kMaxGlyphWords) << "glyph " << g;
    EXPECT_EQ(d.words, static_cast<int>(d.points.size() + 1) / 2) << "glyph " << g;
    if (g < kGlyphs) {
      EXPECT_EQ(LCHRS(g + 1), LCHRS(g) + d.words) << "glyph " << g;
    }
  }
  const int used = LCHRS(kGlyphs) + decode(kGlyphs).words - 1;
  EXPECT_EQ(used, font_words_used());
  EXPECT_LE(used, kFontWords);
  for (int w = used + 1; w <= kFontWords; ++w) EXPECT_EQ(LCHSET(w), 0) << "word " << w;
}

TEST(StrokeFontPacking, EveryGlyphEndsWithTheClosingMove) {
  for (int g = 1; g <= kGlyphs; ++g) {
    const Decoded d = decode(g);
    ASSERT_FALSE(d.points.empty());
    const GlyphPoint& last = d.points.back();
    EXPECT_EQ(last, (GlyphPoint{127, 0, false, true})) << "glyph " << g;
    for (std::size_t i = 0; i + 1 < d.points.size(); ++i) EXPECT_FALSE(d.points[i].last);
    // An odd number of points leaves the closing move in a word's low half and
    // the high half empty.
    if (d.points.size() % 2 == 1) {
      EXPECT_EQ(static_cast<uint32_t>(LCHSET(LCHRS(g) + d.words - 1)) >> 16, 0u) << "glyph " << g;
    }
  }
}

TEST(StrokeFontPacking, TheLetterAAndTheBlankAreExact) {
  // "A": move (0, 32), lines to (48, 96) and (96, 32), move (18, 58), line to
  // (78, 58), closing move.
  ASSERT_EQ(glyph_source(34).place, 'A');
  const int a = LCHRS(34);
  EXPECT_EQ(static_cast<uint32_t>(LCHSET(a)), 0x60B02000u);
  EXPECT_EQ(static_cast<uint32_t>(LCHSET(a + 1)), 0x3A1220E0u);
  EXPECT_EQ(static_cast<uint32_t>(LCHSET(a + 2)), 0x807F3ACEu);
  EXPECT_EQ(LCHRS(35), a + 3);
  // The blank: the closing move alone, in one word.
  EXPECT_EQ(static_cast<uint32_t>(LCHSET(LCHRS(1))), 0x0000807Fu);
  EXPECT_EQ(LCHRS(2), 2);
  EXPECT_EQ(static_cast<uint32_t>(LCHSET(LCHRS(96))), 0x0000807Fu);  // the blank of set 2
}

TEST(StrokeFontOrder, TwoSetsInCodeOrderWithGreekInTheLetterPlaces) {
  for (int g = 1; g <= kGlyphs; ++g) {
    const GlyphSource& src = glyph_source(g);
    EXPECT_EQ(src.place, static_cast<char>(32 + (g - 1) % 95)) << "glyph " << g;
    const bool letter =
        (src.place >= 'A' && src.place <= 'Z') || (src.place >= 'a' && src.place <= 'z');
    if (g > 95 && letter) {
      EXPECT_FALSE(src.name.empty()) << "glyph " << g;
    } else {
      EXPECT_TRUE(src.name.empty()) << "glyph " << g;
    }
    // Set 2 keeps the characters that are not letters.
    if (g > 95 && !letter) {
      EXPECT_EQ(notation(decode(g)), notation(decode(g - 95))) << "glyph " << g;
    }
  }
  const std::array<std::pair<char, std::string_view>, 7> greek = {{{'D', "Delta"},
                                                                   {'S', "Sigma"},
                                                                   {'W', "Omega"},
                                                                   {'a', "alpha"},
                                                                   {'d', "delta"},
                                                                   {'l', "lambda"},
                                                                   {'p', "pi"}}};
  for (const auto& [place, name] : greek) {
    const int g = 95 + place - 31;
    EXPECT_EQ(glyph_source(g).place, place);
    EXPECT_EQ(glyph_source(g).name, name);
    EXPECT_NE(notation(decode(g)), notation(decode(g - 95))) << name << " looks like " << place;
  }
}

// Every point lies in the grid: x within the cell, y between the foot of a
// descender (a little lower for the underscore) and a little over a capital.
TEST(StrokeFontShapes, StrokesLieInTheGrid) {
  for (int g = 1; g <= kGlyphs; ++g) {
    const Decoded d = decode(g);
    if (g != 1 && g != 96) {
      EXPECT_GE(d.points.size(), 3u) << "glyph " << g << " draws nothing";
    }
    for (std::size_t i = 0; i + 1 < d.points.size(); ++i) {
      const GlyphPoint& p = d.points[i];
      EXPECT_LE(p.x, kGlyphWidth) << "glyph " << g;
      EXPECT_GE(p.y, 8) << "glyph " << g;
      EXPECT_LE(p.y, 100) << "glyph " << g;
    }
  }
}

struct Extent {
  int xmin = 999, xmax = -1, ymin = 999, ymax = -1;
};
Extent extent(int g) {
  Extent e;
  const Decoded d = decode(g);
  for (std::size_t i = 0; i + 1 < d.points.size(); ++i) {
    e.xmin = std::min(e.xmin, d.points[i].x);
    e.xmax = std::max(e.xmax, d.points[i].x);
    e.ymin = std::min(e.ymin, d.points[i].y);
    e.ymax = std::max(e.ymax, d.points[i].y);
  }
  return e;
}
int glyph(char c) {
  return c - 31;
}

TEST(StrokeFontShapes, LettersAndDigitsShareTheirLines) {
  for (char c = 'A'; c <= 'Z'; ++c) {
    const Extent e = extent(glyph(c));
    EXPECT_EQ(e.ymax, 96) << c;
    EXPECT_LE(e.ymin, 32) << c;
    EXPECT_GE(e.ymin, 24) << c;
    EXPECT_GE(e.xmax - e.xmin, 40) << c;
  }
  for (char c = '0'; c <= '9'; ++c) {
    const Extent e = extent(glyph(c));
    EXPECT_EQ(e.ymax, 96) << c;
    EXPECT_EQ(e.ymin, 32) << c;
  }
  for (char c : std::string_view("acemnorsuvwxz")) EXPECT_EQ(extent(glyph(c)).ymax, 72) << c;
  for (char c : std::string_view("acehikmnorstuvwxz")) EXPECT_EQ(extent(glyph(c)).ymin, 32) << c;
  for (char c : std::string_view("bdfhkl")) EXPECT_EQ(extent(glyph(c)).ymax, 96) << c;
  for (char c : std::string_view("gjpqy")) EXPECT_LE(extent(glyph(c)).ymin, 12) << c;
}

// The glyph rasterised into a w x h pixel cell (the cell 96 grid units wide
// and 64 high, from 32 below to 96 over its base line, rows from the bottom).
std::vector<bool> raster(int g, int w, int h) {
  std::vector<bool> px(static_cast<std::size_t>(w * h), false);
  const Decoded d = decode(g);
  auto to_px = [&](const GlyphPoint& p, double& x, double& y) {
    x = p.x / 96.0 * (w - 1);
    y = (p.y) / 128.0 * (h - 1);
  };
  for (std::size_t i = 1; i + 1 < d.points.size(); ++i) {
    if (!d.points[i].pen_down) continue;
    double x0, y0, x1, y1;
    to_px(d.points[i - 1], x0, y0);
    to_px(d.points[i], x1, y1);
    const int steps = 4 * (w + h);
    for (int s = 0; s <= steps; ++s) {
      const int x = static_cast<int>(std::lround(x0 + (x1 - x0) * s / steps));
      const int y = static_cast<int>(std::lround(y0 + (y1 - y0) * s / steps));
      px[static_cast<std::size_t>(y * w + x)] = true;
    }
  }
  return px;
}

// At 1.5 mm wide and 2.25 mm high (the program's labels) on a 300 dpi page a
// glyph gets about 18 x 27 pixels of cell (54 rows for the whole height range
// used here); no two glyphs of a set may then come out the same.
TEST(StrokeFontShapes, GlyphsOfASetStayDistinctAtLabelSize) {
  for (int set = 0; set < 2; ++set) {
    std::set<std::vector<bool>> seen;
    for (int g = 1 + 95 * set; g <= 95 + 95 * set; ++g) {
      EXPECT_TRUE(seen.insert(raster(g, 18, 54)).second)
          << "glyph " << g << " ('" << glyph_source(g).place << "') looks like another";
    }
  }
}

}  // namespace
}  // namespace spindra
