// Mouse interaction in the graphics region: the status line, snap and ortho,
// the hit tests, the dispatch to the handler of the active command mode and
// the picking of the nodes of a new stiffness.
#pragma once

#include <cstdint>

#include "text/fixed_text.h"

namespace spindra {

// Button characters of a cursor reading.
inline constexpr char kLeftButton = ' ';   // code 32
inline constexpr char kRightButton = '!';  // code 33
inline constexpr char kNoAction = '\0';    // what a handler ignores

// Mouse callback of graphics region 1: reads the cursor, snaps it, shows the
// node under the pointer in the status line and hands button presses to the
// active mode.  Returns 2 (the window stays open).
int WINDOW_CALLBACK1();

// Applies snap and ortho to (RX, RY), millimetres, and records the result as
// the last position.
void SNAP_TO(float& RX, float& RY);

// Number of the node nearest (RX, RY) within the node tolerance, or 0; of two
// nodes at the same distance the lower-numbered one.
int32_t IFIND_NODE1(float RX, float RY);
// The same, leaving out the nodes already picked (NODE_LIST(1..NSELECT)).
int32_t IFIND_NODE(float RX, float RY);
// Number of the stiffness whose hit point (the middle of its drawn line) is
// nearest (RX, RY) within the stiffness tolerance, or 0.
int32_t IFIND_STIFF(float RX, float RY);

// The status text for node INODE: number, inertia in the display unit, unit
// and name, 80 characters.
FixedText<80> node_status_text(int32_t INODE);

// A value in the 12-character general numeric field of the status line: fixed
// point with 6 significant digits in 8 characters and 4 blanks for
// 0.1 <= |v| < 1 000 000 and for 0, exponent form 0.ddddddE+nn otherwise.
FixedText<12> general_numeric(double v);

// Picks the free node nearest (RX, RY) for the stiffness being created and
// highlights it (a large square in pen 2).  Returns the node, or 0 when no
// free node is within the tolerance.
int32_t pick_stiffness_node(float RX, float RY);
// Removes the highlight squares of the picked nodes (background pen) and
// forgets the picks.
void forget_picks();
// Draws the highlight square of node p in pen `pen` at the highlight's size.
void draw_pick_square(int32_t p, int32_t pen);

}  // namespace spindra
