// The Forced Response window (Calculate > Forced Damped): the amplitude of
// one item against engine speed from the last forced-response run, a thin
// curve per order labelled at its peak (the orders of the largest peaks in
// the colours of a key beside the plot) and the synthesis of all orders in
// bold; for a shaft's stress the permissible stresses tau1 and tau2 of the
// rules, the barred speed ranges and the operating range (a bar along the
// speed axis).  A picture or print also carries a title block.  Drawn through the
// kernel in graphics region 3, on the 297 x 210 mm paper of the model, so it
// can also go to a picture file or the printer.  Choosing another item or
// quantity only redraws: the amplitudes of every item are kept by the run.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/forced_response.h"
#include "app/model/store.h"

namespace spindra {

// The plot area on the paper, millimetres.
inline constexpr float kForcedLeft = 32.0f;
inline constexpr float kForcedRight = 262.0f;
inline constexpr float kForcedBottom = 40.0f;
inline constexpr float kForcedTop = 184.0f;

// An item of the plot: a shaft's stress or torque, or an inertia's angle.
struct ForcedItem {
  ForcedKind kind = ForcedKind::kStress;
  int32_t number = 0;
  bool operator==(const ForcedItem&) const = default;
};

inline constexpr int kForcedItems = kMaxStiffnesses + kMaxNodes;

// State of the window: the list of shafts and inertias and its selection,
// the quantity shown for a shaft (radio buttons), the misfire asked for, the
// hover and note lines, and the file of its Export Picture....
inline Table<FixedText<36>, 1, kForcedItems> FORCED_ITEMS;
inline int32_t FORCED_ITEM = 0;
inline int32_t FORCED_SHOW_STRESS = 1;
inline int32_t FORCED_SHOW_TORQUE = 0;
inline int32_t FORCED_SHOW_POWER = 0;  // a stiffness's power loss
inline int32_t MISFIRE_ENGINE = 0;
inline int32_t MISFIRE_CYLINDER = 0;
inline FixedText<100> FORCED_STATUS;
inline FixedText<120> FORCED_NOTE;
// The load cases of the model and the one shown (1-based); the verdict on
// the item shown (footer) and on the design for the case (status line).
inline Table<FixedText<36>, 1, kMaxCases> FORCED_CASES;
inline int32_t FORCED_CASE = 1;
inline FixedText<240> FORCED_VERDICT;
inline FixedText<240> FORCED_DESIGN;
inline FileName130 FORCED_PICTURE;
// Runs of the forced response started from this window or the menu.
inline int32_t FORCED_RUNS = 0;

// Calculate > Forced Damped after the frequency analysis: runs the forced
// response with the misfire of the window and opens the window (or redraws
// it when open).  A model that lacks data opens it with what is missing.
// Returns 1.
int FORCED_RESPONSE();
// Draws the plot of the chosen item on the kernel's current device (region
// or page).  Returns 1.
int DRAW_FORCED();
// Redraws the window, when open, after the results or the model's mark
// changed (another model read: its results are gone).
void refresh_forced_window();
// The marks of results that belong to an earlier model changed: while the
// model differs from the one the forced response ran on (forced_outdated)
// the window says so, until the next run.
void forced_results_mark_changed();

// Another model (opened or new): the window starts at its first load case
// without a misfire.
void forced_window_new_model();

// What the plot shows beside the item: the load case and the misfire of the
// run ("Load case NAME, misfire of engine K cylinder C"); empty without
// results.
std::string forced_plot_case_text();

// The item the plot shows, and choosing one (also in the window's list and
// radio buttons); false when the item does not exist.
ForcedItem forced_item();
bool choose_forced_item(ForcedItem item);
// The item a new run shows first: the stress of the shaft with the largest
// synthesised stress relative to tau1 (else the largest stress, torque), or
// the angle of inertia 1 when there is no shaft.
ForcedItem default_forced_item();

// What the model still lacks for a forced response, one plain sentence per
// line naming the dialog to enter it; empty when nothing is missing.
std::string missing_forced_data();

// The curve under the paper point (x, y) of the current plot: the status
// text with speed, order and value.  False when no curve is within 2.5 mm.
bool forced_hover_text(float x, float y, FixedText<100>& text);

// The load case of the last run and its misfire, as the title block of a
// picture names them ("Sweep, operating range 300-1575 rev/min; no
// misfire").
std::string forced_case_text();

// Paper position of a speed and of an amplitude (in the item's own unit) for
// the current plot.
float forced_x(double speed);
float forced_y(double amplitude);

// The batch form: writes the plot of `item_spec` ("shaft:S", "inertia:I" or
// empty for the default item) of the last run to a picture file.  False with
// a message when the item does not exist or the file cannot be written.
bool write_forced_picture(const std::string& path, const std::string& item_spec,
                          std::string* message);

}  // namespace spindra
