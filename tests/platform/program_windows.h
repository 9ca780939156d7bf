// The windows of the program as it builds them: each window's pieces and
// bound values, recorded through the in-memory window library while the
// program opens its main window and its dialogs (every dialog cancelled).
#pragma once

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

}  // namespace spindra::testing
