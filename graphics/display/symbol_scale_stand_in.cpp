// Until the symbol routines are part of the build, the kernel's start-up
// still needs somewhere to set the plotted-symbol scale.
#if !__has_include("graphics/text/stroke_font.h")
#include "graphics/display/pens.h"

namespace spindra {
void SYMBOL_SCALE(float) {}
}  // namespace spindra
#endif
