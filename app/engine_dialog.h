// Engines on the canvas: the Create Engine dialog with its live cylinder
// numbers and firing angles, the placing of cylinders on inertias, the
// re-definition warning and the deletion and renumbering of engines.
#pragma once

#include <cstdint>

#include "text/fixed_text.h"

namespace spindra {

// Handler of canvas clicks in Create > Engine: "!" opens the engine dialog,
// " " places the next cylinder of the engine being defined on the inertia
// nearest (RX, RY).  Other characters do nothing.
void CREATE_ENGI(char CH, float& RX, float& RY);

// Dialog callbacks.  ISET_FIRANG sets the stroke from the radio buttons and
// recomputes the cylinder numbers and firing angles shown; IGREY_CYL enables
// the first ncyl firing-order fields.  Both return 1.
int ISET_FIRANG();
int IGREY_CYL();

// Removes engine K: the engines above it move down one place, its inertias
// lose their cylinder numbers and the engine numbers of the others follow.
void DELETE_ENGINE(int32_t K);

// A firing angle as the dialog shows it: 5 characters with one decimal, or
// asterisks when it does not fit.
FixedText<5> angle_text(double angle);

}  // namespace spindra
