// Deleting and moving parts of the model.  Every reference follows: the node
// numbers of the shafts, the cylinder links of the inertias, the engines
// above a removed one and the picked nodes (NODE_LIST).
#pragma once

#include <cstdint>

namespace spindra {

// The engine whose cylinder inertia p carries: a complete engine or the one
// being defined; 0 when none (a link to an engine that does not exist counts
// as none).
int32_t engine_of_node(int32_t p);

// Removes engine e: a complete one as the engine dialog's re-definition
// removes it (the engines above move down, the one being defined with
// them), or the one being defined, whose definition then ends.
void remove_engine(int32_t e);

// Deletes stiffness s; the stiffnesses above move down.  False when s is
// none.
bool delete_stiffness(int32_t s);

// Deletes inertia p, every shaft that joins it and the engine whose cylinder
// it carries; the inertias above move down one number, and so do the
// transient cases' inertias (a case on p is left on none).  Returns the number
// of shafts deleted with it, or -1 when p is none.
int32_t delete_node(int32_t p);

// The inertia other than `except` standing at (x, y) (mm), 0 when none.
int32_t node_at(double x, double y, int32_t except);

// Moves inertia p to (x, y) (mm); its shafts follow, being drawn from the
// node positions.  False, with nothing changed, when p is none or another
// inertia stands there.
bool move_node(int32_t p, double x, double y);

}  // namespace spindra
