#include "app/draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "analysis/eigen_solver.h"
#include "analysis/frequency_analysis.h"
#include "app/history.h"
#include "app/model/store.h"
#include "app/view.h"
#include "app/model_commands.h"
#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "graphics/text/symbols.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

constexpr float kWid = 1.5f;             // label character width, mm
constexpr float kHgt = kWid * 1.5f;      // label character height, mm
constexpr float kLabelAngle = 90.0f;     // labels read upwards
constexpr float kHalfBar = kWid * 8.25f;  // half-height of the inertia symbol, mm
constexpr float kGroundBar = 3.0f;  // half-length of the ground bar

float node_x(int32_t i) { return static_cast<float>(MASSES(i).xy_node(1)); }
float node_y(int32_t i) { return static_cast<float>(MASSES(i).xy_node(2)); }

// Zoomed out, a dot at every grid point would grey the whole region (and
// take long): the dots keep at least kMinDotPixels apart by showing only
// every 2nd, 5th, 10th, 20th, ... grid point, all of them on the grid.
constexpr double kMinDotPixels = 10.0;

void draw_sparse_grid(float rx1, float ry1, float rx2, float ry2) {
  if (!(SNAP_SIZE > 0.0)) return;
  const double pixels = SNAP_SIZE * VIEW_ZOOM * std::min(gsl::RQX, gsl::RQY);
  double step = SNAP_SIZE;
  for (double decade = 1.0; pixels * decade < 1.0e12; decade *= 10.0) {
    double found = 0.0;
    for (double k : {1.0, 2.0, 5.0}) {
      if (pixels * decade * k >= kMinDotPixels) {
        found = k;
        break;
      }
    }
    if (found > 0.0) {
      step = SNAP_SIZE * decade * found;
      break;
    }
  }
  const double x0 = nint(rx1 / step) * step;
  const double y0 = nint(ry1 / step) * step;
  const int n = static_cast<int>((rx2 - rx1) / step + 1.0);
  const int m = static_cast<int>((ry2 - ry1) / step + 1.0);
  COLOUR(1);
  for (int j = 0; j < m; ++j) {
    const float y = static_cast<float>(y0 + j * step);
    for (int i = 0; i < n; ++i) {
      const float x = static_cast<float>(x0 + i * step);
      VECTO2(x, y, 0);
      VECTO2(x, y, 1);
    }
  }
}

// A gear mesh at (xm, ym) on the line from (x1, y1) to (x2, y2): two
// touching circles along the line, the pinion and the wheel; a rigid mesh
// gets a bar across the point where they touch.
constexpr float kGearRadius = 1.5f;

void draw_circle(float x, float y, float r) {
  constexpr int kSides = 16;
  for (int i = 0; i <= kSides; ++i) {
    const double a = 2.0 * 3.14159265358979323846 * i / kSides;
    VECTO2(static_cast<float>(x + r * std::cos(a)), static_cast<float>(y + r * std::sin(a)),
           i == 0 ? 0 : 1);
  }
}

void draw_gear_mesh(float x1, float y1, float x2, float y2, bool rigid) {
  const float dx = x2 - x1, dy = y2 - y1;
  const float length = std::sqrt(dx * dx + dy * dy);
  if (!(length > 0.0f)) return;
  const float ux = dx / length, uy = dy / length;
  const float xm = (x1 + x2) / 2.0f, ym = (y1 + y2) / 2.0f;
  draw_circle(xm - ux * kGearRadius, ym - uy * kGearRadius, kGearRadius);
  draw_circle(xm + ux * kGearRadius, ym + uy * kGearRadius, kGearRadius);
  if (rigid) {
    const float bar = 2.0f * kGearRadius;
    VECTO2(xm + uy * bar, ym - ux * bar, 0);
    VECTO2(xm - uy * bar, ym + ux * bar, 1);
  }
}

// The speed ratio beside an inertia that does not turn at the crankshaft's
// speed, below its symbol.
void draw_ratio_label(int32_t I) {
  COLOUR(3);
  char text[32];
  const int n = std::snprintf(text, sizeof text, "r=%.4g", MASSES(I).speed_ratio);
  PLOT_TEXT(std::string_view(text, static_cast<std::size_t>(std::max(n, 0))),
            node_x(I) + kWid, node_y(I) - kHalfBar - kHgt * 1.5f, kWid, kHgt, 0.0f);
}

}  // namespace

void draw_inertia_symbol(int32_t I) {
  const float x = node_x(I);
  const float y = node_y(I);
  COLOUR(4);
  // Zoomed out, the squares shrink with the drawing down to half their size,
  // so that inertias close together keep apart.
  const float k = VIEW_ZOOM < 1.0 ? static_cast<float>(std::max(0.5, VIEW_ZOOM)) : 1.0f;
  if (k != 1.0f) SYMBOL_SCALE(k);
  SQUARE(x, y);
  SYMBOL_SCALE(2.0f * k);
  SQUARE(x, y - kHalfBar);
  SQUARE(x, y + kHalfBar);
  VECTO2(x, y - kHalfBar, 1);
  SYMBOL_SCALE(1.0f);
}

void draw_cylinder_label(int32_t I) {
  const NODE& node = MASSES(I);
  COLOUR(2);
  const float v = static_cast<float>(node.icyleng_no(1)) / 10.0f +
                  static_cast<float>(node.icyleng_no(2));
  NUMBER_XY_ANG(node_x(I) - kHgt * 0.25f, node_y(I) + kWid * 1.5f, v, 4, 1, kWid, kHgt, false,
                false, kLabelAngle);
}

int IDRAW() {
  apply_view();
  window_library().clear_screen();
  DRAW_GRID();
  for (int32_t i = 1; i <= NMASS; ++i) {
    draw_inertia_symbol(i);
    if (MASSES(i).icyleng_no(1) != 0 && MASSES(i).icyleng_no(2) != 0) draw_cylinder_label(i);
    if (speed_ratio_of(MASSES(i)) != 1.0) draw_ratio_label(i);
  }
  COLOUR(1);
  SYMBOL_SCALE(0.5f);
  for (int32_t i = 1; i <= NSTIF; ++i) DRAW_STIFF(i);
  SYMBOL_SCALE(1.0f);
  DRAW_MODAL();
  publish_view();
  if (IVALID == 1 && results_outdated == 1) draw_results_note();
  return 1;
}

void DRAW_STIFF(int32_t I) {
  const STIFFNESS& s = STIFF(I);
  const int32_t p = s.nodes(1);
  const int32_t q = s.nodes(2);
  if (!is_node(p) || (q != 0 && !is_node(q))) return;
  const float x1 = node_x(p);
  const float y1 = node_y(p);
  float x2, y2;
  if (q != 0) {
    x2 = node_x(q);
    y2 = node_y(q);
  } else {
    x2 = x1 + kGroundDx;
    y2 = y1 + kGroundDy;
  }
  VECTO2(x1, y1, 0);
  VECTO2(x2, y2, 1);
  if (q == 0) {
    VECTO2(x2 - kGroundBar, y2, 0);
    VECTO2(x2 + kGroundBar, y2, 1);
  } else if (s.rigid != 0 || speed_ratio_of(MASSES(p)) != speed_ratio_of(MASSES(q))) {
    draw_gear_mesh(x1, y1, x2, y2, s.rigid != 0);
  }
  if (ISTIF_MODIFY == 1 || INODE_DELETE == 1) SQUARE((x1 + x2) / 2.0f, (y1 + y2) / 2.0f);
}

void DRAW_GRID() {
  float rx1, ry1, rx2, ry2;
  SCREEN_EXTENT(rx1, ry1, rx2, ry2);
  if (VIEW_ZOOM < 1.0) {
    draw_sparse_grid(rx1, ry1, rx2, ry2);
    return;
  }
  const float x0 = static_cast<float>(nint(rx1 / SNAP_SIZE) * SNAP_SIZE);
  const float y0 = static_cast<float>(nint(ry1 / SNAP_SIZE) * SNAP_SIZE);
  const int n = static_cast<int>((rx2 - rx1) / SNAP_SIZE + 1.0);
  const int m = static_cast<int>((ry2 - ry1) / SNAP_SIZE + 1.0);
  COLOUR(1);
  float y = y0;
  for (int j = 1; j <= m; ++j) {
    float x = x0;
    for (int i = 1; i <= n; ++i) {
      VECTO2(x, y, 0);
      VECTO2(x, y, 1);
      x = static_cast<float>(x + SNAP_SIZE);
    }
    y = static_cast<float>(y + SNAP_SIZE);
  }
}

int DRAW_MODAL() {
  if (IVALID != 1 || ICURRENT_FREQ < 1 || ICURRENT_FREQ > kMaxNodes) return 1;
  if (FREQS(ICURRENT_FREQ).is_blank()) return 1;
  // After a deletion the inertias are numbered anew: the kept matrices no
  // longer describe them, and a shape drawn from them would be wrong.
  if (!analysed_numbering_kept()) return 1;
  // Inertias and shafts added since the analysis have no place in its
  // matrices: the shape is drawn over the model as it was analysed.
  const int32_t n = std::min(analysed_nmass, NMASS);
  const int32_t k = IFREQS(ICURRENT_FREQ);
  if (k < 1 || k > n) return 1;
  real_mode_shape(k, EVEC, 0, nullptr);
  COLOUR(2);
  const double scale = SCALE_MODE;
  const int32_t nstif = std::min(analysed_nstif, NSTIF);
  for (int32_t i = 1; i <= nstif; ++i) {
    const int32_t p = STIFF(i).nodes(1);
    const int32_t q = STIFF(i).nodes(2);
    if (p < 1 || p > n || q < 0 || q > n) continue;
    const float x1 = node_x(p);
    const float y1 = static_cast<float>(MASSES(p).xy_node(2) + EVEC(p) * scale);
    float x2, y2;
    if (q != 0) {
      x2 = node_x(q);
      y2 = static_cast<float>(MASSES(q).xy_node(2) + EVEC(q) * scale);
    } else {
      x2 = node_x(p) + kGroundDx;
      y2 = node_y(p) + kGroundDy;
    }
    VECTO2(x1, y1, 0);
    VECTO2(x2, y2, 1);
  }
  return 1;
}

}  // namespace spindra
