// The windows of the program as it builds them: each window's pieces and
// bound values, recorded through the in-memory window library while the
// program opens its main window and its dialogs (every dialog cancelled).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "app/canvas.h"
#include "app/dialogs.h"
#include "app/engine_dialog.h"
#include "app/main_window.h"
#include "app/model/store.h"
#include "platform/layout.h"
#include "tests/support/memory_window_library.h"

namespace spindra::testing {

struct RecordedWindow {
  std::vector<std::string> texts;
  std::vector<std::vector<LayoutArg>> args;

  std::vector<layout::Piece> pieces() const {
    std::vector<layout::Piece> out;
    for (std::size_t i = 0; i < texts.size(); ++i) out.push_back({texts[i], args[i]});
    return out;
  }
};

inline std::vector<RecordedWindow> record_program_windows() {
  WindowLibrary* before = &window_library();
  MemoryWindowLibrary lib(594, 420);
  set_window_library(&lib);
  initialise_store();
  run_main_window();
  ABOUT_FUNCTION();
  ICHOOSE_INERTIA_UNITS();
  ICHOOSE_STIFF_UNITS();
  float x = 50.0f, y = 50.0f;
  CREATE_NODE(kLeftButton, x, y);
  CREATE_ENGI(kRightButton, x, y);
  // Two inertias joined by a stiffness, for the stiffness and modify dialogs.
  for (int n = 1; n <= 2; ++n) {
    MASSES(n) = BLANK_MASS;
    MASSES(n).xy_node(1) = 50.0 * n;
    MASSES(n).xy_node(2) = 50.0;
  }
  NMASS = 2;
  STIFF(1) = BLANK_STIFF;
  STIFF(1).nodes(1) = 1;
  STIFF(1).nodes(2) = 2;
  NSTIF = 1;
  float x2 = 100.0f, y2 = 50.0f, mid = 75.0f;
  CREATE_NODE(kRightButton, x, y);
  CREATE_STIF(kLeftButton, x, y);
  CREATE_STIF(kLeftButton, x2, y2);
  CREATE_STIF_GROUND(kLeftButton, x, y);
  CREATE_STIF(kRightButton, mid, y);
  // Engine 2 being defined: inertia 1 drives engine 1, inertia 2 already
  // carries a cylinder of engine 2; a click on each warns.
  NENG = 1;
  IENG = 2;
  CRE_ENGS.ncyl = 2;
  MASSES(1).icyleng_no(1) = 1;
  MASSES(2).icyleng_no(1) = 2;
  CREATE_ENGI(kLeftButton, x, y);
  CREATE_ENGI(kLeftButton, x2, y2);
  set_window_library(before);

  std::vector<RecordedWindow> windows(1);
  for (const auto& p : lib.pieces) {
    windows.back().texts.push_back(p.layout);
    windows.back().args.push_back(p.args);
    if (p.layout.empty() || p.layout.back() != '&') windows.emplace_back();
  }
  windows.pop_back();
  return windows;
}

// The recorded window with this caption; `nth` counts windows that share it.
inline RecordedWindow program_window(std::string_view caption, int nth = 0) {
  for (RecordedWindow& w : record_program_windows()) {
    if (layout::parse_window(w.pieces()).caption == caption && nth-- == 0) return w;
  }
  throw std::logic_error("the program builds no window " + std::string(caption));
}

}  // namespace spindra::testing
