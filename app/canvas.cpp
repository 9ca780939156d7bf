#include "app/canvas.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/dialogs.h"
#include "app/draw.h"
#include "app/engine_dialog.h"
#include "app/model/store.h"
#include "app/view.h"
#include "app/model_commands.h"
#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "graphics/text/symbols.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

// Hit radii as fractions of the paper width seen in the region.
constexpr double kNodeTolerance = 0.025;
constexpr double kStiffTolerance = 0.05;
// Symbol scale of the highlight squares of picked nodes (12 pixels across).
constexpr float kHighlightScale = 2.0f;

float snap(float v) {
  return static_cast<float>(nint(v / SNAP_SIZE) * SNAP_SIZE);
}

// Squared hit radius: a fraction of the width of the region in millimetres.
float squared_radius(double fraction) {
  float rx1 = 0.0f, ry1 = 0.0f, rx2 = 0.0f, ry2 = 0.0f;
  SCREEN_EXTENT(rx1, ry1, rx2, ry2);
  const double r = fraction * (static_cast<double>(rx2) - rx1);
  return static_cast<float>(r * r);
}

float squared_distance(double x, double y, float rx, float ry) {
  const double dx = x - rx;
  const double dy = y - ry;
  return static_cast<float>(dx * dx + dy * dy);
}

bool picked(int32_t node) {
  for (int32_t k = 1; k <= NSELECT && k <= kMaxNodes; ++k) {
    if (NODE_LIST(k) == node) return true;
  }
  return false;
}

// Nearest node strictly inside the node radius; skips picked nodes when asked.
int32_t nearest_node(float rx, float ry, bool skip_picked) {
  float best = squared_radius(kNodeTolerance);
  int32_t found = 0;
  for (int32_t i = 1; i <= NMASS && i <= kMaxNodes; ++i) {
    if (skip_picked && picked(i)) continue;
    const float d = squared_distance(MASSES(i).xy_node(1), MASSES(i).xy_node(2), rx, ry);
    if (d < best) {
      best = d;
      found = i;
    }
  }
  return found;
}

// Writes `text` into `out` from 1-based column `col`, cut at the end of `out`.
template <std::size_t N>
void put(FixedText<N>& out, int col, std::string_view text) {
  for (std::size_t k = 0; k < text.size() && col + static_cast<int>(k) <= static_cast<int>(N); ++k)
    out.at1(col + static_cast<int>(k)) = text[k];
}

// Right-aligns `text` in `width` characters; a text that does not fit becomes
// asterisks.
std::string right_aligned(std::string text, std::size_t width) {
  if (text.size() > width) return std::string(width, '*');
  return std::string(width - text.size(), ' ') + text;
}

}  // namespace

FixedText<12> general_numeric(double v) {
  FixedText<12> out;
  if (std::isnan(v) || std::isinf(v)) {
    out = right_aligned(std::isnan(v) ? "NaN" : (v < 0 ? "-Infinity" : "Infinity"), 12);
    return out;
  }
  if (v == 0.0) {
    out = " 0.00000    ";  // fixed point in 8 characters, then 4 blanks
    return out;
  }
  // The decimal exponent of the value rounded to 6 significant digits
  // decides the form: d.ddddde+xx has exponent xx, so the value is
  // 0.dddddd x 10^(xx + 1).
  char e_form[32];
  std::snprintf(e_form, sizeof e_form, "%.5e", std::fabs(v));
  const int exponent = std::atoi(std::strchr(e_form, 'e') + 1) + 1;
  std::string text;
  if (exponent >= 0 && exponent <= 6) {
    char fixed[32];
    std::snprintf(fixed, sizeof fixed, "%#.*f", 6 - exponent, v);
    text = fixed;
    // A negative value below 1 drops its leading zero when it would not fit.
    if (text.size() > 8 && text.rfind("-0.", 0) == 0) text.erase(1, 1);
    out = right_aligned(text, 8) + "    ";
    return out;
  }
  std::string mantissa = std::string(1, e_form[0]) + std::string(e_form + 2, 5);
  text = (v < 0 ? "-0." : "0.") + mantissa;
  char exp_text[16];
  if (std::abs(exponent) <= 99) {
    std::snprintf(exp_text, sizeof exp_text, "E%c%02d", exponent < 0 ? '-' : '+',
                  std::abs(exponent));
  } else {
    std::snprintf(exp_text, sizeof exp_text, "%c%03d", exponent < 0 ? '-' : '+',
                  std::abs(exponent));
  }
  text += exp_text;
  if (text.size() > 12 && text.rfind("-0.", 0) == 0) text.erase(1, 1);
  out = right_aligned(text, 12);
  return out;
}

FixedText<80> node_status_text(int32_t INODE) {
  FixedText<80> text;
  if (!is_node(INODE)) return text;
  const NODE& node = MASSES(INODE);
  const double inertia = IUNIT_INERT == 2 ? node.amass / 1000.0 : node.amass;
  char number[8];
  std::snprintf(number, sizeof number, "%3d", INODE);
  put(text, 1, "Node");
  put(text, 5, right_aligned(number, 3));
  put(text, 8, " Inertia=");
  put(text, 17, general_numeric(inertia).view());
  put(text, 30, UNITS(1).view());
  put(text, 43, node.name.view());
  if (speed_ratio_of(node) != 1.0) {
    put(text, 60, "Ratio=");
    put(text, 66, general_numeric(node.speed_ratio).view());
  }
  return text;
}

void SNAP_TO(float& RX, float& RY) {
  if (ILAST_VALID != 0 && IORTHO_MODE == 1) {
    const double dx = std::fabs(static_cast<double>(RX) - RX_LAST);
    const double dy = std::fabs(static_cast<double>(RY) - RY_LAST);
    if (dy >= dx) {
      RX = static_cast<float>(RX_LAST);
      if (ISNAP_MODE == 1) RY = snap(RY);
    } else {
      RY = static_cast<float>(RY_LAST);
      if (ISNAP_MODE == 1) RX = snap(RX);
    }
  } else if (ISNAP_MODE == 1) {
    RX = snap(RX);
    RY = snap(RY);
  }
  RX_LAST = RX;
  RY_LAST = RY;
  ILAST_VALID = 1;
}

int32_t IFIND_NODE1(float RX, float RY) {
  return nearest_node(RX, RY, false);
}

int32_t IFIND_NODE(float RX, float RY) {
  return nearest_node(RX, RY, true);
}

int32_t IFIND_STIFF(float RX, float RY) {
  float best = squared_radius(kStiffTolerance);
  int32_t found = 0;
  for (int32_t i = 1; i <= NSTIF && i <= kMaxStiffnesses; ++i) {
    const int32_t p = STIFF(i).nodes(1);
    const int32_t q = STIFF(i).nodes(2);
    if (!is_node(p) || (q != 0 && !is_node(q))) continue;  // not drawn, not a target
    const double x1 = MASSES(p).xy_node(1);
    const double y1 = MASSES(p).xy_node(2);
    double xm, ym;
    if (q != 0) {
      xm = (x1 + MASSES(q).xy_node(1)) / 2.0;
      ym = (y1 + MASSES(q).xy_node(2)) / 2.0;
    } else {
      xm = x1 + kGroundDx / 2.0;
      ym = y1 + kGroundDy / 2.0;
    }
    const float d = squared_distance(xm, ym, RX, RY);
    if (d < best) {
      best = d;
      found = i;
    }
  }
  return found;
}

void draw_pick_square(int32_t p, int32_t pen) {
  if (!is_node(p)) return;
  SYMBOL_SCALE(kHighlightScale);
  COLOUR(pen);
  SQUARE(static_cast<float>(MASSES(p).xy_node(1)), static_cast<float>(MASSES(p).xy_node(2)));
  SYMBOL_SCALE(1.0f);
}

int32_t pick_stiffness_node(float RX, float RY) {
  if (NSELECT < 0 || NSELECT >= kMaxNodes) return 0;
  const int32_t p = IFIND_NODE(RX, RY);
  if (p == 0) return 0;
  NSELECT = NSELECT + 1;
  NODE_LIST(NSELECT) = p;
  draw_pick_square(p, 2);
  return p;
}

void forget_picks() {
  for (int32_t k = 1; k <= NSELECT && k <= kMaxNodes; ++k) draw_pick_square(NODE_LIST(k), 15);
  COLOUR(1);
  NSELECT = 0;
}

int WINDOW_CALLBACK1() {
  // The kernel reads the pointer through the view; a zoom by the wheel or a
  // pan by the scroll bars is all an event may be.
  apply_view();
  if (view_event()) return 2;
  char ch = kNoAction;
  int32_t irx = 0, iry = 0;
  float rx = 0.0f, ry = 0.0f;
  CURSI2(ch, irx, iry, rx, ry);
  pointer_x = rx;
  pointer_y = ry;
  pointer_seen = 1;
  SNAP_TO(rx, ry);
  const int32_t inode = IFIND_NODE1(rx, ry);
  if (inode != 0) REASON = node_status_text(inode);
  WINDOW_UPDATE(REASON);

  // Create modes act on the left button only, modify modes on both buttons
  // (as a right click); Create > Engine passes the button on.
  const auto left_only = [](char c) { return c == kRightButton ? kNoAction : c; };
  const auto as_right = [](char c) { return c == kLeftButton ? kRightButton : c; };
  if (INODE_CREATE != 0) {
    CREATE_NODE(left_only(ch), rx, ry);
  } else if (ISTIF_CREATE != 0) {
    CREATE_STIF(left_only(ch), rx, ry);
  } else if (ISTIF_CREATE_GROUND != 0) {
    CREATE_STIF_GROUND(left_only(ch), rx, ry);
  } else if (IENGI_CREATE != 0) {
    CREATE_ENGI(ch, rx, ry);
  } else if (INODE_MODIFY != 0) {
    CREATE_NODE(as_right(ch), rx, ry);
  } else if (ISTIF_MODIFY != 0) {
    CREATE_STIF(as_right(ch), rx, ry);
  } else if (INODE_DELETE != 0) {
    delete_at(as_right(ch), rx, ry);
  } else if (INODE_MOVE != 0) {
    move_at(ch, rx, ry, window_library().mouse_query("graphics_mouse_released") != 0);
  }
  return 2;
}

}  // namespace spindra
