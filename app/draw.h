// Drawing of the model in the graphics region: the dot grid, the inertias,
// the engine-cylinder labels, the stiffnesses and, once an analysis has run,
// the mode shape of the selected frequency.  The picture is always drawn
// completely from the model store; nothing is retained between redraws.
#pragma once

#include <cstdint>

namespace spindra {

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
