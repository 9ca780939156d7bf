#include "app/view.h"

#include <algorithm>
#include <cmath>

#include "app/draw.h"
#include "app/model/store.h"
#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

constexpr double kPaperWidth = 297.0;
constexpr double kPaperHeight = 210.0;
// Room around the inertias that their drawing takes: the bar above and
// below, a shaft to ground below and to the left.
constexpr double kRoomX = 10.0;
constexpr double kRoomBelow = 20.0;
constexpr double kRoomAbove = 15.0;
// Share of the region that Fit Model leaves free around the model.
constexpr double kFitShare = 0.95;
// Largest picture the scroll bars are given, pixels.
constexpr double kMaxPicture = 1.0e9;

// What the window library was last told: the part shown and the device
// units per user millimetre of that drawing.
bool published = false;
int published_x = 0;
int published_y = 0;
double published_sx = 1.0;
double published_sy = 1.0;

struct Box {
  double x1, y1, x2, y2;
};

// The inertias with the room their drawing takes; false without any.
bool model_box(Box& box) {
  if (NMASS < 1) return false;
  box = {1e300, 1e300, -1e300, -1e300};
  for (int32_t i = 1; i <= NMASS && i <= kMaxNodes; ++i) {
    const double x = MASSES(i).xy_node(1);
    const double y = MASSES(i).xy_node(2);
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    box.x1 = std::min(box.x1, x - kRoomX);
    box.x2 = std::max(box.x2, x + kRoomX);
    box.y1 = std::min(box.y1, y - kRoomBelow);
    box.y2 = std::max(box.y2, y + kRoomAbove);
  }
  return box.x1 <= box.x2;
}

double clamp_zoom(double z) {
  if (!std::isfinite(z)) return 1.0;
  return std::clamp(z, kMinZoom, kMaxZoom);
}

// Pixels of a length, rounded and kept to what a scroll bar can take.
int pixels(double v) {
  return static_cast<int>(std::lround(std::clamp(v, 0.0, kMaxPicture)));
}

}  // namespace

void apply_view() {
  float* m = gsl::RQMAT2.data();
  TMQIDN(m);
  const double z = VIEW_ZOOM;
  m[0] = static_cast<float>(z);                // (1, 1)
  m[5] = static_cast<float>(z);                // (2, 2)
  m[3] = static_cast<float>(-VIEW_X0 * z + 0.0);  // (4, 1): translation
  m[7] = static_cast<float>(-VIEW_Y0 * z + 0.0);  // (4, 2)
}

void reset_view() {
  VIEW_ZOOM = 1.0;
  VIEW_X0 = 0.0;
  VIEW_Y0 = 0.0;
  published = false;  // a new window or library: nothing told yet
}

void zoom_about(double factor, double ux, double uy) {
  const double z = VIEW_ZOOM;
  const double z2 = clamp_zoom(z * factor);
  if (z2 == z) return;
  // The paper point of (ux, uy) stays where it is.
  const double px = (ux - VIEW_X0) * z;
  const double py = (uy - VIEW_Y0) * z;
  VIEW_ZOOM = z2;
  VIEW_X0 = ux - px / z2;
  VIEW_Y0 = uy - py / z2;
}

void fit_view_to_model() {
  Box box;
  if (!model_box(box)) {
    reset_view();
    return;
  }
  const double w = box.x2 - box.x1;
  const double h = box.y2 - box.y1;
  const double z = clamp_zoom(std::min(kPaperWidth / w, kPaperHeight / h) * kFitShare);
  VIEW_ZOOM = z;
  VIEW_X0 = (box.x1 + box.x2) / 2.0 - kPaperWidth / 2.0 / z;
  VIEW_Y0 = (box.y1 + box.y2) / 2.0 - kPaperHeight / 2.0 / z;
}

bool model_fits_paper() {
  for (int32_t i = 1; i <= NMASS && i <= kMaxNodes; ++i) {
    const double x = MASSES(i).xy_node(1);
    const double y = MASSES(i).xy_node(2);
    if (!(x >= 0.0 && x <= kPaperWidth && y >= 0.0 && y <= kPaperHeight)) return false;
  }
  return true;
}

void view_for_new_model() {
  if (model_fits_paper()) {
    reset_view();
  } else {
    fit_view_to_model();
  }
}

void publish_view() {
  // Only a drawing in the main window's region has scroll bars; a page
  // drawn for a picture or a print has none.
  if (gsl::IQDEVC != gsl::region_code(1) || display::IWHICH_WINDOW != 1) return;
  const double z = VIEW_ZOOM;
  const double sx = gsl::RQX * z;  // device units per user millimetre
  const double sy = gsl::RQY * z;
  if (!(sx > 0.0) || !(sy > 0.0)) return;
  const Box shown = {VIEW_X0, VIEW_Y0, VIEW_X0 + kPaperWidth / z, VIEW_Y0 + kPaperHeight / z};
  // The picture: the paper, the part shown, and the model where it lies off
  // the paper (with the room of its drawing).
  Box all = {std::min(0.0, shown.x1), std::min(0.0, shown.y1),
             std::max(kPaperWidth, shown.x2), std::max(kPaperHeight, shown.y2)};
  Box model;
  if (!model_fits_paper() && model_box(model)) {
    all = {std::min(all.x1, model.x1), std::min(all.y1, model.y1), std::max(all.x2, model.x2),
           std::max(all.y2, model.y2)};
  }
  const int left = pixels((shown.x1 - all.x1) * sx);
  const int right = pixels((all.x2 - shown.x2) * sx);
  const int top = pixels((all.y2 - shown.y2) * sy);
  const int bottom = pixels((shown.y1 - all.y1) * sy);
  const int width = gsl::IQMAXX - gsl::IQMINX;
  const int height = gsl::IQMAXY - gsl::IQMINY;
  window_library().set_region_view(display::IGRAPH_HANDLE1, width + left + right,
                                   height + top + bottom, left, top);
  published = true;
  published_x = left;
  published_y = top;
  published_sx = sx;
  published_sy = sy;
}

bool view_event() {
  WindowLibrary& lib = window_library();
  const int wheel = lib.mouse_query("graphics_mouse_wheel");
  if (wheel != 0) {
    // The user point under the pointer stays under it.
    const int px = lib.mouse_query("graphics_mouse_x");
    const int py = lib.mouse_query("graphics_mouse_y");
    float x = 0.0f, y = 0.0f;
    CRUGSL(px, display::IVSIZE - py, x, y);
    const double ux = VIEW_X0 + x / VIEW_ZOOM;
    const double uy = VIEW_Y0 + y / VIEW_ZOOM;
    zoom_about(std::pow(kZoomStep, wheel / 2.0), ux, uy);
    IDRAW();
    return true;
  }
  if (!published) return false;
  const int vx = lib.mouse_query("graphics_view_x");
  const int vy = lib.mouse_query("graphics_view_y");
  if (vx == published_x && vy == published_y) return false;
  // Scroll bars moved: the picture's part shown moves by whole pixels.
  VIEW_X0 += (vx - published_x) / published_sx;
  VIEW_Y0 -= (vy - published_y) / published_sy;
  IDRAW();
  return true;
}

namespace {
// Zooms about the middle of the part shown.
int zoom_by(double factor) {
  zoom_about(factor, VIEW_X0 + kPaperWidth / 2.0 / VIEW_ZOOM,
             VIEW_Y0 + kPaperHeight / 2.0 / VIEW_ZOOM);
  return IDRAW();
}
}  // namespace

int ZOOM_IN() {
  return zoom_by(kZoomStep);
}

int ZOOM_OUT() {
  return zoom_by(1.0 / kZoomStep);
}

int FIT_MODEL() {
  fit_view_to_model();
  return IDRAW();
}

}  // namespace spindra
