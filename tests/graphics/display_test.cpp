// The display layer on an in-memory window library: region sizing, opening
// the region, lines and their end pixels with the y flip, fills, line widths,
// the matrix product, and mouse read-back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "tests/graphics/recording_device.h"

namespace spindra {
namespace {

using namespace display;
using ::testing::ElementsAre;

// ------------------------------------------------------------ region size

TEST(RegionSize, FromScreenAndSystemFont) {
  RegionSize r = region_size(1920, 1080, 16);
  EXPECT_EQ(r.XRES, 1110);
  EXPECT_EQ(r.YRES, 911);
  EXPECT_EQ(r.FONT_SCALING, 1.0);
  // Screens of 1280 x 1024 or more all give IXRES 1126, IYRES 1024.
  for (auto [w, h] : {std::pair{1280, 1024}, std::pair{2560, 1440}, std::pair{3840, 2160}}) {
    r = region_size(w, h, 16);
    EXPECT_EQ(r.XRES, 1126 - 16);
    EXPECT_EQ(r.YRES, 1024 - 4 * 20 - 33);
  }
  // The product is truncated after it is formed: 800 wide gives 703.
  EXPECT_EQ(region_size(800, 600, 10).XRES, 703 - 10);
  EXPECT_EQ(region_size(1024, 759, 16).YRES, 669);
  EXPECT_EQ(region_size(1024, 760, 16).YRES, 647);
  r = region_size(1280, 1024, 17);
  EXPECT_EQ(r.XRES, 1126 - 21);
  EXPECT_EQ(r.YRES, 1024 - 4 * 21 - 33);
  EXPECT_EQ(r.FONT_SCALING, 0.800000011920929);
}

TEST(RegionSize, FromTheWindowLibrary) {
  MemoryWindowLibrary lib(10, 10);
  lib.screen_w = 1920;
  lib.screen_h = 1080;
  lib.font.height = 20;
  set_window_library(&lib);
  const RegionSize r = region_size_from_screen();
  set_window_library(nullptr);
  EXPECT_EQ(r.XRES, 1126 - 24);
  EXPECT_EQ(r.YRES, 1024 - 4 * 24 - 33);
}

// --------------------------------------------------------- the open region

class Region : public ::testing::Test {
 protected:
  static constexpr int W = 594, H = 420;
  Region() : lib(W, H) {}
  void SetUp() override {
    set_display_device(nullptr);
    set_window_library(&lib);
    test_support::reset_kernel(1, 1);
    LINE_WIDTH = 0;
    window_callback1 = nullptr;
    open_graphics_region(W, H);
  }
  void TearDown() override {
    set_window_library(nullptr);
    window_callback1 = [] { return 2; };
  }
  MemoryWindowLibrary lib;
};

TEST_F(Region, OpeningAddsTheRegionToTheLayout) {
  ASSERT_EQ(lib.pieces.size(), 4u);
  EXPECT_EQ(lib.pieces[0].layout, "%ff&");
  EXPECT_EQ(lib.pieces[1].layout, " &");
  EXPECT_EQ(lib.pieces[2].layout, "%ob[no_border]&");
  const auto& region = lib.pieces[3];
  EXPECT_EQ(region.layout, "%`^gr[full_mouse_input,white]%cb%cv&");
  ASSERT_EQ(region.args.size(), 5u);
  EXPECT_EQ(region.args[0].ivalue, W);
  EXPECT_EQ(region.args[1].ivalue, H);
  EXPECT_EQ(region.args[2].var, &IGRAPH_HANDLE1);
  EXPECT_EQ(region.args[4].var, &IWINDOW_CONTROL1);
  EXPECT_EQ(IWINDOW_CONTROL1, -1);
  EXPECT_THAT(lib.updated, ElementsAre(&IWINDOW_CONTROL1));
  // The mouse callback answers 2 until the program installs its own.
  ASSERT_NE(region.args[3].call, nullptr);
  EXPECT_EQ(region.args[3].call(), 2);
  window_callback1 = [] { return 7; };
  EXPECT_EQ(region.args[3].call(), 7);

  EXPECT_EQ(gsl::IQDEVC, 900000);
  EXPECT_EQ(gsl::IQMAXX, W);
  EXPECT_EQ(IIXSIZ(), W);
  EXPECT_EQ(IIYSIZ(), H);
  EXPECT_EQ(IHSIZE, W - 1);
  EXPECT_EQ(IVSIZE, H - 1);
  EXPECT_EQ(JYPIX, H - 1);
  EXPECT_EQ(ITY, 2);
  EXPECT_EQ(IPENMAP, 1);
  EXPECT_EQ(ICOL, 15);
  EXPECT_EQ(ICOMPLEMENT, 32768);
  EXPECT_EQ(LINE_DEFAULT, 1);
  EXPECT_EQ(LINE_WIDTH, 1);
  EXPECT_EQ(lib.line_width, 1);
  EXPECT_EQ(lib.text_style, 101);
  EXPECT_EQ(lib.selected, IGRAPH_HANDLE1);
  EXPECT_EQ(IWHICH_WINDOW, 1);
}

TEST_F(Region, ColoursGoThroughThePenMapUnlessItIsOff) {
  SELECT_PENMAP(0);
  SELCOM(4);
  EXPECT_EQ(ICOL, 14);
  SELCOM(15);
  EXPECT_EQ(ICOL, 7);
  SELECT_PENMAP(1);
  SELCOM(4);
  EXPECT_EQ(ICOL, 4);
}

TEST_F(Region, ReinitialisingDoesNotAddTheRegionAgain) {
  lib.pieces.clear();
  ICREATE = 1;
  GSLINI(900000, 0);
  EXPECT_TRUE(lib.pieces.empty());
  EXPECT_EQ(ICREATE, 0);
}

TEST_F(Region, LinesLandOnFlippedRowsWithTheirEndPixel) {
  COLOUR(2);
  MOVTO2(10.0f, 0.0f);  // device (20, 0): the bottom row
  LINTO2(100.0f, 0.0f);
  for (int x = 20; x <= 200; ++x) ASSERT_EQ(lib.pixel(x, H - 1), 2) << x;
  EXPECT_EQ(lib.pixel(19, H - 1), 15);
  EXPECT_EQ(lib.pixel(201, H - 1), 15);
  EXPECT_EQ(lib.count(2), 181);
  // Device y = JYPIX is the top row.
  COLOUR(4);
  MOVTO2(0.0f, 209.5f);
  LINTO2(5.0f, 209.5f);
  EXPECT_EQ(gsl::IQCURY, H - 1);
  EXPECT_EQ(lib.pixel(0, 0), 4);
  EXPECT_EQ(lib.pixel(10, 0), 4);
  EXPECT_EQ(lib.pixel(11, 0), 15);
  // A vertical line: rows run downwards as device y runs up.
  COLOUR(1);
  MOVTO2(50.0f, 10.0f);
  LINTO2(50.0f, 20.0f);
  EXPECT_EQ(lib.pixel(100, H - 1 - 20), 1);
  EXPECT_EQ(lib.pixel(100, H - 1 - 40), 1);
  EXPECT_EQ(lib.pixel(100, H - 1 - 41), 15);
  EXPECT_EQ(IXCUR, 100);
  EXPECT_EQ(IYCUR, 40);
}

TEST_F(Region, DrawToTheCurrentPositionSetsOnePixel) {
  PCPEN(4);
  PCMOVABS(50, 50);
  PCDRWABS(50, 50);
  EXPECT_EQ(lib.count(4), 1);
  EXPECT_EQ(lib.pixel(50, JYPIX - 50), 4);
}

TEST_F(Region, EraseAndComplementColours) {
  PCPEN(4);
  PCERASE(1);
  PCMOVABS(10, 10);
  PCDRWABS(20, 10);
  EXPECT_EQ(lib.pixel(15, JYPIX - 10), 0);
  PCERASE(0);
  PCCOMPL(1);
  PCDRWABS(30, 10);
  EXPECT_EQ(lib.pixel(25, JYPIX - 10), 4 + 32768);
  PCCOMPL(0);
}

TEST_F(Region, FilledRectangles) {
  PCPEN(1);
  PCMOVABS(10, 10);
  PCFILLRECT(13, 12);
  EXPECT_EQ(lib.count(1), 4 * 3);
  EXPECT_EQ(lib.pixel(10, JYPIX - 10), 1);
  EXPECT_EQ(lib.pixel(13, JYPIX - 12), 1);
  EXPECT_EQ(IXCUR, 13);
  EXPECT_EQ(IYCUR, 12);
  // The printer form exchanges x and y and does not flip.
  PCPEN(2);
  PCMOVABS(0, 0);
  PCPFILLRECT(1, 3);
  EXPECT_EQ(lib.pixel(3, 1), 2);
  EXPECT_EQ(lib.count(2), 4 * 2);
}

TEST_F(Region, KernelBlockModeFillsThroughTheDisplayLayer) {
  gsl::IQBLOK = 1;
  COLOUR(4);
  MOVTO2(10.0f, 10.0f);
  LINTO2(12.0f, 11.0f);
  gsl::IQBLOK = 0;
  EXPECT_EQ(lib.count(4), 5 * 3);
}

TEST_F(Region, LineWidthRules) {
  LINE_DEFAULT = -3;
  SET_LINE_WIDTH(0);
  EXPECT_EQ(LINE_WIDTH, 3);
  EXPECT_EQ(lib.line_width, 3);
  SET_LINE_WIDTH_DEFAULT(2);
  EXPECT_EQ(LINE_DEFAULT, -3);
  SET_LINE_WIDTH(5);
  EXPECT_EQ(lib.line_width, 5);
  SET_LINE_WIDTH_DEFAULT(0);
  EXPECT_EQ(LINE_DEFAULT, 0);
  SET_LINE_WIDTH_DEFAULT(2);
  int32_t i = 0;
  GET_LINE_WIDTH_DEFAULT(i);
  EXPECT_EQ(i, 2);
  GET_LINE_WIDTH(i);
  EXPECT_EQ(i, 5);
}

TEST_F(Region, WindowSlotsKeepTheirTransformations) {
  gsl::RQMAT2(4, 1) = 5.0f;  // a shifted region 1
  SELECT_GRAPH_WINDOW(2);
  EXPECT_EQ(IWHICH_WINDOW, 2);
  EXPECT_EQ(TR_ARRAY(4, 1), 5.0f);
  EXPECT_EQ(gsl::RQMAT2(4, 1), TR_ARRAY(4, 2));
  SELECT_GRAPH_WINDOW(1);
  EXPECT_EQ(gsl::RQMAT2(4, 1), 5.0f);
  float xp, yp;
  GIVE_PAPER(1.0f, 2.0f, xp, yp);
  EXPECT_EQ(xp, 6.0f);
  EXPECT_EQ(yp, 2.0f);
  gsl::RQMAT2(4, 1) = 0.0f;
  SELECT_GRAPH_WINDOW(7);  // not a slot: ignored
  EXPECT_EQ(IWHICH_WINDOW, 1);
}

TEST_F(Region, ScreenExtentIsThePaper) {
  float x1, y1, x2, y2;
  SCREEN_EXTENT(x1, y1, x2, y2);
  EXPECT_EQ(x1, 0.0f);
  EXPECT_EQ(y1, 0.0f);
  EXPECT_FLOAT_EQ(x2, 297.0f);
  EXPECT_FLOAT_EQ(y2, 210.0f);
}

TEST_F(Region, WindowSizeKeepsPaperForZeroes) {
  SET_WINDOWS_SIZE(100, 50, 0.0f, 120.0f, 0);
  EXPECT_EQ(gsl::IQMX(24), 100);
  EXPECT_EQ(gsl::IQMY(24), 50);
  EXPECT_EQ(gsl::RQMX(24), 297.0f);
  EXPECT_EQ(gsl::RQMY(24), 120.0f);
  SET_WINDOWS_SIZE(1000, 500, 0.0f, 0.0f, 1);  // printer row from the slot's width
  EXPECT_EQ(gsl::IQMX(28), 1000);
  EXPECT_EQ(gsl::IQMAXX, 1000);
  EXPECT_EQ(gsl::RQMX(28), 297.0f);
  EXPECT_FLOAT_EQ(gsl::RQMY(28), 148.5f);
  SET_WINDOWS_SIZE(W, H, 297.0f, 210.0f, 0);
}

// ------------------------------------------------------------------ mouse

TEST_F(Region, MouseReadingsFlipRowsAndGiveKeys) {
  int32_t irx, iry, key;
  lib.mouse_x = 12;
  lib.mouse_y = 0;  // top row
  lib.mouse_flags = 0;
  lib.mouse_queries.clear();
  PCCOORD(irx, iry, key);
  EXPECT_EQ(irx, 12);
  EXPECT_EQ(iry, H - 1);
  EXPECT_EQ(key, 0);
  EXPECT_THAT(lib.mouse_queries,
              ElementsAre("graphics_mouse_flags", "graphics_mouse_x", "graphics_mouse_y"));
  lib.mouse_y = H - 1;  // bottom row
  for (auto [flags, expected] : {std::pair{1, 32}, std::pair{2, 33}, std::pair{3, 34}}) {
    lib.mouse_flags = flags;
    PCCOORD(irx, iry, key);
    EXPECT_EQ(key, expected);
    EXPECT_EQ(iry, 0);
    EXPECT_EQ(ISHIFT_KEY, 0);
    EXPECT_EQ(ICTRL_KEY, 0);
  }
  lib.mouse_flags = 1 | 4;
  PCCOORD(irx, iry, key);
  EXPECT_EQ(key, 32);
  EXPECT_EQ(ISHIFT_KEY, 4);
  lib.mouse_flags = 2 | 8 | 32;  // bits above 16 are not flags
  PCCOORD(irx, iry, key);
  EXPECT_EQ(key, 33);
  EXPECT_EQ(ICTRL_KEY, 8);
  EXPECT_EQ(ISHIFT_KEY, 0);
  // Released between the two readings.
  lib.next_flags = {1 | 4, 0};
  PCCOORD(irx, iry, key);
  EXPECT_EQ(key, 31);
  EXPECT_EQ(ISHIFT_KEY, 0);
}

TEST_F(Region, CursorThroughTheWholeStack) {
  lib.mouse_x = 100;
  lib.mouse_y = H - 1 - 40;
  lib.mouse_flags = 1;
  char ch = 0;
  int32_t irx, iry;
  float rx, ry;
  CURSI2(ch, irx, iry, rx, ry);
  EXPECT_EQ(ch, static_cast<char>(32));
  EXPECT_EQ(irx, 100);
  EXPECT_EQ(iry, 40);
  EXPECT_FLOAT_EQ(rx, 50.0f);
  EXPECT_FLOAT_EQ(ry, 20.0f);
}

// ------------------------------------------------------------------ PROD

TEST(Prod, ProductInPlaceEqualsSeparateResult) {
  // A is 3 x 3 (declared 4 x 3), B is 3 x 2, column by column.
  const std::array<float, 12> a = {1, 2, 3, 99, 4, 5, 6, 99, 7, 8, 10, 99};
  std::array<float, 6> b = {1, 0, 2, -1, 3, 0.5f};
  std::array<float, 8> c{};
  PROD(a.data(), b.data(), c.data(), 4, 3, 2, 3, 3, 2);
  // Column 1: A * (1, 0, 2) = (15, 18, 23); column 2: A * (-1, 3, 0.5).
  EXPECT_THAT(std::vector<float>(c.begin(), c.begin() + 3), ElementsAre(15, 18, 23));
  EXPECT_THAT(std::vector<float>(c.begin() + 4, c.begin() + 7), ElementsAre(14.5f, 17.0f, 20.0f));
  // Square case written over B.
  const std::array<float, 9> sq = {1, 2, 3, 4, 5, 6, 7, 8, 10};
  std::array<float, 9> bb = {1, 0, 2, -1, 3, 0.5f, 2, 2, 2};
  std::array<float, 9> separate{};
  PROD(sq.data(), bb.data(), separate.data(), 3, 3, 3, 3, 3, 3);
  PROD(sq.data(), bb.data(), bb.data(), 3, 3, 3, 3, 3, 3);
  EXPECT_EQ(bb, separate);
}

TEST(Prod, TooLargeAnInnerDimensionIsRefused) {
  std::vector<float> a(301, 1.0f), b(301, 1.0f);
  float c = -1.0f;
  PROD(a.data(), b.data(), &c, 1, 301, 1, 1, 301, 1);
  EXPECT_EQ(c, -1.0f);
}

}  // namespace
}  // namespace spindra

namespace spindra {
namespace {

TEST(FullScreen, ModesTheScreenCannotHoldFallBack) {
  MemoryWindowLibrary lib(1024, 768);
  lib.screen_w = 700;
  lib.screen_h = 500;
  install_window_device();
  set_window_library(&lib);
  test_support::reset_kernel(594, 420);
  GSLINI(102768, 0);
  EXPECT_EQ(gsl::IQDEVC, 640480);
  EXPECT_EQ(gsl::IQMAXX, 639);
  EXPECT_EQ(display::JYPIX, 479);
  EXPECT_TRUE(lib.pieces.empty());
  lib.screen_w = 1024;
  lib.screen_h = 768;
  GSLINI(102768, 0);
  EXPECT_EQ(gsl::IQDEVC, 102768);
  EXPECT_EQ(display::JYPIX, 767);
  // Lines land on the screen rows like on a region.
  COLOUR(1);
  MOVTO2(0.0f, 0.0f);
  LINTO2(1.0f, 0.0f);
  EXPECT_NE(lib.pixel(0, 767), 15);
  EXPECT_NE(lib.pixel(4, 767), 15);
  GSLEND(1);
  EXPECT_EQ(lib.count(15), 1024 * 768);
  set_window_library(nullptr);
}

}  // namespace
}  // namespace spindra
