#include "app/model_commands.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "analysis/transient.h"
#include "app/campbell_window.h"
#include "app/forced_window.h"
#include "app/canvas.h"
#include "app/dialogs.h"
#include "app/draw.h"
#include "app/history.h"
#include "app/main_window.h"
#include "app/model/store.h"
#include "app/model_edits.h"
#include "app/picture.h"
#include "app/transient_window.h"
#include "app/view.h"
#include "graphics/display/display.h"
#include "graphics/display/pens.h"
#include "graphics/text/symbols.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

std::string inertia_label(int32_t p) {
  std::string label = "inertia " + std::to_string(p);
  const std::string_view name = MASSES(p).name.trimmed();
  if (!name.empty()) label += " (" + std::string(name) + ")";
  return label;
}

void show_status(const std::string& text) {
  REASON = text;
  WINDOW_UPDATE(REASON);
}

// OK of Title and Orders: closes the dialog only when the range can be
// analysed.
int accept_title_orders() {
  TitleOrdersBuffers& b = title_orders_buffers();
  const std::string refusal = order_range_refusal(b.ordmin, b.ordmax, b.ordstep);
  if (!refusal.empty()) {
    window_library().show_message("Title and Orders", refusal);
    return 1;
  }
  b.done = 1;
  WINDOW_UPDATE(b.done);
  return 1;
}

// Asks before an inertia that carries a cylinder of engine e takes the whole
// engine with it.  True: delete.
bool engine_goes_with(int32_t p, int32_t e) {
  WINDOW_PRINTF("%ca[Delete]%bg[grey]&");
  // The numbers are written into the text itself: %wd pads them with blanks.
  const std::string carries = "Inertia " + std::to_string(p) + " carries cylinder " +
                              std::to_string(MASSES(p).icyleng_no(2)) + " of engine " +
                              std::to_string(e) + ".%nl&";
  WINDOW_PRINTF(carries);
  WINDOW_PRINTF("Deleting it removes the whole engine; the engines above it move down.&");
  return WINDOW_PRINTF("%ff%nl%`tt[&Delete]%tt[&Cancel]") == 1;
}

void delete_inertia(int32_t p) {
  const int32_t e = engine_of_node(p);
  if (e != 0 && !engine_goes_with(p, e)) return;
  const std::string label = inertia_label(p);
  const int32_t shafts = delete_node(p);
  std::string text = "Deleted " + label;
  if (shafts > 0)
    text += shafts == 1 ? " and its shaft" : " and its " + std::to_string(shafts) + " shafts";
  if (e != 0) text += "; engine " + std::to_string(e) + " removed";
  IDRAW();
  show_status(text);
}

// Deletes what lies under (x, y): an inertia first, else a stiffness.  False
// when there is nothing.
bool delete_near(float x, float y) {
  if (const int32_t p = IFIND_NODE1(x, y); p != 0) {
    delete_inertia(p);
  } else if (const int32_t s = IFIND_STIFF(x, y); s != 0) {
    delete_stiffness(s);
    IDRAW();
    show_status("Deleted stiffness " + std::to_string(s));
  } else {
    return false;
  }
  // The picks of a half-made stiffness stay marked under their new numbers.
  for (int32_t k = 1; k <= NSELECT && k <= kMaxNodes; ++k) draw_pick_square(NODE_LIST(k), 2);
  return true;
}

int32_t moving = 0;  // the inertia being dragged in Modify > Move, 0 none
float target_x = 0.0f;  // where it would go, mm
float target_y = 0.0f;

}  // namespace

TitleOrdersBuffers& title_orders_buffers() {
  static TitleOrdersBuffers buffers;
  return buffers;
}

int new_model() {
  if (unsaved_work_check() == 0) return 1;
  NEW_SYSTEM();
  SNAP_SIZE = 5.0;
  ISNAP_MODE = 1;
  IORTHO_MODE = 1;
  IUNIT_INERT = 1;
  IUNIT_STIFF = 1;
  SET_UNITS();
  // No command mode, as at start-up.
  switch_modes_off();
  NSELECT = 0;
  NODE_LIST.fill(0);
  ILAST_VALID = 0;
  moving = 0;
  reset_view();  // the paper at zoom 1, as at start-up
  REASON.blank();
  ICURRENT_FREQ = 0;
  IFREQS.fill(0);
  FILIN.blank();
  FILOUT.blank();
  PICTURE_FILE = "Unnamed.svg";
  WINDOW_UPDATE(FREQS);
  WINDOW_UPDATE(ICURRENT_FREQ);
  WINDOW_UPDATE(IVALID);
  WINDOW_UPDATE(SCALE_MODE);
  WINDOW_UPDATE(FILIN);
  WINDOW_UPDATE(REASON);
  start_history();
  refresh_campbell_diagram();
  forced_window_new_model();
  refresh_forced_window();
  forget_transient_results();
  refresh_transient_window();
  IDRAW();
  return 1;
}

std::string order_range_refusal(double min, double max, double step) {
  if (!std::isfinite(min) || !std::isfinite(max) || !std::isfinite(step))
    return "The engine orders must be numbers.";
  if (step <= 0.0) return "Order step " + number(step) + ": the step must be greater than 0.";
  if (min <= 0.0)
    return "Lowest order " + number(min) +
           ": the orders must be greater than 0 (no engine speed has order 0 or below).";
  if (max < min)
    return "Highest order " + number(max) + " is below the lowest order " + number(min) + ".";
  // Counted as the analysis counts them: by adding the step.
  int orders = 0;
  double order = min;
  do {
    ++orders;
    order = order + step;
  } while (order <= max && orders <= kMaxTitleOrders);
  if (orders > kMaxTitleOrders)
    return "Orders " + number(min) + " to " + number(max) + " in steps of " + number(step) +
           " are more than " + std::to_string(kMaxTitleOrders) +
           " orders; choose a larger step or a smaller range.";
  return {};
}

int title_and_orders() {
  TitleOrdersBuffers& b = title_orders_buffers();
  b.title = TITLE.view();
  b.ordmin = ORDMIN;
  b.ordmax = ORDMAX;
  b.ordstep = ORDSTEP;
  b.done = -1;
  WINDOW_PRINTF("%ca[Title and Orders]%bg[grey]%cv&", {bind(b.done)});
  WINDOW_PRINTF("%ffTitle %ta%`bg[white]%rs&", {bind(b.title)});
  WINDOW_PRINTF("%ffLowest engine order %ta%`bg[white]%rf&", {bind(b.ordmin)});
  WINDOW_PRINTF("%ffHighest engine order %ta%`bg[white]%rf&", {bind(b.ordmax)});
  WINDOW_PRINTF("%ffOrder step %ta%`bg[white]%rf&", {bind(b.ordstep)});
  WINDOW_PRINTF("%ff%nl%`^tt[&OK]%tt[&Cancel]", {call(accept_title_orders)});
  if (b.done != 1) return 1;
  TITLE = b.title.view();
  ORDMIN = b.ordmin;
  ORDMAX = b.ordmax;
  ORDSTEP = b.ordstep;
  note_model_edit();
  return 1;
}

void delete_at(char CH, float RX, float RY) {
  if (CH != kLeftButton && CH != kRightButton) return;
  delete_near(RX, RY);
  ILAST_VALID = 0;  // the next click is free of the ortho line through this one
}

int delete_under_pointer() {
  if (pointer_seen == 0 || !delete_near(pointer_x, pointer_y))
    show_status("Delete: point at an inertia or a shaft in the drawing, then press Delete");
  note_model_edit();
  return 1;
}

void move_at(char CH, float RX, float RY, bool released) {
  if (CH == kLeftButton) {
    moving = IFIND_NODE1(RX, RY);
    if (moving == 0) return;
    target_x = RX;
    target_y = RY;
    draw_pick_square(moving, 2);
    show_status("Move " + inertia_label(moving) + ": release the button where it goes");
    return;
  }
  if (CH != kNoAction || !is_node(moving)) {
    if (moving != 0) IDRAW();  // another button ends the drag: its marks go
    moving = 0;
    return;
  }
  const NODE& node = MASSES(moving);
  char where[64];
  std::snprintf(where, sizeof where, "x = %g, y = %g mm", RX, RY);
  if (!released) {
    // The place it would go is marked while the button is held.
    if (RX != target_x || RY != target_y) {
      target_x = RX;
      target_y = RY;
      IDRAW();
      draw_pick_square(moving, 2);
      SYMBOL_SCALE(2.0f);
      COLOUR(4);
      SQUARE(RX, RY);
      SYMBOL_SCALE(1.0f);
      COLOUR(1);
    }
    show_status("Move " + inertia_label(moving) + " to " + where);
    return;
  }
  const int32_t p = moving;
  moving = 0;
  if (node.xy_node(1) == RX && node.xy_node(2) == RY) {
    IDRAW();
    show_status("Inertia " + std::to_string(p) + " stays where it was");
    return;
  }
  if (const int32_t other = node_at(RX, RY, p); other != 0) {
    IDRAW();
    show_status("Inertia " + std::to_string(p) + " stays where it was");
    window_library().show_message("Move", "Inertia " + std::to_string(p) + " cannot go to " +
                                              where + ": " + inertia_label(other) +
                                              " stands there.  It stays where it was.");
    return;
  }
  move_node(p, RX, RY);
  IDRAW();
  show_status("Moved " + inertia_label(p) + " to " + where);
}

void draw_results_note() {
  float rx1 = 0.0f, ry1 = 0.0f, rx2 = 0.0f, ry2 = 0.0f;
  SCREEN_EXTENT(rx1, ry1, rx2, ry2);
  // The same size on the screen at any view of the paper.
  const float k = (rx2 - rx1) / 297.0f;
  COLOUR(4);
  PLOT_TEXT("Results shown are of the model before the last edit: Calculate again", rx1 + 4.0f * k,
            ry2 - 7.0f * k, 2.0f * k, 3.0f * k, 0.0f);
  COLOUR(1);
}

}  // namespace spindra
