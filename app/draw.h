// Drawing of the model in the graphics region: the dot grid, the inertias,
// the engine-cylinder labels, the stiffnesses and, once an analysis has run,
// the mode shape of the selected frequency.  The picture is always drawn
// completely from the model store; nothing is retained between redraws.
#pragma once

#include <cmath>
#include <cstdint>

#include "app/model/store.h"

namespace spindra {

// Ground end of a shaft to ground, from its node, mm.
inline constexpr float kGroundDx = -5.0f;
inline constexpr float kGroundDy = -15.0f;

// Nearest integer, halves away from zero.
inline double nint(double v) {
  return std::round(v);
}

// True when I numbers an inertia of the model.
inline bool is_node(int32_t I) {
  return I >= 1 && I <= NMASS && I <= kMaxNodes;
}

// Clears the region and draws everything.  Window-library callback; returns 1.
int IDRAW();
// Draws stiffness I in the current pen and symbol scale.
void DRAW_STIFF(int32_t I);
// Draws one dot at every grid point of the visible paper.
void DRAW_GRID();
// Draws the mode shape of the selected frequency when the results are valid.
int DRAW_MODAL();

// The inertia symbol of node I in pen 4: a small square at the node and a
// vertical bar with a large square at each end.
void draw_inertia_symbol(int32_t I);
// The cylinder label of node I in pen 2 ("3.1" for cylinder 3 of engine 1).
void draw_cylinder_label(int32_t I);

}  // namespace spindra
