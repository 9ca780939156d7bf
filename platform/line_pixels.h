// The pixels of a one-pixel line of the window library (see draw_line in
// platform/window_library.h): every implementation of the library walks its
// lines with this routine, so they all set the same pixels.
#pragma once

#include <cstdlib>

namespace spindra {

// Calls plot(x, y) for each pixel of the line from (x1, y1) up to but not
// including (x2, y2), once each, in order from the start, on the pixels
// nearest the exact line (Bresenham's midpoint rule).  A line to its own
// start has no pixels.
template <class Plot>
void for_each_line_pixel(int x1, int y1, int x2, int y2, Plot plot) {
  const int dx = std::abs(x2 - x1);
  const int dy = -std::abs(y2 - y1);
  const int sx = x1 < x2 ? 1 : -1;
  const int sy = y1 < y2 ? 1 : -1;
  int err = dx + dy;
  int x = x1;
  int y = y1;
  while (x != x2 || y != y2) {
    plot(x, y);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

}  // namespace spindra
