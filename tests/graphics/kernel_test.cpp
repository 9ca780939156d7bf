// The graphics kernel against the recording display device: start-up,
// mappings, clipping and the pen state, relative device steps, cursor input.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <utility>

#include "tests/graphics/recording_device.h"

namespace spindra {
namespace {

using namespace gsl;
using test_support::Draw;
using test_support::Init;
using test_support::KernelOnRegion;
using test_support::Move;
using test_support::Pen;
using test_support::Recorder;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// ---------------------------------------------------------------- start-up

class StartUp : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorder::install();
    test_support::reset_kernel(594, 420);
  }
  void TearDown() override { set_display_device(nullptr); }
};

TEST_F(StartUp, WindowDeviceTakesTheRegionSizeAndPaper) {
  GSLINI(900000, 0);
  EXPECT_EQ(IQDEVC, 900000);
  EXPECT_EQ(NDEVIC, 24);
  EXPECT_EQ(IQMINX, 0);
  EXPECT_EQ(IQMAXX, 594);
  EXPECT_EQ(IQMAXY, 420);
  EXPECT_FLOAT_EQ(RQMAXX, 297.0f);
  EXPECT_FLOAT_EQ(RQMAXY, 210.0f);
  EXPECT_FLOAT_EQ(RQX, 594.0f / 297.0f);
  EXPECT_FLOAT_EQ(RQY, 420.0f / 210.0f);
  EXPECT_EQ(RQLCLX, 0.0f);
  EXPECT_EQ(RQMCLX, 297.0f);
  EXPECT_EQ(RQLCLY, 0.0f);
  EXPECT_EQ(RQMCLY, 210.0f);
  Transform identity;
  TMQIDN(identity.data());
  EXPECT_EQ(RQMAT2, identity);
  EXPECT_EQ(IOPT, 0);
  EXPECT_EQ(IQABSL, 1);
  EXPECT_EQ(LUNOUT, 6);
  EXPECT_EQ(LUNIN, 5);
  EXPECT_EQ(IQVRNO(1), 49);
  EXPECT_EQ(IQLBYT(4), 99999);
  EXPECT_EQ(IPQQGS, 29);
  EXPECT_THAT(Recorder::calls, ElementsAre(Init(90)));
}

TEST_F(StartUp, UnknownCodeFallsBackToThe1015Terminal) {
  GSLINI(123456, 0);
  EXPECT_EQ(IQDEVC, 1015);
  EXPECT_EQ(NDEVIC, 2);
  EXPECT_EQ(IQMAXX, 1023);
  EXPECT_EQ(IQMAXY, 783);
  EXPECT_FLOAT_EQ(RQMAXX, 265.0f);
  EXPECT_FLOAT_EQ(RQMAXY, 203.0f);
  EXPECT_THAT(Recorder::calls, IsEmpty());
}

TEST_F(StartUp, AddressOptionRules) {
  GSLINI(1015, 3);
  EXPECT_EQ(IOPT, 2);
  GSLINI(1015, 1);
  EXPECT_EQ(IOPT, 1);
  GSLINI(4662, 0);
  EXPECT_EQ(IOPT, 2);
  GSLINI(4662, 1);
  EXPECT_EQ(IOPT, 2);
  GSLINI(3, 0);
  EXPECT_EQ(IOPT, 2);
}

TEST_F(StartUp, PresetChannelsAreKept) {
  LUNOUT = 9;
  LUNIN = 11;
  GSLINI(900000, 0);
  EXPECT_EQ(LUNOUT, 9);
  EXPECT_EQ(LUNIN, 11);
}

TEST_F(StartUp, BufferedTerminalsAndPrinterOrientation) {
  GSLINI(2015, 0);
  EXPECT_EQ(IQABUF, 1);
  GSLINI(2014, 0);
  EXPECT_EQ(IQABUF, 0);
  GSLINI(999009, 0);
  EXPECT_EQ(IPAPER_DIR, 1);
  EXPECT_TRUE(PRINTER_ENGAGED);
  EXPECT_THAT(Recorder::calls, ElementsAre(Init(99)));
}

TEST_F(StartUp, FullScreenModesFallBackToSmallerOnes) {
  Recorder::init_answer = [](int32_t mode) { return mode == 102 ? 100 : mode == 100 ? 18 : mode; };
  GSLINI(102768, 0);
  EXPECT_EQ(IQDEVC, 640480);
  EXPECT_EQ(IQMAXX, 639);
  EXPECT_EQ(IQMAXY, 479);
  EXPECT_THAT(Recorder::calls, ElementsAre(Init(102), Init(100), Init(18)));
}

TEST_F(StartUp, ADisplayLayerThatNeverAgreesDoesNotHangStartUp) {
  Recorder::init_answer = [](int32_t mode) { return mode + 1; };
  GSLINI(640200, 0);
  EXPECT_EQ(IQDEVC, 640200);
  EXPECT_LE(Recorder::calls.size(), 4u);
}

// --------------------------------------------------------------- mappings

TEST(Transformations, IdentityMapsPointsToThemselves) {
  Transform m;
  TMQIDN(m.data());
  float x = 0, y = 0, z = 7;
  TMQNEW(m.data(), 12.5f, -3.25f, 0.0f, x, y, z);
  EXPECT_EQ(x, 12.5f);
  EXPECT_EQ(y, -3.25f);
  EXPECT_EQ(z, 0.0f);
  TMQWRL(m.data(), 12.5f, -3.25f, x, y);
  EXPECT_EQ(x, 12.5f);
  EXPECT_EQ(y, -3.25f);
}

TEST(Transformations, EdgesOfThePaperMapBackToPlainZeros) {
  // The lower-left pixel of a region is the user point (0, 0): a negative
  // zero there would reach snapped node positions and the model file.
  Transform m;
  TMQIDN(m.data());
  for (auto [xs, ys] : {std::pair{0.0f, 0.0f}, std::pair{0.0f, 35.0f}, std::pair{120.0f, 0.0f}}) {
    float x = 1, y = 1;
    TMQWRL(m.data(), xs, ys, x, y);
    EXPECT_EQ(x, xs);
    EXPECT_EQ(y, ys);
    EXPECT_FALSE(std::signbit(x)) << xs << ", " << ys;
    EXPECT_FALSE(std::signbit(y)) << xs << ", " << ys;
  }
}

TEST(Transformations, InverseUndoesARotatedScaledShiftedMatrix) {
  Transform m;
  TMQIDN(m.data());
  // x' = 2x - y + 10, y' = x + 3y - 4 (translation in row 4).
  m(1, 1) = 2;
  m(2, 1) = -1;
  m(4, 1) = 10;
  m(1, 2) = 1;
  m(2, 2) = 3;
  m(4, 2) = -4;
  float xp, yp, zp, xu = 0, yu = 0;
  TMQNEW(m.data(), 5.0f, 7.0f, 0.0f, xp, yp, zp);
  EXPECT_FLOAT_EQ(xp, 13.0f);
  EXPECT_FLOAT_EQ(yp, 22.0f);
  TMQWRL(m.data(), xp, yp, xu, yu);
  EXPECT_NEAR(xu, 5.0f, 1e-5);
  EXPECT_NEAR(yu, 7.0f, 1e-5);
}

TEST(Transformations, SingularMatrixLeavesOutputsAlone) {
  Transform m;  // all zero
  float x = 1.5f, y = 2.5f;
  TMQWRL(m.data(), 100.0f, 100.0f, x, y);
  EXPECT_EQ(x, 1.5f);
  EXPECT_EQ(y, 2.5f);
}

TEST(Transformations, CopySaveAndRestore) {
  Transform a, b;
  for (int k = 0; k < 16; ++k) a.data()[k] = static_cast<float>(k);
  TMQCPY(a.data(), b.data());
  EXPECT_EQ(a, b);
  const Transform kept = RQMAT2;
  TRREST(a.data());
  EXPECT_EQ(RQMAT2, a);
  Transform saved;
  TRSAVE(saved.data());
  EXPECT_EQ(saved, a);
  RQMAT2 = kept;
}

TEST(Transformations, RelativeSwitch) {
  RELTIV(1);
  EXPECT_EQ(IQABSL, 0);
  RELTIV(0);
  EXPECT_EQ(IQABSL, 1);
  RELTIV(1);
  RELTIV(2);
  EXPECT_EQ(IQABSL, 1);
}

TEST_F(StartUp, PaperToDeviceRoundsHalvesUpAndClamps) {
  test_support::reset_kernel(297, 210);  // one pixel per millimetre
  GSLINI(900000, 0);
  int32_t ix = -1, iy = -1;
  CURGSL(1.49f, 0.0f, ix, iy);
  EXPECT_EQ(ix, 1);
  CURGSL(1.51f, 0.0f, ix, iy);
  EXPECT_EQ(ix, 2);
  CURGSL(-5.0f, 500.0f, ix, iy);
  EXPECT_EQ(ix, 0);
  EXPECT_EQ(iy, 210);
  CURGSL(400.0f, -1.0e30f, ix, iy);
  EXPECT_EQ(ix, 297);
  EXPECT_EQ(iy, 0);
}

TEST_F(KernelOnRegion, DeviceToPaperAndBackStaysWithinHalfAUnit) {
  for (float x = 0.0f; x <= 297.0f; x += 1.37f) {
    for (float y = 0.0f; y <= 210.0f; y += 2.11f) {
      int32_t ix, iy;
      float px, py;
      CURGSL(x, y, ix, iy);
      CRUGSL(ix, iy, px, py);
      ASSERT_LE(std::fabs(px - x), 0.5f / RQX + 1e-4f) << x;
      ASSERT_LE(std::fabs(py - y), 0.5f / RQY + 1e-4f) << y;
    }
  }
  float x, y;
  CRUGSL(594, 420, x, y);
  EXPECT_FLOAT_EQ(x, 297.0f);
  EXPECT_FLOAT_EQ(y, 210.0f);
}

// ----------------------------------------------------------- line output

TEST_F(KernelOnRegion, FirstDrawAfterStartUpIsAMove) {
  VECTO2(50.0f, 60.0f, 1);
  EXPECT_THAT(calls(), ElementsAre(Move(100, 120)));
  VECTO2(60.0f, 60.0f, 1);
  EXPECT_THAT(calls(), ElementsAre(Move(100, 120), Draw(120, 120)));
}

TEST_F(KernelOnRegion, RegionMappingExample) {
  VECTO2(10.0f, 10.0f, 0);
  VECTO2(100.0f, 50.0f, 1);
  EXPECT_THAT(calls(), ElementsAre(Move(20, 20), Draw(200, 100)));
  EXPECT_EQ(IQCURX, 200);
  EXPECT_EQ(IQCURY, 100);
  EXPECT_EQ(RQCLPX, 100.0f);
  EXPECT_EQ(IDRAW, 1);
}

TEST_F(KernelOnRegion, DrawStartingLeftOfThePaperBeginsAtTheEdge) {
  VECTO2(-10.0f, 100.0f, 0);
  calls().clear();
  VECTO2(100.0f, 100.0f, 1);
  EXPECT_THAT(calls(), ElementsAre(Move(0, 200), Draw(200, 200)));
}

TEST_F(KernelOnRegion, LeavingAndReEnteringThePaper) {
  VECTO2(100.0f, 100.0f, 0);
  VECTO2(400.0f, 100.0f, 1);
  EXPECT_THAT(calls(), ElementsAre(Move(200, 200), Draw(594, 200)));
  calls().clear();
  VECTO2(400.0f, 150.0f, 1);
  EXPECT_THAT(calls(), IsEmpty());
  VECTO2(100.0f, 150.0f, 1);
  EXPECT_THAT(calls(), ElementsAre(Move(594, 300), Draw(200, 300)));
}

TEST_F(KernelOnRegion, InvisibleSegmentsChangeNothingButTheUserPoint) {
  VECTO2(50.0f, 50.0f, 0);
  calls().clear();
  VECTO2(-20.0f, 30.0f, 0);  // leaves at the left edge: a move there
  calls().clear();
  const int32_t idraw = IDRAW, ix = IQCURX, iy = IQCURY;
  VECTO2(-30.0f, 90.0f, 1);  // both ends left of the window
  VECTO2(-30.0f, 300.0f, 1);
  VECTO2(10.0f, 320.0f, 1);  // both ends above
  EXPECT_THAT(calls(), IsEmpty());
  EXPECT_EQ(IDRAW, idraw);
  EXPECT_EQ(IQCURX, ix);
  EXPECT_EQ(IQCURY, iy);
  EXPECT_EQ(RQCURX, 10.0f);
  EXPECT_EQ(RQCURY, 320.0f);
}

TEST_F(KernelOnRegion, SegmentPassingBelowTheCornerIsRejectedAfterOneStep) {
  float x1 = 99, y1 = 99, x2 = 99, y2 = 99;
  EXPECT_FALSE(CLPGSL(-10.0f, 5.0f, 5.0f, -10.0f, x1, y1, x2, y2, 0.0f, 297.0f, 0.0f, 210.0f));
  EXPECT_FLOAT_EQ(x1, 0.0f);  // the start moved once, to the left edge, below the window
  EXPECT_FLOAT_EQ(y1, -5.0f);
  EXPECT_FLOAT_EQ(x2, 5.0f);
  EXPECT_FLOAT_EQ(y2, -10.0f);
  VECTO2(-10.0f, 5.0f, 0);
  calls().clear();
  VECTO2(5.0f, -10.0f, 1);
  EXPECT_THAT(calls(), IsEmpty());
}

TEST_F(KernelOnRegion, PointOnTheEdgeIsInside) {
  EXPECT_EQ(CODGSL(0.0f, 210.0f, 0.0f, 297.0f, 0.0f, 210.0f), 0);
  EXPECT_EQ(CODGSL(-0.001f, 5.0f, 0.0f, 297.0f, 0.0f, 210.0f), 1);
  EXPECT_EQ(CODGSL(300.0f, -1.0f, 0.0f, 297.0f, 0.0f, 210.0f), 6);
  EXPECT_EQ(CODGSL(-1.0f, 211.0f, 0.0f, 297.0f, 0.0f, 210.0f), 9);
  VECTO2(0.0f, 50.0f, 0);
  VECTO2(0.0f, 100.0f, 1);
  EXPECT_THAT(calls(), ElementsAre(Move(0, 100), Draw(0, 200)));
}

TEST(Clipping, CornerCodesAreResolvedAgainstTheSideEdgeFirst) {
  float x1, y1, x2, y2;
  // Start above and left (code 9): first to the left edge, then to the top.
  ASSERT_TRUE(CLPGSL(-10.0f, 300.0f, 100.0f, 100.0f, x1, y1, x2, y2, 0.0f, 297.0f, 0.0f, 210.0f));
  EXPECT_NEAR(x1, 39.5f, 1e-4);
  EXPECT_FLOAT_EQ(y1, 210.0f);
  EXPECT_EQ(x2, 100.0f);
  EXPECT_EQ(y2, 100.0f);
  // Both ends outside on different sides: both are moved onto the line.
  ASSERT_TRUE(CLPGSL(-100.0f, 0.0f, 400.0f, 200.0f, x1, y1, x2, y2, 0.0f, 297.0f, 0.0f, 210.0f));
  EXPECT_FLOAT_EQ(x1, 0.0f);
  EXPECT_NEAR(y1, 40.0f, 1e-4);
  EXPECT_FLOAT_EQ(x2, 297.0f);
  EXPECT_NEAR(y2, 158.8f, 1e-3);
}

TEST(Clipping, IntersectionsAreWorkedInSinglePrecision) {
  // Worked in 64 bits this crossing rounds to 89.0821609, one float step
  // lower, enough to move a pixel on some segments.
  float x1, y1, x2, y2;
  ASSERT_TRUE(CLPGSL(-149.5f, 1.0f, 100.0f, 148.0f, x1, y1, x2, y2, 0.0f, 297.0f, 0.0f, 210.0f));
  const float dx = 249.5f, dy = 147.0f, t = 149.5f / dx;
  EXPECT_EQ(x1, 0.0f);
  EXPECT_EQ(y1, 1.0f + dy * t);
  EXPECT_EQ(y1, 89.0821686f);
}

TEST(Clipping, ClippedEndsLieOnTheSegmentAndInTheWindow) {
  // Independent check over a spread of segments: the visible part lies on the
  // original line, inside the window, and a fully hidden one is rejected.
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<float>((seed >> 8) % 6000) / 10.0f - 150.0f;
  };
  for (int n = 0; n < 2000; ++n) {
    const float ax = next(), ay = next(), bx = next(), by = next();
    float x1, y1, x2, y2;
    if (!CLPGSL(ax, ay, bx, by, x1, y1, x2, y2, 0.0f, 297.0f, 0.0f, 210.0f)) continue;
    for (auto [x, y] : {std::pair{x1, y1}, std::pair{x2, y2}}) {
      ASSERT_GE(x, -1e-3f);
      ASSERT_LE(x, 297.001f);
      ASSERT_GE(y, -1e-3f);
      ASSERT_LE(y, 210.001f);
      const double cross =
          (static_cast<double>(bx) - ax) * (y - ay) - (static_cast<double>(by) - ay) * (x - ax);
      const double len = std::hypot(bx - ax, by - ay);
      ASSERT_LE(std::fabs(cross) / len, 1e-2) << ax << " " << ay << " " << bx << " " << by;
    }
  }
}

TEST_F(KernelOnRegion, RelativeDeviceStepsDropOffDevicePoints) {
  VECTOR(10, 10, 0);
  RELTIV(1);
  VECTOR(5, 0, 1);
  EXPECT_THAT(calls(), ElementsAre(Move(10, 10), Draw(15, 10)));
  calls().clear();
  VECTOR(1000, 0, 1);  // would leave the device: ignored
  VECTOR(0, -100, 0);  // a move off the device: no pen-up either
  EXPECT_THAT(calls(), IsEmpty());
  EXPECT_EQ(IQCURX, 15);
  EXPECT_EQ(IQCURY, 10);
  VECTOR(0, 5, 1);
  EXPECT_THAT(calls(), ElementsAre(Draw(15, 15)));
  RELTIV(0);
  // The user point follows the device point, on the pixel grid.
  EXPECT_FLOAT_EQ(RQCURX, 7.5f);
  EXPECT_FLOAT_EQ(RQCURY, 7.5f);
  EXPECT_FLOAT_EQ(RQTRAX, 7.5f);
  calls().clear();
  VECTO2(20.0f, 7.5f, 1);
  EXPECT_THAT(calls(), ElementsAre(Draw(40, 15)));
}

TEST_F(KernelOnRegion, ColourSelection) {
  // Colours 0 to 15 go through the device's pen map, others pass unchanged.
  SELCOM(4);
  SELCOM(16);
  SELCOM(15);
  EXPECT_THAT(calls(), ElementsAre(Pen(104), Pen(16), Pen(115)));
  EXPECT_EQ(IQCSEL, 15);
  EXPECT_EQ(IQCMOD, 1);
}

// ----------------------------------------------------------- cursor input

TEST_F(KernelOnRegion, CursorOnTheWindowDevice) {
  Recorder::mouse_x = 100;
  Recorder::mouse_y = 40;
  Recorder::mouse_key = 32;
  char ch = 0;
  int32_t irx, iry;
  float rx, ry;
  IQGINM = 1;
  CURSI2(ch, irx, iry, rx, ry);
  EXPECT_EQ(ch, ' ');
  EXPECT_EQ(irx, 100);
  EXPECT_EQ(iry, 40);
  EXPECT_FLOAT_EQ(rx, 50.0f);
  EXPECT_FLOAT_EQ(ry, 20.0f);
  EXPECT_EQ(IQGINM, 0);
  Recorder::mouse_x = 0;
  Recorder::mouse_y = 0;
  int32_t key;
  CURSIN(key, irx, iry, rx, ry);
  EXPECT_EQ(rx, 0.0f);
  EXPECT_EQ(ry, 0.0f);
  Recorder::mouse_x = 594;
  Recorder::mouse_y = 420;
  CURSIN(key, irx, iry, rx, ry);
  EXPECT_FLOAT_EQ(rx, 297.0f);
  EXPECT_FLOAT_EQ(ry, 210.0f);
  EXPECT_THAT(calls(), IsEmpty());  // no drawing
}

}  // namespace
}  // namespace spindra

namespace spindra {
namespace {

TEST(PrinterStartUp, PageSizeComesFromTheDisplayLayer) {
  test_support::Recorder::install();
  test_support::reset_kernel(594, 420);
  GSLINI(999550, 0);
  EXPECT_EQ(gsl::IQDEVC, 999550);
  EXPECT_EQ(gsl::IQMAXX, 1999);
  EXPECT_EQ(gsl::IQMAXY, 1499);
  EXPECT_EQ(gsl::IPAPER_DIR, 3);
  EXPECT_TRUE(gsl::PRINTER_ENGAGED);
  EXPECT_EQ(test_support::Recorder::calls.front(), test_support::Init(95));
  set_display_device(nullptr);
  gsl::IPAPER_DIR = 0;
}

}  // namespace
}  // namespace spindra
