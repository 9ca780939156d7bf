#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "graphics/display/pens.h"
#include "graphics/text/stroke_font.h"
#include "graphics/text/symbols.h"
#include "test_support.h"

namespace spindra {
namespace {

using text_test::DeviceCall;
using text_test::RecordingDevice;

// A point of a trace in millimetres.
struct Step {
  bool draw;
  double x, y;
};

std::vector<Step> in_mm(const RecordingDevice& dev, const std::vector<DeviceCall>& calls) {
  std::vector<Step> steps;
  for (const DeviceCall& c : calls) steps.push_back({c.draw, dev.mm(c.x), dev.mm(c.y)});
  return steps;
}

void expect_same_trace(const std::vector<Step>& got, const std::vector<Step>& want,
                       double tolerance = 0.0015) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].draw, want[i].draw) << "step " << i;
    EXPECT_NEAR(got[i].x, want[i].x, tolerance) << "step " << i;
    EXPECT_NEAR(got[i].y, want[i].y, tolerance) << "step " << i;
  }
}

// The trace a glyph should leave: its points, closing move included, scaled
// to width w and height h, lifted by `lift` grid units and shrunk to two
// thirds when lifted, turned by `angle` degrees and placed at (x0, y0).  The
// first point of a text is a move whatever the glyph says.
void add_glyph(std::vector<Step>& out, int g, double x0, double y0, double w, double h,
               double angle, int lift = 0) {
  const double c = std::cos(angle * M_PI / 180.0), s = std::sin(angle * M_PI / 180.0);
  for (int word = LCHRS(g);; ++word) {
    for (int half = 0; half < 2; ++half) {
      const GlyphPoint p = unpack_point(LCHSET(word), half);
      const double x = p.x / 96.0 * w;
      const double y = lift == 0 ? (p.y - 32) / 64.0 * h : (lift + p.y - 32) / 96.0 * h;
      out.push_back({p.pen_down, x0 + c * x - s * y, y0 + s * x + c * y});
      if (p.last) return;
    }
  }
}

int glyph(char c) {
  return c - 31;
}

TEST(PlotText, DrawsTheLetterAAsItsStrokesSay) {
  RecordingDevice dev;
  PLOT_TEXT("A", 10.0f, 20.0f, 2.0f, 3.0f, 0.0f);
  expect_same_trace(in_mm(dev, dev.take()), {{false, 10.0, 20.0},
                                             {true, 11.0, 23.0},
                                             {true, 12.0, 20.0},
                                             {false, 10.375, 21.21875},
                                             {true, 11.625, 21.21875},
                                             {false, 10.0 + 127.0 / 48.0, 18.5}});
}

TEST(PlotText, SetsUpTheTextStateAndPitchesOneAndAHalfWidths) {
  RecordingDevice dev;
  plot::DXSIZE = 5.0f;  // left over from elsewhere: the set-up clears it
  plot::XSLANT = 0.3f;
  PLOT_TEXT("Ab9", 40.0f, 50.0f, 2.0f, 4.0f, 0.0f);
  EXPECT_EQ(plot::LINE.trimmed(), "Ab9");
  EXPECT_EQ(plot::ITXTYPE, 1);
  EXPECT_EQ(plot::ICHSET, 1);
  EXPECT_EQ(plot::XINC, 3.0f);
  EXPECT_EQ(plot::XSIZE, 2.0f);
  EXPECT_EQ(plot::DXSIZE, 0.0f);
  EXPECT_EQ(plot::XSLANT, 0.0f);
  std::vector<Step> want;
  add_glyph(want, glyph('A'), 40.0, 50.0, 2.0, 4.0, 0.0);
  add_glyph(want, glyph('b'), 43.0, 50.0, 2.0, 4.0, 0.0);
  add_glyph(want, glyph('9'), 46.0, 50.0, 2.0, 4.0, 0.0);
  expect_same_trace(in_mm(dev, dev.take()), want);
}

TEST(PlotText, FollowsItsBaseLineAtAnyAngle) {
  RecordingDevice dev;
  PLOT_TEXT("W2", 100.0f, 100.0f, 3.0f, 4.5f, 30.0f);
  std::vector<Step> want;
  add_glyph(want, glyph('W'), 100.0, 100.0, 3.0, 4.5, 30.0);
  add_glyph(want, glyph('2'), 100.0 + 4.5 * std::cos(M_PI / 6), 100.0 + 4.5 * std::sin(M_PI / 6),
            3.0, 4.5, 30.0);
  expect_same_trace(in_mm(dev, dev.take()), want);
  // The advance is turned only while the text is drawn.
  EXPECT_EQ(plot::XINC, 4.5f);
  EXPECT_EQ(plot::YINC, 0.0f);
}

TEST(PlotText, At90DegreesRunsUpwardsFromItsStart) {
  RecordingDevice dev;
  PLOT_TEXT("3.1", 100.0f, 60.0f, 1.5f, 2.25f, 90.0f);
  const std::vector<Step> got = in_mm(dev, dev.take());
  std::vector<Step> want;
  for (int i = 0; i < 3; ++i)
    add_glyph(want, glyph("3.1"[i]), 100.0, 60.0 + 2.25 * i, 1.5, 2.25, 90.0);
  expect_same_trace(got, want);
  // Every drawn point lies left of the start (the glyphs' tops point to -x)
  // and above it.
  for (const Step& s : got) {
    if (!s.draw) continue;
    EXPECT_LE(s.x, 100.001);
    EXPECT_GE(s.x, 100.0 - 2.25 - 0.001);
    EXPECT_GE(s.y, 60.0 - 0.001);
  }
}

TEST(PlotText, DoubleBracketsLowerAndRaiseTheBaseLineAndShrinkTheGlyph) {
  RecordingDevice dev;
  PLOT_TEXT("A[[1]]B]]2[[", 10.0f, 100.0f, 2.0f, 3.0f, 0.0f);
  std::vector<Step> want;
  add_glyph(want, glyph('A'), 10.0, 100.0, 2.0, 3.0, 0.0);
  add_glyph(want, glyph('1'), 13.0, 100.0, 2.0, 3.0, 0.0, -48);
  add_glyph(want, glyph('B'), 16.0, 100.0, 2.0, 3.0, 0.0);
  add_glyph(want, glyph('2'), 19.0, 100.0, 2.0, 3.0, 0.0, 48);
  const std::vector<Step> got = in_mm(dev, dev.take());
  expect_same_trace(got, want);
  // The lowered 1 reaches from half a height below the base line to a sixth
  // over it.
  double low = 1e9, high = -1e9;
  for (std::size_t i = 6; i + 1 < 6 + 6; ++i) {  // the 1's points, closing move left out
    low = std::min(low, got[i].y);
    high = std::max(high, got[i].y);
  }
  EXPECT_NEAR(low, 100.0 - 1.5, 0.002);
  EXPECT_NEAR(high, 100.0 + 0.5, 0.002);
}

TEST(PlotText, BracesSwitchToTheGreekSetAndBack) {
  RecordingDevice dev;
  PLOT_TEXT("{{pD}}p", 10.0f, 50.0f, 2.0f, 3.0f, 0.0f);
  std::vector<Step> want;
  add_glyph(want, 95 + glyph('p'), 10.0, 50.0, 2.0, 3.0, 0.0);
  add_glyph(want, 95 + glyph('D'), 13.0, 50.0, 2.0, 3.0, 0.0);
  add_glyph(want, glyph('p'), 16.0, 50.0, 2.0, 3.0, 0.0);
  expect_same_trace(in_mm(dev, dev.take()), want);
}

TEST(PlotText, OddCharactersDrawAsTheBlankOfTheirSet) {
  EXPECT_EQ(glyph_of('\t', 1), 1);
  EXPECT_EQ(glyph_of('\t', 2), 96);
  EXPECT_EQ(glyph_of(' ', 1), 1);
  EXPECT_EQ(glyph_of('~', 2), 190);
  EXPECT_EQ(glyph_of('\x7F', 2), 96);                           // no glyph past the last
  EXPECT_EQ(glyph_of(static_cast<char>(0xC1), 1), glyph('A'));  // high bit ignored
  EXPECT_EQ(glyph_of(static_cast<char>(0xFF), 2), 96);
  RecordingDevice dev;
  PLOT_TEXT("{{\x7F\x01", 10.0f, 50.0f, 2.0f, 3.0f, 0.0f);
  const std::vector<Step> got = in_mm(dev, dev.take());
  ASSERT_EQ(got.size(), 2u);  // two closing moves
  EXPECT_FALSE(got[0].draw);
  EXPECT_FALSE(got[1].draw);
}

TEST(PlotText, EmptyTextDrawsNothing) {
  RecordingDevice dev;
  PLOT_TEXT("", 10.0f, 50.0f, 2.0f, 3.0f, 0.0f);
  PLOT_TEXT("     ", 10.0f, 50.0f, 2.0f, 3.0f, 0.0f);
  EXPECT_TRUE(dev.take().empty());
}

TEST(PlotText, AZeroWidthBecomesOneMillimetreWithoutAnAdvance) {
  RecordingDevice dev;
  PLOT_TEXT("AB", 10.0f, 50.0f, 0.0f, 3.0f, 0.0f);
  EXPECT_EQ(plot::XSIZE, 1.0f);  // turned into 1 in the text state itself
  EXPECT_EQ(plot::XINC, 0.0f);
  std::vector<Step> want;
  add_glyph(want, glyph('A'), 10.0, 50.0, 1.0, 3.0, 0.0);
  add_glyph(want, glyph('B'), 10.0, 50.0, 1.0, 3.0, 0.0);
  expect_same_trace(in_mm(dev, dev.take()), want);
}

TEST(PlotText, GrowthAndShearComeFromTheTextState) {
  RecordingDevice dev;
  plot::LINE = "II";
  plot::ICHSET = 1;
  plot::XSIZE = 2.0f;
  plot::YSIZE = 4.0f;
  plot::DXSIZE = 0.0f;
  plot::DYSIZE = 2.0f;
  plot::XSLANT = 0.25f;
  plot::YSLANT = 0.0f;
  plot::XSTART = 10.0f;
  plot::YSTART = 50.0f;
  plot::ZSTART = 0.0f;
  plot::XINC = 3.0f;
  plot::YINC = plot::ZINC = 0.0f;
  plot::XROT = plot::YROT = plot::ZROT = 0.0f;
  WRITE_STR_V();
  const std::vector<Step> got = in_mm(dev, dev.take());
  EXPECT_EQ(plot::YSIZE, 8.0f);  // grown after each character
  // The I's stem (48,96)-(48,32) leans right by a quarter of a width for each
  // character height: x = (0.5 + 0.25 y) widths.
  ASSERT_GE(got.size(), 5u);
  EXPECT_NEAR(got[2].x, 10.0 + (0.5 + 0.25) * 2.0, 0.002);
  EXPECT_NEAR(got[2].y, 54.0, 0.002);
  EXPECT_NEAR(got[3].x, 11.0, 0.002);
  // The second I is 6 mm tall.
  double top = -1e9;
  for (std::size_t i = 7; i < got.size(); ++i) top = std::max(top, got[i].y);
  EXPECT_NEAR(top, 56.0, 0.002);
}

TEST(PlotTextCentred, CentresAlongTheBaseLineCountingOnlyDrawnCharacters) {
  RecordingDevice dev;
  PLOT_TEXT_C("A[[1]]", 100.0f, 50.0f, 2.0f, 3.0f, 0.0f);
  const std::vector<Step> centred = in_mm(dev, dev.take());
  // Two characters: half of one pitch and one width, 2.5 mm.
  PLOT_TEXT("A[[1]]", 97.5f, 50.0f, 2.0f, 3.0f, 0.0f);
  expect_same_trace(centred, in_mm(dev, dev.take()), 0.0);

  PLOT_TEXT_C("{{abc}}", 100.0f, 50.0f, 2.0f, 3.0f, 90.0f);
  EXPECT_NEAR(plot::XSTART, 100.0f, 1e-4);
  EXPECT_NEAR(plot::YSTART, 50.0f - (2 * 3.0f + 2.0f) / 2, 1e-4);
}

TEST(PlotTextCentred, ControlPairsAndBlanksAloneDrawNothing) {
  RecordingDevice dev;
  PLOT_TEXT_C("[[]]{{}}", 100.0f, 50.0f, 2.0f, 3.0f, 0.0f);
  PLOT_TEXT_C("{{   ", 100.0f, 50.0f, 2.0f, 3.0f, 0.0f);
  PLOT_TEXT_C("    ", 100.0f, 50.0f, 2.0f, 3.0f, 0.0f);
  PLOT_TEXT_C("", 100.0f, 50.0f, 2.0f, 3.0f, 0.0f);
  EXPECT_TRUE(dev.take().empty());
  // A single character is centred on its own width.
  PLOT_TEXT_C("x", 100.0f, 50.0f, 2.0f, 3.0f, 0.0f);
  EXPECT_FLOAT_EQ(plot::XSTART, 99.0f);
  EXPECT_FALSE(dev.take().empty());
}

TEST(Numbers, FormatLikeFixedFields) {
  EXPECT_EQ(format_number(3.1f, 4, 1).view(), std::string(" 3.1") + std::string(16, ' '));
  EXPECT_EQ(format_number(2.9999998f, 4, -1).trimmed(), "   3");
  EXPECT_EQ(format_number(-2.9999998f, 4, -1).trimmed(), "  -3");
  EXPECT_EQ(format_number(7.9f, 3, -1).trimmed(), "  7");  // truncated, not rounded
  EXPECT_EQ(format_number(12345.0f, 4, 1).trimmed(), "****");
  EXPECT_EQ(format_number(12345.0f, 4, -1).trimmed(), "****");
  EXPECT_EQ(format_number(-123.0f, 3, -1).trimmed(), "***");
  EXPECT_EQ(format_number(0.5f, 4, 1).trimmed(), " 0.5");
  EXPECT_EQ(format_number(0.5f, 2, 1).trimmed(), ".5");
  EXPECT_EQ(format_number(-0.5f, 3, 1).trimmed(), "-.5");
  EXPECT_EQ(format_number(-0.04f, 4, 1).trimmed(), " 0.0");
  EXPECT_EQ(format_number(2.25f, 6, 3).trimmed(), " 2.250");
  // No decimals: still the fixed-point form, with its point.
  EXPECT_EQ(format_number(2.5f, 3, 0).trimmed(), " 2.");
  EXPECT_EQ(format_number(-7.0f, 4, 0).trimmed(), " -7.");
  EXPECT_EQ(format_number(12.0f, 2, 0).trimmed(), "**");
  EXPECT_EQ(format_number(1.0e30f, 8, 2).trimmed(), "********");
  EXPECT_EQ(format_number(3.0e9f, 12, -1).trimmed(), "************");  // no 32-bit integer
  EXPECT_EQ(format_number(std::nanf(""), 4, 1).trimmed(), " NaN");
  EXPECT_EQ(format_number(std::nanf(""), 4, -1).trimmed(), "****");
  EXPECT_EQ(format_number(42.0f, 0, -1).trimmed(), "42");  // no width: as wide as needed
  EXPECT_EQ(format_number(42.0f, 30, -1).view(), std::string(18, ' ') + "42");
  EXPECT_EQ(format_number(1.0f, 25, 22).view(), std::string(20, '*'));
}

TEST(Numbers, DrawThroughTheTextRoutines) {
  RecordingDevice dev;
  NUMBER_XY_ANG(50.0f, 60.0f, 3.1f, 4, 1, 1.5f, 2.25f, false, false, 90.0f);
  const std::vector<Step> number = in_mm(dev, dev.take());
  PLOT_TEXT("3.1", 50.0f, 60.0f, 1.5f, 2.25f, 90.0f);
  expect_same_trace(number, in_mm(dev, dev.take()), 0.0);

  NUMBER_XY_ANG(50.0f, 60.0f, 2.9999998f, 5, -1, 2.0f, 3.0f, false, false, 0.0f);
  const std::vector<Step> three = in_mm(dev, dev.take());
  PLOT_TEXT("3", 50.0f, 60.0f, 2.0f, 3.0f, 0.0f);
  expect_same_trace(three, in_mm(dev, dev.take()), 0.0);

  NUMBER_XY_ANG(50.0f, 60.0f, 123.45f, 4, 1, 2.0f, 3.0f, false, false, 0.0f);
  const std::vector<Step> stars = in_mm(dev, dev.take());
  PLOT_TEXT("****", 50.0f, 60.0f, 2.0f, 3.0f, 0.0f);
  expect_same_trace(stars, in_mm(dev, dev.take()), 0.0);
}

TEST(Numbers, AlignRightOrCentre) {
  RecordingDevice dev;
  NUMBER_XY_ANG(50.0f, 60.0f, 3.1f, 6, 1, 2.0f, 3.0f, false, true, 0.0f);
  const std::vector<Step> right = in_mm(dev, dev.take());
  PLOT_TEXT("3.1", 50.0f - 9.0f, 60.0f, 2.0f, 3.0f, 0.0f);
  expect_same_trace(right, in_mm(dev, dev.take()));

  NUMBER_XY_ANG(50.0f, 60.0f, 3.1f, 6, 1, 2.0f, 3.0f, false, true, 90.0f);
  const std::vector<Step> right_up = in_mm(dev, dev.take());
  PLOT_TEXT("3.1", 50.0f, 60.0f - 9.0f, 2.0f, 3.0f, 90.0f);
  expect_same_trace(right_up, in_mm(dev, dev.take()));

  NUMBER_XY_ANG(50.0f, 60.0f, 3.1f, 6, 1, 2.0f, 3.0f, true, true, 0.0f);
  const std::vector<Step> centred = in_mm(dev, dev.take());
  PLOT_TEXT_C("3.1", 50.0f, 60.0f, 2.0f, 3.0f, 0.0f);
  expect_same_trace(centred, in_mm(dev, dev.take()), 0.0);
}

}  // namespace
}  // namespace spindra
