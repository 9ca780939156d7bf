#include "app/canvas.h"

namespace spindra {

int WINDOW_CALLBACK1() { return 2; }

}  // namespace spindra
