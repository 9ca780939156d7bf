// The controls of a layout window: fields, toggles, lists, drop-downs,
// buttons, graphics regions and edit boxes, each bound to its variables.
// The LayoutWindow members that make them (make_control and its helpers) are
// defined in controls.cpp; this header gives what the rest of the window
// shares with them.
#pragma once

#include <QColor>
#include <string>

namespace spindra::qt {

// A background colour by its layout name: "white", "grey" or the button face.
QColor named_colour(const std::string& name);

}  // namespace spindra::qt
