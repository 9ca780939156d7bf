// The window library without a display, for the batch command's pictures:
// the toolkit starts on its offscreen platform and its window library is
// installed, so pages (picture files) can be drawn with no window open.
#pragma once

namespace spindra {

// Starts the toolkit and installs its window library; false when this build
// has none (pictures cannot be written).
bool start_headless_window_library();
// Uninstalls it and stops the toolkit.
void stop_headless_window_library();

}  // namespace spindra
