// Kernel-internal: the output of one point and of a pen selection on the
// byte-stream terminals and the plotters.
#pragma once

#include <cstdint>

namespace spindra {

void terminal_point();             // address bytes of IQCURX, IQCURY into the byte buffer
void plotter_point();              // one command line for IQCURX, IQCURY
void plotter_pen(int32_t ICOLOR);  // pen-select line of a pen plotter

}  // namespace spindra
