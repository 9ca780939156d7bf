// Symbols, numbers and text are drawn without allocating.
#include <gtest/gtest.h>

#include "tests/support/allocation_counter.h"

#include "graphics/text/symbols.h"
#include "test_support.h"

namespace spindra {
namespace {

TEST(TextPath, AllocatesNothing) {
  text_test::CanvasLibrary canvas(594, 420);
  set_display_device(nullptr);
  set_window_library(&canvas);
  open_graphics_region(594, 420);
  allocation_counter::counting = true;
  allocation_counter::allocations = 0;
  for (int k = 0; k < 20; ++k) {
    COLOUR(1 + k % 4);
    PLOT_TEXT("Node f[[1]] = {{w}}]]2[[", 10.0f, 10.0f + k, 1.5f, 2.25f, 9.0f * k);
    PLOT_TEXT_C("centred", 150.0f, 100.0f, 2.0f, 3.0f, 0.0f);
    NUMBER_XY_ANG(100.0f, 50.0f, 3.1f * k, 6, 2, 1.5f, 2.25f, k % 2 == 0, true, 90.0f);
    NUMBER_XY_ANG(100.0f, 50.0f, 1.0e9f, 4, -1, 1.5f, 2.25f, false, false, 0.0f);
    SYMBOL_SCALE(0.5f * (k % 4));
    SQUARE(20.0f * (k % 10), 100.0f);
  }
  SYMBOL_SCALE(1.0f);
  allocation_counter::counting = false;
  EXPECT_EQ(allocation_counter::allocations, 0);
  set_window_library(nullptr);
}

}  // namespace
}  // namespace spindra
