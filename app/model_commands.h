// Commands that replace or edit the model outside the dialogs of the canvas:
// File > New, Modify > Title and Orders..., the Modify > Delete and
// Modify > Move modes and the Delete key.
#pragma once

#include <cstdint>
#include <string>

#include "text/fixed_text.h"

namespace spindra {

// File > New: after asking about unsaved work, the empty model of start-up
// with the start-up snap, ortho, units and order range and no command mode
// active; the results, the
// picks and the status line are cleared as Open clears them, the model has no
// file and a new undo history starts.  Returns 1.
int new_model();

// Modify > Title and Orders...: the model title and the engine order range.
// OK refuses a range that cannot be analysed with a message and keeps the
// dialog open.  Returns 1.
int title_and_orders();
// Why the engine orders min to max in steps of step cannot be analysed
// (step > 0, 0 < min <= max, at most kMaxTitleOrders orders); empty when
// they can.
std::string order_range_refusal(double min, double max, double step);
inline constexpr int kMaxTitleOrders = 200;

// The dialog's buffers, kept while it is open.
struct TitleOrdersBuffers {
  FixedText<80> title;
  double ordmin = 1.0;
  double ordmax = 6.0;
  double ordstep = 1.0;
  int32_t done = 0;  // the window's control variable: 1 once OK accepted
};
TitleOrdersBuffers& title_orders_buffers();

// Modify > Delete, a click: deletes the inertia under (RX, RY) with its
// shafts (asking first when it carries an engine cylinder: the whole engine
// goes), or else the stiffness there.  " " and "!" act, other characters
// do nothing.
void delete_at(char CH, float RX, float RY);
// Modify > Move, every mouse event: a press on an inertia takes it, moves
// with the button held show where it would go, and the release puts it at
// the snapped (RX, RY) unless another inertia stands there.
void move_at(char CH, float RX, float RY, bool released);

// The Delete key (Edit > Delete Under Pointer): deletes what a click in
// Modify > Delete would at the pointer's last place in the region.
// Returns 1.
int delete_under_pointer();

// The pointer's latest place in the region, mm, as read (not snapped);
// pointer_seen is 0 until the first mouse event.
inline float pointer_x = 0.0f;
inline float pointer_y = 0.0f;
inline int32_t pointer_seen = 0;

// Draws, over the model, the note that the results shown belong to the
// model before the last edit.
void draw_results_note();

}  // namespace spindra
