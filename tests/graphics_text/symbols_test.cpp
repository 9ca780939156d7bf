#include "graphics/text/symbols.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "graphics/text/stroke_font.h"
#include "test_support.h"

namespace spindra {
namespace {

using text_test::CanvasLibrary;
using text_test::DeviceCall;
using text_test::RecordingDevice;

TEST(Nospace, SqueezesOutEveryBlank) {
  FixedText<10> t(" 3. 1  x");
  NOSPACE(t);
  EXPECT_EQ(t.view(), "3.1x      ");
  FixedText<4> blank;
  NOSPACE(blank);
  EXPECT_EQ(blank.view(), "    ");
  FixedText<3> full("abc");
  NOSPACE(full);
  EXPECT_EQ(full.view(), "abc");
}

TEST(Degrees, SineAndCosineOfDegrees) {
  EXPECT_EQ(SIND(0.0f), 0.0f);
  EXPECT_EQ(COSD(0.0f), 1.0f);
  EXPECT_EQ(SIND(90.0f), 1.0f);
  EXPECT_NEAR(COSD(90.0f), 0.0f, 1e-7f);  // pi / 2 as a 32-bit value is a hair long
  EXPECT_LT(COSD(90.0f), 0.0f);
  EXPECT_FLOAT_EQ(SIND(30.0f), 0.5f);
  EXPECT_FLOAT_EQ(COSD(60.0f), 0.5f);
  EXPECT_FLOAT_EQ(SIND(-45.0f), -std::sqrt(0.5f));
  EXPECT_FLOAT_EQ(COSD(180.0f), -1.0f);
  for (float a = -720.0f; a <= 720.0f; a += 7.5f) {
    EXPECT_NEAR(SIND(a) * SIND(a) + COSD(a) * COSD(a), 1.0f, 1e-6f) << a;
  }
}

using M3 = std::array<std::array<double, 3>, 3>;
M3 mul(const M3& a, const M3& b) {
  M3 c{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) c[i][j] += a[i][k] * b[k][j];
  return c;
}

// The transform is a shift after rotations about x, then y, then z, after
// scaling by XSC, YSC and a mirrored ZSC.
TEST(TransformBuilder, RotatesAboutTheThreeAxesAfterScaling) {
  const double d = M_PI / 180.0;
  for (const auto& [tx, ty, tz] :
       {std::array<float, 3>{0, 0, 30}, {20, 0, 0}, {0, -35, 0}, {15, 40, 110}, {-70, 10, 200}}) {
    float xs = 2.0f, ys = 3.0f, zs = 0.5f;
    TransformMatrix t;
    SET_1_TR_MAT(tx, ty, tz, 5.0f, 6.0f, 7.0f, xs, ys, zs, t);
    const double cx = std::cos(tx * d), sx = std::sin(tx * d);
    const double cy = std::cos(ty * d), sy = std::sin(ty * d);
    const double cz = std::cos(tz * d), sz = std::sin(tz * d);
    const M3 rx = {{{1, 0, 0}, {0, cx, -sx}, {0, sx, cx}}};
    const M3 ry = {{{cy, 0, sy}, {0, 1, 0}, {-sy, 0, cy}}};
    const M3 rz = {{{cz, -sz, 0}, {sz, cz, 0}, {0, 0, 1}}};
    const M3 scale = {{{2, 0, 0}, {0, 3, 0}, {0, 0, -0.5}}};
    const M3 want = mul(mul(mul(rz, ry), rx), scale);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) EXPECT_NEAR(t(i + 1, j + 1), want[i][j], 1e-6) << i << j;
    EXPECT_EQ(t(1, 4), 5.0f);
    EXPECT_EQ(t(2, 4), 6.0f);
    EXPECT_EQ(t(3, 4), 7.0f);
    EXPECT_EQ(t(4, 1), 0.0f);
    EXPECT_EQ(t(4, 2), 0.0f);
    EXPECT_EQ(t(4, 3), 0.0f);
    EXPECT_EQ(t(4, 4), 1.0f);
  }
}

TEST(TransformBuilder, ZeroScalesAreReplacedInTheCallersVariables) {
  float xs = 0.0f, ys = 0.0f, zs = 0.0f;
  TransformMatrix t;
  SET_1_TR_MAT(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, xs, ys, zs, t);
  EXPECT_EQ(xs, 1.0f);
  EXPECT_EQ(ys, 1.0f);
  EXPECT_EQ(zs, -1.0f);
  EXPECT_EQ(t(1, 1), 1.0f);
  EXPECT_EQ(t(2, 2), 1.0f);
  EXPECT_EQ(t(3, 3), 1.0f);  // z mirrored twice
  float small = -0.0f;       // a negative zero is zero too
  float one = 1.0f;
  SET_1_TR_MAT(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, small, one, one, t);
  EXPECT_EQ(small, 1.0f);
}

TEST(SymbolScale, SetsTheFactorAndTheKernelStartResetsIt) {
  SYMBOL_SCALE(2.0f);
  EXPECT_EQ(display::SSCALE, 2.0f);
  install_window_device();
  GSLINI(gsl::kCodeRegion1, 0);
  EXPECT_EQ(display::SSCALE, 1.0f);
  set_display_device(nullptr);
}

TEST(Square, StepsAroundItsCentreInDeviceUnits) {
  RecordingDevice dev(2);  // 594 x 420 device units
  SQUARE(100.0f, 50.0f);   // device (200, 100)
  const std::vector<DeviceCall> want = {{false, 200, 100}, {false, 203, 103}, {true, 203, 97},
                                        {true, 197, 97},   {true, 197, 103},  {true, 203, 103},
                                        {false, 200, 100}};
  EXPECT_EQ(dev.take(), want);
  EXPECT_EQ(gsl::IQABSL, 1);  // back in absolute mode
  EXPECT_EQ(gsl::IQCURX, 200);
  EXPECT_EQ(gsl::IQCURY, 100);
}

TEST(Square, DropsCornersOffTheDevice) {
  RecordingDevice dev(2);
  SQUARE(0.0f, 50.0f);  // device (0, 100): the steps to the left corners fall off
  // and the next steps go on from the last corner kept.
  const std::vector<DeviceCall> want = {{false, 0, 100}, {false, 3, 103}, {true, 3, 97},
                                        {true, 3, 103},  {true, 9, 103},  {false, 6, 100}};
  EXPECT_EQ(dev.take(), want);
  EXPECT_EQ(gsl::IQABSL, 1);
  // A centre off the paper draws nothing, rather than a square on the
  // border; the pen is at the centre all the same.
  SQUARE(-10.0f, 50.0f);
  SQUARE(100.0f, 215.0f);
  for (const DeviceCall& c : dev.take()) EXPECT_FALSE(c.draw) << "a stroke at the border";
  EXPECT_EQ(gsl::RQCURY, 215.0f);
}

// The squares on a pixel canvas, drawn by the display layer.
class SquarePixels : public ::testing::Test {
 protected:
  void SetUp() override {
    set_display_device(nullptr);
    set_window_library(&canvas);
    open_graphics_region(594, 420);
    gsl::IDRAW = 0;
    COLOUR(4);
  }
  void TearDown() override { set_window_library(nullptr); }

  struct Box {
    int left = 9999, right = -1, top = 9999, bottom = -1, count = 0;
  };
  Box painted() const {
    Box b;
    for (int y = 0; y < canvas.height; ++y) {
      for (int x = 0; x < canvas.width; ++x) {
        if (canvas.at(x, y) == 15) continue;
        EXPECT_EQ(canvas.at(x, y), 4);
        b.left = std::min(b.left, x);
        b.right = std::max(b.right, x);
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
        ++b.count;
      }
    }
    return b;
  }

  CanvasLibrary canvas{594, 420};
};

// Centre (100 mm, 50 mm) is device (200, 100), pixel column 200, row 419 - 100.
TEST_F(SquarePixels, SixPixelsAcrossAtScaleOne) {
  SQUARE(100.0f, 50.0f);
  const Box b = painted();
  EXPECT_EQ(b.left, 197);
  EXPECT_EQ(b.right, 203);
  EXPECT_EQ(b.top, 319 - 3);
  EXPECT_EQ(b.bottom, 319 + 3);
  EXPECT_EQ(b.count, 24);  // an outline only
  EXPECT_EQ(canvas.at(200, 319), 15);
}

TEST_F(SquarePixels, TwelvePixelsAcrossAtScaleTwo) {
  SYMBOL_SCALE(2.0f);
  SQUARE(100.0f, 50.0f);
  SYMBOL_SCALE(1.0f);
  const Box b = painted();
  EXPECT_EQ(b.right - b.left, 12);
  EXPECT_EQ(b.bottom - b.top, 12);
  EXPECT_EQ(b.left, 194);
  EXPECT_EQ(b.top, 313);
}

TEST_F(SquarePixels, ThreePixelsAcrossAndOffCentreAtScaleHalf) {
  SYMBOL_SCALE(0.5f);
  SQUARE(100.0f, 50.0f);
  SYMBOL_SCALE(1.0f);
  const Box b = painted();
  // Two pixels right of and above the centre, one left of and below it.
  EXPECT_EQ(b.left, 200 - 1);
  EXPECT_EQ(b.right, 200 + 2);
  EXPECT_EQ(b.top, 319 - 2);
  EXPECT_EQ(b.bottom, 319 + 1);
}

// Every glyph drawn through the kernel and the display layer onto a canvas
// stays inside its character cell.  With SPINDRA_FONT_SHEET set to a file
// name, the sheet of all glyphs and some sample texts is written there as a
// PPM image; docs/stroke-font.png is made from it:
//   SPINDRA_FONT_SHEET=/tmp/sheet.ppm build/tests/test_graphics_text --gtest_filter='FontSheet.*'
//   convert /tmp/sheet.ppm -strip docs/stroke-font.png
TEST(FontSheet, EveryGlyphStaysInItsCell) {
  constexpr int kCols = 19, kRows = 10;
  constexpr int kCellW = 64, kCellH = 90;  // pixels per cell
  constexpr int kBase = 62;                // base line below the cell's top
  constexpr int kSamples = 230;            // pixel rows of sample texts under the glyphs
  constexpr int kW = kCols * kCellW + 20, kH = kRows * kCellH + 20 + kSamples;
  CanvasLibrary canvas(kW, kH);
  install_window_device();
  set_window_library(&canvas);
  // One pixel per 0.1 mm.
  PREPARE_GRAPH_WINDOW(1);
  SET_WINDOWS_SIZE(kW, kH, kW / 10.0f, kH / 10.0f, 0);
  GSLINI(900000, 0);
  SELECT_GRAPH_WINDOW(1);
  gsl::IDRAW = 0;

  const float width = 3.2f, height = 4.8f;  // mm: 32 x 48 pixels for a capital
  for (int g = 1; g <= kGlyphs; ++g) {
    const int col = (g - 1) % kCols, row = (g - 1) / kCols;
    const float x = (10 + col * kCellW + 16) / 10.0f;
    const float y = (kH - 1 - (10 + row * kCellH + kBase)) / 10.0f;
    SYMBOL_SCALE(1.0f);
    // Faint guides: the base line and the capital height.
    COLOUR(7);
    MOVTO2(x, y);
    LINTO2(x + width, y);
    MOVTO2(x, y + height);
    LINTO2(x + width, y + height);
    COLOUR(g > 95 ? 1 : 0);
    const char c = glyph_source(g).place;
    const std::string text = (g > 95 ? "{{" : "") + std::string(1, c);
    PLOT_TEXT(text, x, y, width, height, 0.0f);
  }
  // Samples under the glyphs: scripts, the Greek set, angles, label size.
  const float top = kSamples / 10.0f;
  COLOUR(7);
  MOVTO2(1.0f, top + 0.5f);
  LINTO2(kW / 10.0f - 1.0f, top + 0.5f);
  COLOUR(4);
  PLOT_TEXT("f[[1]] = 1234.5 vpm   {{w}} = 2{{p}}f", 2.6f, top - 5.5f, 1.6f, 2.4f, 0.0f);
  PLOT_TEXT("x]]2[[ + y]]2[[   {{Dj}} = 0.25{{w}}   {{S}} M[[i]]", 2.6f, top - 11.5f, 1.6f, 2.4f,
            0.0f);
  COLOUR(1);
  NUMBER_XY_ANG(2.6f, top - 18.5f, 3.1f, 4, 1, 1.5f, 2.25f, false, false, 0.0f);
  PLOT_TEXT("labels: 1.5 x 2.25 mm", 11.0f, top - 18.5f, 1.5f, 2.25f, 0.0f);
  COLOUR(2);
  for (int i = 0; i < 3; ++i) {
    SYMBOL_SCALE(0.5f * static_cast<float>(1 << i));
    SQUARE(65.0f + 3.0f * static_cast<float>(i), top - 17.5f);
  }
  SYMBOL_SCALE(1.0f);
  COLOUR(4);
  for (int a = 0; a <= 90; a += 30) {
    PLOT_TEXT(" angle " + std::to_string(a), 84.0f, top - 22.0f, 1.5f, 2.25f,
              static_cast<float>(a));
  }

  if (const char* path = std::getenv("SPINDRA_FONT_SHEET")) {
    EXPECT_TRUE(canvas.write_ppm(path));
  }
  set_window_library(nullptr);

  // Inked pixels of each cell lie between the grid's lowest and highest
  // points and inside the cell's width.
  for (int g = 1; g <= kGlyphs; ++g) {
    const int col = (g - 1) % kCols, row = (g - 1) / kCols;
    const int left = 10 + col * kCellW + 16;
    const int base_row = 10 + row * kCellH + kBase;  // canvas rows run down
    int inked = 0;
    for (int py = 10 + row * kCellH; py < 10 + (row + 1) * kCellH; ++py) {
      for (int px = 10 + col * kCellW; px < 10 + (col + 1) * kCellW; ++px) {
        const int colour = canvas.at(px, py);
        if (colour != 0 && colour != 1) continue;
        ++inked;
        EXPECT_GE(px, left) << "glyph " << g;
        EXPECT_LE(px, left + 32) << "glyph " << g;
        EXPECT_GE(py, base_row - 51) << "glyph " << g;  // a little over a capital
        EXPECT_LE(py, base_row + 18) << "glyph " << g;  // the foot of a descender
      }
    }
    if (g != 1 && g != 96) {
      EXPECT_GT(inked, 3) << "glyph " << g;
    }
  }
}

}  // namespace
}  // namespace spindra
