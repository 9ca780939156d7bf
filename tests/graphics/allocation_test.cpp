// The drawing path from VECTO2 to the window library allocates nothing.
#include <gtest/gtest.h>

#include "tests/support/allocation_counter.h"

#include "tests/graphics/recording_device.h"

namespace spindra {
namespace {

TEST(DrawingPath, AllocatesNothing) {
  MemoryWindowLibrary lib(594, 420);
  set_display_device(nullptr);
  set_window_library(&lib);
  test_support::reset_kernel(1, 1);
  open_graphics_region(594, 420);
  allocation_counter::counting = true;
  allocation_counter::allocations = 0;
  for (int k = 0; k < 100; ++k) {
    COLOUR(1 + k % 4);
    MOVTO2(-20.0f + k, 5.0f);
    LINTO2(300.0f - k, 200.0f);
    LINTO2(150.0f, 400.0f);
    RELTIV(1);
    VECTOR(3, 3, 1);
    RELTIV(0);
  }
  allocation_counter::counting = false;
  EXPECT_EQ(allocation_counter::allocations, 0);
  EXPECT_GT(lib.lines, 100);
  set_window_library(nullptr);
}

}  // namespace
}  // namespace spindra
