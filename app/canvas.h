// Mouse interaction in the graphics region: the status line, snap and ortho,
// the hit tests and the dispatch to the handler of the active command mode.
#pragma once

namespace spindra {

// Mouse callback of graphics region 1; returns 2 (the window stays open).
int WINDOW_CALLBACK1();

}  // namespace spindra
