// The Transient window (Calculate > Transient...): the chosen item's torque,
// stress or angle against time (a run-up can show it against engine speed)
// from the last transient run, its peak marked and labelled, tau1 and tau2
// for a shaft with limits, the barred speed ranges a run-up passes.  Drawn
// through the kernel in graphics region 4 on the 297 x 210 mm paper, so it
// can also go to a picture file or the printer.  Choosing another item only
// redraws; choosing another case runs it.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/forced_response.h"
#include "app/model/store.h"

namespace spindra {

// The plot area on the paper, millimetres.
inline constexpr float kTransientLeft = 32.0f;
inline constexpr float kTransientRight = 262.0f;
inline constexpr float kTransientBottom = 40.0f;
inline constexpr float kTransientTop = 180.0f;

inline constexpr int kTransientItems = kMaxStiffnesses + kMaxNodes;

// State of the window: the case list and its selection, the list of shafts
// and inertias and its selection, the quantity shown for a shaft, the axis
// of a run-up, the hover and note lines and the file of its Export Picture.
inline Table<FixedText<40>, 1, kMaxTransientCases> TRANSIENT_CASE_LIST;
inline int32_t TRANSIENT_CASE_PICK = 0;
inline Table<FixedText<36>, 1, kTransientItems> TRANSIENT_ITEMS;
inline int32_t TRANSIENT_ITEM = 0;
inline int32_t TRANSIENT_SHOW_STRESS = 1;
inline int32_t TRANSIENT_SHOW_TORQUE = 0;
inline int32_t TRANSIENT_AXIS_TIME = 1;
inline int32_t TRANSIENT_AXIS_SPEED = 0;
inline FixedText<100> TRANSIENT_STATUS;
inline FixedText<120> TRANSIENT_NOTE;
inline FileName130 TRANSIENT_PICTURE;
inline int32_t TRANSIENT_REPORT_VALID = 0;

// An item of the plot.
struct TransientItem {
  ForcedKind kind = ForcedKind::kStress;
  int32_t number = 0;
  bool operator==(const TransientItem&) const = default;
};

// Calculate > Transient... after the frequency analysis: runs the case chosen
// in the window (the first case at first) and opens the window, or redraws
// it when open.  A case that cannot run opens it with a plain statement of
// what is missing.  Returns 1.
int TRANSIENT_RESPONSE();
// Draws the plot on the kernel's current device.  Returns 1.
int DRAW_TRANSIENT();
// Redraws the window, when open, after the model or the results changed.
void refresh_transient_window();
// The mark of results of an earlier model changed.
void transient_results_mark_changed();

// The item shown, and choosing one; false when it does not exist.
TransientItem transient_item();
bool choose_transient_item(TransientItem item);
// The item a run shows first: the shaft closest to its limit, else the one
// with the largest torque; the angle of inertia 1 when there is no shaft.
TransientItem default_transient_item();

// Hover text of the point (x, y) of the paper: time (and speed) and value
// of the nearest sample; false when the point is off the plot.
bool transient_hover_text(float x, float y, FixedText<100>& text);

// Paper position of a time or speed and of a value of the current plot.
float transient_x(double t);
float transient_y(double value);

// The batch form: writes the plot of `item_spec` ("shaft:S", "inertia:I",
// empty for the default) of the last run to a picture file.
bool write_transient_picture(const std::string& path, const std::string& item_spec,
                             std::string* message);

}  // namespace spindra
